#pragma once

#include "protocol/Request.h"
#include "session/DeviceModel.h"
#include "session/DeviceWatch.h"
#include "session/LinkReply.h"
#include "session/LinkTarget.h"
#include "session/TrafficRing.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <vector>

class LinkThread;
class LinkTransport;
class RestartFollower;
struct QueueEntry;
struct ReceivedLine;
struct TrafficRecord;

// The one door to the device link. It opens and closes the active link (a LinkTransport on the thread the
// session lives on, or on a link thread it is given: nothing of a link blocks either thread or runs a thread
// of its own; the session reaches it by calls that cross to its thread when they must), queues requests on it
// to be written in turn, tells each caller how its request ended (a LinkReply), and reports what happens on
// the link as its own signals: lines written and received, connect results, losses, reply time-outs, pauses
// and the device's planned restarts. Nothing of a link that was closed is reported after its close.
//
// It owns the device model of its link: every line received is applied to it before it is reported. It also
// keeps the traffic log: every command written, every line received (with the command it answered and the
// round trip) and every reply time-out, as the transport stamped them, in a bounded ring.
//
// Nothing of a session is process-wide: several sessions, each with its own link and device, can live in one
// process. Pages, the debug console, tools and tests reach a link only through its session.
class LinkSession : public QObject
{
    Q_OBJECT

public:
    using SerialSettings = LinkSerialSettings;

    explicit LinkSession(QObject *parent = nullptr);
    // Closes the active link.
    ~LinkSession() override;
    LinkSession(const LinkSession &) = delete;
    LinkSession &operator=(const LinkSession &) = delete;

    // Links opened from now on run on `thread` (which outlives the session) instead of the session's own
    // thread; null: on the session's thread.
    void runLinksOn(LinkThread *thread) { linkThread = thread; }

    // LinkType of the active link (0 none, 1 serial, 2 TCP client).
    quint32 linkType() const { return openType; }
    // What the session knows about the device of its link, and what keeps it up to date.
    DeviceModel &device() { return model; }
    const DeviceModel &device() const { return model; }
    DeviceWatch &watch() { return *watcher; }
    const DeviceWatch &watch() const { return *watcher; }
    // Whether nothing waits on the link: no request queued, none awaiting its end.
    bool isIdle() const { return pending.empty(); }
    // Where the active link goes (while a restart is followed: the attempt in progress).
    LinkTarget target() const { return current; }

    // Opens a link and starts connecting; the result comes as SGL_ConnectStatus, never before this returns.
    // An open link is closed first; the device is forgotten.
    void open(const LinkTarget &target);
    void openSerial(const SerialSettings &settings);
    void openTcpClient(const QString &localIp, const QString &remoteIp, const QString &remotePort);
    // Opens a link of `type` without starting its transport: requests are queued and never written. A seam
    // for tests that look at what is queued without a device.
    void openWithoutTransport(quint32 type);
    // Closes the active link (LinkType 0) at once: its connection or port is released (a serial port's
    // last close runs on the link pool), every queued command and unread reply line is discarded, a connect
    // in progress is given up.
    void closeLink();

    // The device restarts on purpose (factory reset, new link parameters): its link stays the active one
    // but is opened again once a second, in turn with each of `targets`, and asked for the device's model,
    // until the model reply comes (SGL_RestartOver true, then that reply as a received line) or the limit
    // has passed (SGL_RestartOver false; the link is left to be closed). Meanwhile SGL_RestartWait counts
    // the seconds down, and the failed attempts are not reported. followRestart begins at once;
    // followRestartAfterLastCommand once the command queued last has been written and the link then
    // dropped or ended the pause after it (a drop before that is a loss as any other).
    void followRestart(const QList<LinkTarget> &targets);
    void followRestartAfterLastCommand(const QList<LinkTarget> &targets);
    // How long a restart is followed (60 s; tests shorten it).
    void setRestartLimit(int ms);
    int restartLimit() const;
    // The longest a command queued from now on waits for its reply, and the longest pause after a busy
    // command: as its request asks (1000 ms, 10 s) unless a test shortens them.
    void setReplyTimeoutLimit(int ms);
    void setPauseLimit(int ms);

    // Queues a request on the active link, which writes it in turn. The reply tells how it ended (without a
    // link at once, as LinkEnded); null for a null request. Its id is the one its traffic records carry.
    // While a planned restart is followed, requests (and those still queued when it began) are held, and
    // queued once the device is back and identified, behind the reads its identification brings.
    LinkReply *send(const Request &request);
    // The requests held for the end of a planned restart (CR included), oldest first.
    QList<QByteArray> heldRequests() const;
    // Adds a note of the tool's own to the traffic log (a value the device changed, say).
    void addNote(const QString &text);
    // Copies of the commands waiting on the active link, oldest first, and how many there are.
    std::deque<QByteArray> queuedCommands();
    int queuedCount() const;

    // Where the link opened last leads: "host:port" or the serial port, with the baud rate for a serial link.
    QString peerAddress() const { return linkAddress; }
    QString peerBaudRate() const { return linkBaudRate; }

