#include "DevicePeer.h"

#include <QElapsedTimer>
#include <QTest>

DevicePeer::DevicePeer(QObject *parent) : QObject(parent) {}

qint64 DevicePeer::clockNs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed();
}

bool DevicePeer::waitForCommands(int count, int timeoutMs)
{
    return QTest::qWaitFor([this, count] { return complete.size() >= count; }, timeoutMs);
}

void DevicePeer::reply(const QByteArray &bytes)
{
    lastReply = clockNs();
    writeToLink(bytes);
}

void DevicePeer::takeIncoming(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const qint64 now = clockNs();
    received += bytes;
    partial += bytes;
    int end;
    while ((end = partial.indexOf('\r')) >= 0) {
        complete.append({partial.left(end + 1), now});
        partial.remove(0, end + 1);
    }
}
