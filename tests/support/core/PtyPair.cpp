#include "PtyPair.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

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

QString PtyPair::lineSettings() const
{
    termios settings{};
    if (slave < 0 || tcgetattr(slave, &settings) != 0)
        return QString();
    const std::pair<speed_t, int> speeds[] = {{B1200, 1200},   {B2400, 2400},    {B4800, 4800},
                                              {B9600, 9600},   {B19200, 19200},  {B38400, 38400},
                                              {B57600, 57600}, {B115200, 115200}};
    int speed = -1;
    for (const auto &known : speeds)
        speed = known.first == cfgetospeed(&settings) ? known.second : speed;
    const tcflag_t size = settings.c_cflag & CSIZE;
    const int bits = size == CS8 ? 8 : size == CS7 ? 7 : size == CS6 ? 6 : 5;
    const char parity = !(settings.c_cflag & PARENB) ? 'N' : (settings.c_cflag & PARODD) ? 'O' : 'E';
    return QStringLiteral("%1 %2%3%4")
        .arg(speed)
        .arg(bits)
        .arg(parity)
        .arg(settings.c_cflag & CSTOPB ? 2 : 1);
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
