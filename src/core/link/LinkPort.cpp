#include "link/LinkPort.h"

#include <QIODevice>

#include <sys/ioctl.h>

LinkPort::LinkPort(QObject *parent) : QObject(parent) {}

LinkPort::~LinkPort() = default;

void LinkPort::readPending()
{
    QIODevice *io = device();
    const qintptr fd = descriptor();
    int waiting = 0;
    // Only when the system holds bytes: an empty wait would count as a failed read.
    if (io && fd >= 0 && ::ioctl(int(fd), FIONREAD, &waiting) == 0 && waiting > 0)
        io->waitForReadyRead(0);
}
