#include "PtyTransport.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Bytes waiting unread on the terminal side beyond which nobody is taken to be listening: they are thrown
// away, as a real line would lose what it sends while no cable is plugged in.
constexpr int UnreadLimit = 2048;

speed_t speedOf(int rate)
{
    switch (rate) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyTransport::PtyTransport(QObject *parent) : SimLink(parent) {}

PtyTransport::~PtyTransport()
{
    close();
}

bool PtyTransport::open(const QString &linkPath, int baudRate, QString *error)
{
    close();
    masterFd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd < 0 || ::grantpt(masterFd) != 0 || ::unlockpt(masterFd) != 0) {
        *error = systemError("cannot create a pseudo-terminal");
        close();
        return false;
    }
    char name[256] = {};
    if (::ptsname_r(masterFd, name, sizeof name) != 0) {
        *error = systemError("cannot name the pseudo-terminal");
        close();
        return false;
    }
    slavePath = QString::fromLocal8Bit(name);
    slaveFd = ::open(name, O_RDWR | O_NOCTTY);
    termios settings{};
    if (slaveFd < 0 || ::tcgetattr(slaveFd, &settings) != 0) {
        *error = systemError("cannot open the pseudo-terminal");
        close();
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&settings, speedOf(baudRate));
    ::cfsetospeed(&settings, speedOf(baudRate));
    ::tcsetattr(slaveFd, TCSANOW, &settings);
    ::fcntl(masterFd, F_SETFL, ::fcntl(masterFd, F_GETFL) | O_NONBLOCK);

    const QByteArray linkName = QFile::encodeName(linkPath);
    struct stat existing
    {
    };
    if (::lstat(linkName.constData(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
            close();
            return false;
        }
        ::unlink(linkName.constData());
    }
    if (::symlink(name, linkName.constData()) != 0) {
        *error = systemError("cannot create the link");
        close();
        return false;
    }
    link = linkPath;
    notifier = new QSocketNotifier(masterFd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &PtyTransport::readMaster);
    return true;
}

void PtyTransport::close()
{
    delete notifier;
    notifier = nullptr;
    if (!link.isEmpty()) {
        // Remove the link only while it still leads to this terminal.
        const QByteArray linkName = QFile::encodeName(link);
        char target[256] = {};
        const ssize_t length = ::readlink(linkName.constData(), target, sizeof target - 1);
        if (length > 0 && QString::fromLocal8Bit(target, int(length)) == slavePath)
            ::unlink(linkName.constData());
        link.clear();
    }
    if (slaveFd >= 0)
        ::close(slaveFd);
    if (masterFd >= 0)
        ::close(masterFd);
    slaveFd = masterFd = -1;
    splitter.clear();
}

void PtyTransport::leaveLineToPeer()
{
    termios settings{};
    if (slaveFd < 0 || ::tcgetattr(slaveFd, &settings) != 0)
        return;
    settings.c_cflag |= CSTOPB;
    ::cfsetispeed(&settings, B4800);
    ::cfsetospeed(&settings, B4800);
    ::tcsetattr(slaveFd, TCSANOW, &settings);
    peerSetsLine = true;
}

// A pseudo-terminal keeps neither a character size nor the parity bit itself (Linux sets CS8 and clears
// PARENB at every change), so the data bits always read 8 and even parity reads as none; odd, mark and space
// parity still show through PARODD and CMSPAR.
QString PtyTransport::lineSettings() const
{
    termios settings{};
    if (slaveFd < 0 || ::tcgetattr(slaveFd, &settings) != 0)
        return QStringLiteral("?");
    const speed_t speed = ::cfgetospeed(&settings);
    QString text = QStringLiteral("?");
    for (const int rate : {9600, 19200, 38400, 57600, 115200}) {
        if (speedOf(rate) == speed)
            text = QString::number(rate);
    }
    const tcflag_t flags = settings.c_cflag;
    const int dataBits = (flags & CSIZE) == CS5   ? 5
                         : (flags & CSIZE) == CS6 ? 6
                         : (flags & CSIZE) == CS7 ? 7
                                                  : 8;
    const char parity = (flags & CMSPAR)   ? ((flags & PARODD) ? 'M' : 'S')
                        : (flags & PARODD) ? 'O'
                        : (flags & PARENB) ? 'E'
                                           : 'N';
    // Hardware flow control, which the pseudo-terminal keeps, is named: a device without RTS/CTS lines never
    // lets such a port send.
    return text + QLatin1Char(' ') + QString::number(dataBits) + QLatin1Char(parity) +
           QString::number((flags & CSTOPB) ? 2 : 1) +
           ((flags & CRTSCTS) ? QStringLiteral(" RTS/CTS") : QString());
}

bool PtyTransport::setBaudRate(int rate)
{
    if (peerSetsLine)
        return speedOf(rate) != B0;
    termios settings{};
    if (slaveFd < 0 || speedOf(rate) == B0 || ::tcgetattr(slaveFd, &settings) != 0)
        return false;
    ::cfsetispeed(&settings, speedOf(rate));
    ::cfsetospeed(&settings, speedOf(rate));
    return ::tcsetattr(slaveFd, TCSADRAIN, &settings) == 0;
}

bool PtyTransport::writeBytes(const QByteArray &bytes)
{
    if (masterFd < 0)
        return false;
    int unread = 0;
    if (::ioctl(slaveFd, FIONREAD, &unread) == 0 && unread > UnreadLimit)
        ::tcflush(slaveFd, TCIFLUSH);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(masterFd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

void PtyTransport::readMaster()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        const QList<QByteArray> lines = splitter.feed(QByteArray(buffer, int(n)));
        for (const QByteArray &line : lines)
            emit lineReceived(line);
    }
}
