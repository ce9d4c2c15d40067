#pragma once

#include "DevicePeer.h"

#include <QString>

class QSocketNotifier;

// A pseudo-terminal pair standing in for a serial cable: the transport opens the slave by its path, the
// test plays the device on the master. Both ends are raw (no echo, no line editing, no CR/LF translation),
// so bytes pass unchanged in both directions.
class PtyPair : public DevicePeer
{
    Q_OBJECT

public:
    PtyPair();
    ~PtyPair() override;

    // Path of the slave end, e.g. /dev/pts/7.
    QString slavePath() const { return path; }
    // Closes the device's end, as when the cable is pulled or the device's side of the pty goes away.
    void closeFarSide();
    // The line settings the transport gave the port, as "9600 8N1" (speed, data bits, parity, stop bits).
    QString lineSettings() const;

protected:
    void writeToLink(const QByteArray &bytes) override;

private:
    void readMaster();

    int master = -1;
    int slave = -1;
    QString path;
    QSocketNotifier *readNotifier = nullptr;
};
