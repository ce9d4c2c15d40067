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
    QList<QByteArray> commandTexts() const;
    // Waits until at least `count` complete commands arrived.
    bool waitForCommands(int count, int timeoutMs);
    // Waits for any byte to arrive; false when none came within `timeoutMs`.
    bool waitForBytes(int timeoutMs);

    // Writes bytes to the transport; the time taken just before the write is kept as lastReplyNs().
    void reply(const QByteArray &bytes);
    qint64 lastReplyNs() const { return lastReply; }
    // Writes straight to the descriptor, from any thread (used to make bytes arrive at an exact moment of
    // the transport's processing). Only while nothing else writes to the peer.
    virtual void writeFromAnyThread(const QByteArray &bytes) = 0;

signals:
    void bytesArrived();

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
