#pragma once

#include "link/TrafficRecord.h"
#include "protocol/ReplyRule.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

class LinkPort;

// A command waiting to be written: a copy of its bytes, its reply rule and the id the session gave it (0
// when it gave none).
struct QueueEntry
{
    QByteArray data;
    ReplyRule rule;
    quint64 id = 0;
};

// A complete line from the device (CR included), with the id of the command it released (0: none) and that
// command's round trip.
struct ReceivedLine
{
    QByteArray data;
    quint64 answers = 0;
    qint32 roundTripUs = 0;
};

constexpr int LineBufferSize = 1024;
// Most commands the queue holds; beyond it the oldest are dropped (a caller that queues faster than the
// device answers must not make the program grow without bound).
constexpr int MaxQueuedEntries = 10000;
// Most received lines waiting for the session. Kept small, so that a reply that comes while a device floods
// the link faster than the session hands the lines on waits behind a fraction of a second of them.
constexpr int MaxQueuedLines = 500;

// One link to one device, as a state machine on the thread it lives on (that of its session): it writes the
// queued commands one at a time, each after a 50 ms gap (a precise timer, never early), assembles the
// device's bytes into lines, matches them against the reply rule of the command in flight, and times out the
// reply (match timer) or holds the link for the pause after a command without reply (wait timer). Nothing
// here blocks or waits: the port opens on its own and every step is a timer or a signal of the device.
//
// Idle -> Gap (a command is queued) -> AwaitingReply (written; a reply is expected) or Pausing (written;
// none is) -> Idle (released by its reply, timed out, pause over). Opening comes before the first Idle,
// Ended after a failed open, a loss or close(). Every report is a signal of this thread; a receiver may
// close the link from inside any of them, and nothing of the closed link is reported after that.
class LinkTransport : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Unopened,
        Opening,
        Idle,
        Gap,
        AwaitingReply,
        Pausing,
        Ended
    };

    explicit LinkTransport(QObject *parent = nullptr);
    ~LinkTransport() override;

    // Opens the link through `port`, which it takes over; the result comes as opened(). Commands queued
    // before the link is up are written once it is (and dropped if it never comes up).
    void open(LinkPort *port);
    // Ends the link: the port is released, the timers stop, queued commands and unread lines are dropped
    // and nothing more is reported.
    void close();
    State state() const { return current; }

    // Appends a copy of `bytes` with its rule and id; false (nothing queued) for empty bytes or a link that
    // has ended. A full queue drops its oldest command first; *dropped is then its id.
    bool enqueue(const QByteArray &bytes, const ReplyRule &rule, quint64 id, quint64 *dropped);
    // The commands not yet written, oldest first; the session takes some back (a restart holds them, an
    // operator's request goes before watch reads).
    std::deque<QueueEntry> &queue() { return sendQueue; }
    const std::deque<QueueEntry> &queue() const { return sendQueue; }
    // Lets the first queued command go (after its gap) if the link is free.
    void trySend();
    // Takes every line received and not yet taken; the next line comes with a new linesArrived().
    std::deque<ReceivedLine> takeLines();
    // Takes what happened on the link since it was last taken, as it was stamped when it happened. Kept
    // whether or not the session asks for it while `recording` is on; the last records of an ended link
    // stay until taken.
    std::deque<TrafficRecord> takeTraffic();
    void setRecording(bool on) { recording = on; }

    // Seams for tests that drive the link step by step: a gap of 0 writes at once; expireReplyWait() ends the
    // wait for the reply as its time-out does.
    void setGapMs(int ms) { gapMs = ms; }
    void expireReplyWait() { replyWaitOver(); }

signals:
    void opened(bool ok, int errorCode, const QString &reason, bool localCause);
    // The open link failed for good; it has ended.
    void lost(int errorCode, const QString &reason);
    // A command was written (Latin-1 text).
    void written(const QString &text);
    // Lines were received; take them with takeLines().
    void linesArrived();
    // A command ended without a reply line: written (it awaits none) or left without reply in time.
    void commandEnded(quint64 id, bool timedOut);
    // No matching reply came in time for `cmd` (only for rules that report their time-out).
    void replyTimedOut(const QString &cmd);
    // The link holds back the following commands for `ms` (only pauses longer than 0 ms are reported).
    void pauseStarted(int ms);
    void pauseEnded();

private:
    bool isUp() const;
    void portOpened(bool ok, int errorCode, const QString &reason, bool localCause);
    void portLost(int errorCode, const QString &reason);
    void gapOver();
    void replyWaitOver();
    void pauseOver();
    void write(QueueEntry &&entry);
    // Reads every byte the device and the system hold, processing them.
    void takeWaitingBytes();
    void receive();
    void announceLines();
    void processChunk(const QByteArray &chunk);
    void completeLine();
    bool lineMatchesRule() const;
    void record(TrafficRecord &&entry);
    QTimer *preciseTimer(void (LinkTransport::*slot)());

    State current = State::Unopened;
    LinkPort *port = nullptr;
    // Changes when the link ends, so that a step can tell that a receiver ended it meanwhile.
    quint32 generation = 0;
    int gapMs;
    QTimer *gapTimer;
    QTimer *matchTimer;
    QTimer *waitTimer;

    std::deque<QueueEntry> sendQueue;
    std::deque<ReceivedLine> received;
    bool linesNoticed = false;
    std::deque<TrafficRecord> traffic;
    bool recording = true;
    bool receiving = false;
    // A line of the receive in progress released the command in flight.
    bool released = false;
    bool linesToAnnounce = false;
    // Lines wait for the write that their release let go.
    bool linesAfterWrite = false;

    // The command in flight, its rule, id and when it was written; its text for a reported time-out.
    ReplyRule rule;
    QByteArray inFlightCommand;
    quint64 inFlightId = 0;
    qint64 writtenAtUs = 0;
    QString timeoutText;
    bool pauseAnnounced = false;

    // The line being assembled, at most LineBufferSize bytes.
    QByteArray line;
    // Set while the rest of an overlong line (one that did not fit the line buffer) is being skipped.
    bool skippingOverlongLine = false;
};
