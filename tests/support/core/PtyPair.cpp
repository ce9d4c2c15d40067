#include "PtyPair.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
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
    writeNotifier = new QSocketNotifier(master, QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, &PtyPair::flushPending);
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
    delete writeNotifier;
    writeNotifier = nullptr;
    if (master >= 0)
        ::close(master);
    master = -1;
    pending.clear();
}

void PtyPair::writeToLink(const QByteArray &bytes)
{
    pending += bytes;
    flushPending();
}

void PtyPair::flushPending()
{
    while (master >= 0 && !pending.isEmpty()) {
        const ssize_t written = ::write(master, pending.constData(), size_t(pending.size()));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        pending.remove(0, int(written));
    }
    if (writeNotifier)
        writeNotifier->setEnabled(!pending.isEmpty());
}

void PtyPair::writeFromAnyThread(const QByteArray &bytes)
{
    qint64 done = 0;
    while (master >= 0 && done < bytes.size()) {
        const ssize_t written = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno != EINTR && errno != EAGAIN)
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
