// The link's receive path against a scripted device: the input is a list of steps (queue a command, bytes
// arrive, the reply time runs out, a send request). Every reply line handed on is at most 1024 bytes and
// ends with CR, each release frees one written command, bytes that arrived together release at most the
// command in flight when they came, and no byte that arrived before a write is left unread when the write
// happens (it could release the command written after it).

#include "FuzzCheck.h"
#include "link/LinkPort.h"
#include "link/LinkTransport.h"
#include "protocol/ReplyRule.h"

#include <QCoreApplication>
#include <QIODevice>

#include <cstdint>
#include <utility>

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

// The link's port on the scripted device.
class ScriptedPort : public LinkPort
{
public:
    ScriptedDevice scripted;

    ScriptedPort()
    {
        scripted.open(QIODevice::ReadWrite);
        connect(&scripted, &QIODevice::readyRead, this, &LinkPort::readyRead);
    }
    void open() override {}
    void comeUp() { emit opened(true, 0, QString(), false); }
    QIODevice *device() const override { return const_cast<ScriptedDevice *>(&scripted); }
    void write(const QByteArray &bytes) override { scripted.write(bytes); }
    void shutDown() override {}

protected:
    qintptr descriptor() const override { return -1; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const QByteArray keywords[] = {"OUT HDCP", "MULTIVIEW", "EDID-USER OK", "VERSION"};

    LinkTransport link;
    link.setGapMs(0);
    auto *port = new ScriptedPort;
    link.open(port);
    port->comeUp();
    int writes = 0;
    int releases = 0;
    QObject::connect(&link, &LinkTransport::written, [port, &writes] {
        FUZZ_CHECK(port->scripted.consumed == port->scripted.delivered);
        ++writes;
    });
    ReceivedLines handed;
    QObject::connect(&link, &LinkTransport::linesArrived, [&handed](const ReceivedLines &lines) {
        handed.insert(handed.end(), lines.begin(), lines.end());
    });
    quint64 lastId = 0;
    size_t i = 0;
    while (i < size) {
        const uint8_t op = data[i++];
        int releasedNow = 0;
        const auto takeLines = [&] {
            link.wantLines();
            for (const ReceivedLine &line : std::exchange(handed, {})) {
                FUZZ_CHECK(line.data.size() <= 1024 && line.data.endsWith('\r'));
                releasedNow += line.answers != 0 ? 1 : 0;
            }
        };
        switch (op % 4) {
        case 0: {
            const QByteArray &keyword = keywords[(op >> 2) % 4];
            link.enqueue({"GET " + keyword + '\r', defaultReplyRule(keyword), ++lastId});
            break;
        }
        case 1: {
            // Bytes that arrive together came before any later write: they can release at most the one
            // command in flight when they came.
            const size_t length = qMin<size_t>(op >> 2, size - i);
            port->scripted.arrive(QByteArray(reinterpret_cast<const char *>(data) + i, int(length)));
            takeLines();
            FUZZ_CHECK(releasedNow <= 1);
            i += length;
            break;
        }
        case 2:
            link.expireReplyWait();
            break;
        default:
            link.trySend();
            break;
        }
        takeLines();
        releases += releasedNow;
        FUZZ_CHECK(releases <= writes);
    }
    return 0;
}
