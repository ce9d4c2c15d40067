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

    bool isValid() const { return master >= 0; }
    // Path of the slave end, e.g. /dev/pts/7.
    QString slavePath() const { return path; }
    // Closes the device's end, as when the cable is pulled or the device's side of the pty goes away.
    void closeFarSide();
    void writeFromAnyThread(const QByteArray &bytes) override;
    // The slave's descriptor (the transport's terminal settings can be read through it).
    int slaveDescriptor() const { return slave; }

protected:
    void writeToLink(const QByteArray &bytes) override;

private:
    void readMaster();
    void flushPending();

    int master = -1;
    int slave = -1;
    QString path;
    QByteArray pending;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
};