    // The traffic log. Recording can be switched off (it is on from the start); the ring keeps what it has.
    // Nothing but the log depends on it. The ring starts small (TrafficRing::BackgroundCapacity); a session
    // whose traffic someone reads back (the window's, a traffic log's) makes it larger.
    const TrafficRing &traffic() const { return ring; }
    void setTrafficRecording(bool on);
    void setTrafficCapacity(std::size_t records) { ring.setCapacity(records); }

signals:
    // Connect result of the link opened last: true with 0, false with the transport's error code, the
    // system's reason and whether the cause lies with this computer's address (TCP).
    void SGL_ConnectStatus(quint32 linkType, bool status, int ErrorCode, const QString &reason,
                           bool localCause);
    // The open link failed for good (connection closed, silent or failed; serial port gone); `reason` is the
    // system's text. The link is left to be closed.
    void SGL_LinkLost(quint32 linkType, int ErrorCode, const QString &reason);
    // A request was queued on the active link (CR included), with the id of its reply.
    void SGL_RequestQueued(quint64 id, const QByteArray &line);
    // A command was written (Latin-1 text, CR included).
    void SGL_LineSent(quint32 linkType, const QString &Text);
    // A complete reply line arrived (CR included); the device model has applied it.
    void SGL_LineReceived(quint32 linkType, const QByteArray &line);
    // No matching reply came in time for `cmd`.
    void SGL_ReplyTimeout(quint32 linkType, const QString &cmd);
    // The link holds back the following commands for `ms`; whole seconds left, at the start and once a
    // second; free again.
    void SGL_PauseStarted(quint32 linkType, int ms);
    void SGL_PauseLeft(quint32 linkType, int seconds);
    void SGL_PauseEnded(quint32 linkType);
    // A followed restart: whole seconds left to wait for the device, at the start and once a second; over,
    // with the device back or not.
    void SGL_RestartWait(quint32 linkType, int seconds);
    void SGL_RestartOver(quint32 linkType, bool back);
    // The active link's send queue was full and began dropping its oldest commands (reported once until it
    // has room again).
    void SGL_CommandsDropped(quint32 linkType);

    // New records were added to the traffic log (one notice for all the records taken at once).
    void SGL_TrafficRecorded();
    // The link of `linkType` was closed (everything still queued on it is gone).
    void SGL_LinkClosed(quint32 linkType);
    // The last request waiting on the link has ended.
    void SGL_Idle();
    // A request queued on the link ended (after its reply was told): how, and its round trip when answered.
    void SGL_RequestEnded(LinkReply::Outcome outcome, qint32 roundTripUs);

private:
    // Ends the active transport, if any; nothing it still had to report reaches the session.
    void dropTransport();
    // Asks a new transport to connect to `target` / ends the connection while a restart is followed.
    void dial(const LinkTarget &target);
    void hangUp();
    void wireTransport(quint32 type);
    // Runs `step` with the active transport on the transport's thread: now when that is this one, else as a
    // queued call (in order with the others).
    template <typename Step> void toLink(Step step);
    // Takes the commands of `ids` back from the active transport.
    void withdraw(std::vector<quint64> ids);
    // Queues a request on the active link at once under `id` (0: a new one); false when nothing was queued.
    bool queueCommand(const Request &request, quint64 id, LinkReply *reply);
    // While a restart is followed: the requests still queued wait for its end, with those sent meanwhile.
    void holdQueued();
    void releaseHeld();
    // An operator's request goes before the watch reads not yet written: they are taken back (as Dropped).
    void withdrawWatchReads();
    void finishReply(quint64 id, LinkReply::Outcome outcome, const QByteArray &line = QByteArray(),
                     qint32 roundTripUs = 0);
    // Ends every reply still waiting (the link ended).
    void endPendingReplies();
    void takeReceivedLines(quint32 type);
    void appendTraffic(const std::deque<TrafficRecord> &records);
    // Asks the transport for the lines it holds; false when none have come (yet).
    bool refillLines();
    void deliverLines(quint32 type);
    void startPause(quint32 type, int ms);
    void tickPause();
    void endPause(quint32 type);

    // The link of the active target; null before it is dialled and while a restart waits between attempts.
    LinkTransport *transport = nullptr;
    LinkThread *linkThread = nullptr;
    // The commands handed to the transport and not yet reported written, oldest first: what the session
    // counts as queued (the transport may be on another thread).
    std::deque<QueueEntry> queued;
    // The transport failed to open or was lost; it takes no more commands.
    bool transportEnded = false;
    // The type of the active link (LinkType may be changed by others, this may not).
    quint32 openType = 0;
    LinkTarget current;
    // Changes with every close, so that reports of a closed link are told apart.
    quint64 generation = 0;
    // Received lines taken from the transport and not yet reported; handed on a batch per turn of the event
    // loop, so that a device that floods the link never holds the session's thread for long.
    std::deque<ReceivedLine> receivedLines;
    bool deliveryPosted = false;
    bool delivering = false;
    // The command queued last (a planned restart may wait for it to be written).
    QByteArray lastQueued;
    // Whether the send queue's overflow has been reported and not yet ended.
    bool overflowReported = false;
    quint32 replyTimeoutLimitMs = std::numeric_limits<quint32>::max();
    quint32 pauseLimitMs = std::numeric_limits<quint32>::max();

    DeviceModel model;
    std::unique_ptr<DeviceWatch> watcher;
    // The replies of the commands queued and not yet ended, by command id.
    std::map<quint64, LinkReply *> pending;
    // Requests held while a planned restart is followed, with their replies; holding until they are queued.
    struct HeldRequest
    {
        Request request;
        LinkReply *reply;
    };
    std::vector<HeldRequest> held;
    bool holding = false;
    TrafficRing ring{TrafficRing::BackgroundCapacity};
    bool recording = true;
    quint64 lastCommandId = 0;
    QString linkAddress;
    QString linkBaudRate;
    QTimer pauseTicker;
    QDeadlineTimer pauseDeadline;
    std::unique_ptr<RestartFollower> follower;
};
