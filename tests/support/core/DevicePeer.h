#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

// One command line as the far side of a link received it: its bytes (CR included) and when its last byte
// arrived.
struct WireCommand
{
    QByteArray bytes;
    qint64 arrivedNs = 0;
};

// The device's end of a test link (a pseudo-terminal master or an accepted loopback socket). It keeps every
// byte the transport wrote, splits them into CR-terminated commands with their arrival times, and writes
// replies. All times are nanoseconds on one monotonic clock (clockNs()).
class DevicePeer : public QObject
{
    Q_OBJECT

public:
    static qint64 clockNs();

    QByteArray receivedBytes() const { return received; }
    QList<WireCommand> commands() const { return complete; }
    // Waits until at least `count` complete commands arrived.
    bool waitForCommands(int count, int timeoutMs);

    // Writes bytes to the transport at once; the time taken just before is kept as lastReplyNs().
    void reply(const QByteArray &bytes);
    qint64 lastReplyNs() const { return lastReply; }

protected:
    explicit DevicePeer(QObject *parent = nullptr);
    // Called by the concrete peer with every chunk it read.
    void takeIncoming(const QByteArray &bytes);
    virtual void writeToLink(const QByteArray &bytes) = 0;

private:
    QByteArray received;
    QByteArray partial;
    QList<WireCommand> complete;
    qint64 lastReply = 0;
};
