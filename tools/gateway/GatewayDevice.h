#pragma once

#include "GatewayConfig.h"

#include "session/LinkSession.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

class SetupReader;

// How the link of a device held by the gateway is doing, the same words on every interface.
enum class LinkState
{
    Connecting,   // dialling, before the first answer
    Syncing,      // linked, its values not read yet
    Up,           // linked, read and watched
    NotAnswering, // a watch read went without reply
    Frozen,       // the link holds but nothing has answered several reads in a row
    Restarting,   // the device restarts on purpose (a factory reset); followed until it is back
    Down          // no link: refused, lost or not reachable; dialled again after a while
};

const char *linkStateName(LinkState state);

// How the commands sent to a device ended since the gateway started, and how long its replies took.
struct DeviceStats
{
    // The upper bounds of the reply time buckets, in seconds; one more bucket holds the slower ones.
    static constexpr std::array<double, 9> Bounds = {0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5};

    quint64 answered = 0;
    quint64 timedOut = 0;
    quint64 dropped = 0;
    quint64 linkEnded = 0;
    std::array<quint64, Bounds.size() + 1> buckets{};
    double replySeconds = 0;

    void count(LinkReply::Outcome outcome, qint32 roundTripUs);
};

// One device of the gateway: its link session, kept open, identified, read and watched, and dialled again
// with a growing pause (1 s, doubling to 30 s) whenever it drops. The changes asked of it through the
// gateway run one at a time, in the order they came, from a bounded queue.
class GatewayDevice : public QObject
{
    Q_OBJECT

public:
    static constexpr int FirstRetryMs = 1000;
    static constexpr int LastRetryMs = 30000;
    static constexpr std::size_t JobLimit = 16;

    // A change the device is to make: started when the ones before it have ended; it calls `done` once.
    using Job = std::function<void(const std::function<void()> &done)>;

    explicit GatewayDevice(const GatewayDeviceConfig &config, QObject *parent = nullptr);
    ~GatewayDevice() override;
    GatewayDevice(const GatewayDevice &) = delete;
    GatewayDevice &operator=(const GatewayDevice &) = delete;

    void start();
    // Closes the link; nothing is dialled again.
    void stop();
    // Stops for good with `reason` told as its state: the changes waiting are answered as for a device that
    // is down, and the device deletes itself once the last has ended.
    void retire(const QString &reason);
    // Takes the name the device file now gives; the link stays as it is.
    void rename(const QString &name)
    {
        settings.link.name = name;
        summaryText.clear();
    }
    // The API's summary of the device as last written, kept until anything in it changes (empty then): a
    // list of hundreds of devices is mostly made of ones that did not change since it was asked last.
    const QByteArray &keptSummary() const { return summaryText; }
    void keepSummary(const QByteArray &text) const { summaryText = text; }

    const GatewayDeviceConfig &config() const { return settings; }
    const QString &id() const { return settings.id; }
    LinkSession &session() { return link; }
    const LinkSession &session() const { return link; }

    LinkState state() const { return current; }
    QString reason() const { return why; }
    QDateTime since() const { return changedAt; }
    // Whether its values were read and may be written: up or not answering (a write may still get through).
    bool isUsable() const { return current == LinkState::Up || current == LinkState::NotAnswering; }
    // The model (ModelIndex) as the device named it last; NoModel before it was identified.
    quint32 model() const;
    // When a value last changed on the device by another hand than the gateway's; invalid before that.
    QDateTime lastChange() const { return lastChangeAt; }
    int reconnects() const { return redials; }
    const DeviceStats &stats() const { return counted; }

    // Queues a job asked by `by` (the name its changes go by); false when JobLimit jobs already wait.
    bool enqueue(const Job &job, const QString &by);
    // Who asked the job that runs now; empty when none runs.
    const QString &changer() const { return changerName; }
    // Follows the restart the command queued last brings (a factory reset).
    void followRestart();

signals:
    void SGL_StateChanged(LinkState state, const QString &reason);

private:
    // Closes the link for good (until started again), down for `reason`.
    void halt(const QString &reason);
    void dial();
    void connected(bool ok, const QString &reason);
    void synced();
    // The link ended (refused, lost, given up): it is closed and dialled again after the pause.
    void drop(LinkState state, const QString &reason);
    void setState(LinkState state, const QString &reason);
    void runNextJob();

    GatewayDeviceConfig settings;
    LinkSession link;
    std::unique_ptr<SetupReader> reader;
    LinkState current = LinkState::Down;
    QString why;
    QDateTime changedAt;
    QDateTime lastChangeAt;
    QTimer retry;
    int retryMs = FirstRetryMs;
    int redials = 0;
    DeviceStats counted;
    bool running = false;
    std::deque<std::pair<Job, QString>> jobs;
    QString changerName;
    bool jobRunning = false;
    bool retiring = false;
    mutable QByteArray summaryText;
};
