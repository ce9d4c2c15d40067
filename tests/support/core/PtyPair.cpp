#include "PtyPair.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
void makeRaw(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return;
    cfmakeraw(&settings);
    tcsetattr(fd, TCSANOW, &settings);
}
} // namespace

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    path = QString::fromLocal8Bit(name);
    // The slave stays open here until the end, so the master never sees a hang-up while the transport has
    // the port closed. Raw from the start: a line discipline would echo the device's replies back to it.
    makeRaw(slave);
    makeRaw(master);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    readNotifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &PtyPair::readMaster);
}

PtyPair::~PtyPair()
{
    closeFarSide();
    if (slave >= 0)
        ::close(slave);
}

void PtyPair::closeFarSide()
{
    delete readNotifier;
    readNotifier = nullptr;
    if (master >= 0)
        ::close(master);
    master = -1;
}

void PtyPair::writeToLink(const QByteArray &bytes)
{
    // At once, as the device would; a full terminal buffer is waited for (the transport reads it in its own
    // thread), but not for ever.
    qint64 done = 0;
    while (master >= 0 && done < bytes.size()) {
        const ssize_t written = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
        pollfd room{master, POLLOUT, 0};
        if (written < 0 && errno != EINTR && (errno != EAGAIN || ::poll(&room, 1, 2000) <= 0))
            return;
        if (written > 0)
            done += written;
    }
}

void PtyPair::readMaster()
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        takeIncoming(QByteArray(buffer, int(got)));
    }
}
