// The link's receive path against a scripted device: the input is a list of steps (queue a command, bytes
// arrive, the reply time runs out, a send request). Every reply line handed on is at most 1024 bytes and
// ends with CR, each release frees one written command, bytes that arrived together release at most the
// command in flight when they came, and no byte that arrived before a write is left unread when the write
// happens (it could release the command written after it).

#include "FuzzCheck.h"
#include "link/LinkService.h"
#include "protocol/ReplyRule.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QMutexLocker>

#include <cstdint>

namespace {

// A device whose bytes the script delivers.
class ScriptedDevice : public QIODevice
{
public:
    QByteArray pending;
    qint64 delivered = 0;
    qint64 consumed = 0;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return pending.size() + QIODevice::bytesAvailable(); }
    void arrive(const QByteArray &bytes)
    {
        pending += bytes;
        delivered += bytes.size();
        emit readyRead();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin<qint64>(maxSize, pending.size());
        memcpy(data, pending.constData(), size_t(n));
        pending.remove(0, int(n));
        consumed += n;
        return n;
    }
    qint64 writeData(const char *, qint64 maxSize) override { return maxSize; }
};

class ScriptedService : public LinkService
{
    Q_OBJECT

public:
    ScriptedDevice device;
    int writes = 0;
    int releases = 0;
    bool timingOut = false;

    ScriptedService()
    {
        gapBeforeWriteMs = 0;
        device.open(QIODevice::ReadWrite);
        createTimers(this);
        connect(&device, &QIODevice::readyRead, this, [this] { receiveAvailable(); });
        beginLink();
    }
    ~ScriptedService() override { endLink(); }
    void queue(const QByteArray &keyword)
    {
        const ReplyRule rule = defaultReplyRule(keyword);
        enqueueEntry("GET " + keyword + '\r', &rule, 0, &channel.sendLock, &channel.sendQueue);
    }
    void step() { sendStep(); }
    void timeOut()
    {
        timingOut = true;
        matchTimeout();
        timingOut = false;
    }
    bool awaitingReply() const { return waitingReply; }
    QList<QByteArray> takeLines()
    {
        QList<QByteArray> lines;
        QMutexLocker locker(&channel.recvLock);
        for (QueueEntry &entry : takeAllEntries(&channel.recvQueue))
            lines << entry.data;
        return lines;
    }

public slots:
    void SLT_MatchTimer_Timeout() {}
    void SLT_WaitTimer_Timeout() { waitTimeout(); }

protected:
    QIODevice *linkDevice() const override { return const_cast<ScriptedDevice *>(&device); }
    void announceTryCheckSend() override
    {
        if (!timingOut)
            ++releases;
        sendStep();
    }
    void announceReceivedLine() override {}
    void announceSentData(const QString &) override
    {
        FUZZ_CHECK(device.consumed == device.delivered);
        ++writes;
    }
    void announceReplyTimeout(const QString &) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const QByteArray keywords[] = {"OUT HDCP", "MULTIVIEW", "EDID-USER OK", "VERSION"};

    ScriptedService service;
    size_t i = 0;
    while (i < size) {
        const uint8_t op = data[i++];
        switch (op % 4) {
        case 0:
            service.queue(keywords[(op >> 2) % 4]);
            break;
        case 1: {
            // Bytes that arrive together came before any later write: they can release at most the one
            // command in flight when they came.
            const size_t length = qMin<size_t>(op >> 2, size - i);
            const int releasesBefore = service.releases;
            service.device.arrive(QByteArray(reinterpret_cast<const char *>(data) + i, int(length)));
            FUZZ_CHECK(service.releases - releasesBefore <= 1);
            i += length;
            break;
        }
        case 2:
            service.timeOut();
            break;
        default:
            service.step();
            break;
        }
        for (const QByteArray &line : service.takeLines())
            FUZZ_CHECK(line.size() <= 1024 && line.endsWith('\r'));
        FUZZ_CHECK(service.releases <= service.writes);
    }
    return 0;
}

#include "fuzz_linkreceive.moc"
