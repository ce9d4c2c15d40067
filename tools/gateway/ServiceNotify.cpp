#include "ServiceNotify.h"

#include <QtGlobal>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ServiceNotify {

bool tell(const QByteArray &state)
{
    const QByteArray path = qgetenv("NOTIFY_SOCKET");
    if (path.isEmpty())
        return true;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(path.size()) >= sizeof(address.sun_path) || (path[0] != '/' && path[0] != '@'))
        return false;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    // A name starting with '@' is in the abstract namespace, where the first byte is a NUL.
    if (address.sun_path[0] == '@')
        address.sun_path[0] = '\0';
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + std::size_t(path.size()));
    const ssize_t sent = ::sendto(fd, state.constData(), std::size_t(state.size()), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr *>(&address), length);
    ::close(fd);
    return sent == state.size();
}

} // namespace ServiceNotify
