#pragma once

#include "link/TrafficRecord.h"
#include "protocol/ReplyRule.h"

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <vector>

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

using ReceivedLines = std::deque<ReceivedLine>;
using TrafficRecords = std::deque<TrafficRecord>;
Q_DECLARE_METATYPE(ReceivedLines)
Q_DECLARE_METATYPE(TrafficRecords)

constexpr int LineBufferSize = 1024;
// Most commands a session keeps queued; beyond it the oldest are dropped (a caller that queues faster than
// the device answers must not make the program grow without bound).
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
//
// Everything it is told is a call and everything it reports a signal carrying its data, so that its session
// may live on another thread (the window's links run on a link thread of their own) and reach it by queued
// calls only; it shares nothing with anyone.
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

    // Queues `entry` and lets it go after its gap once the link is free; ignored for empty bytes or a link
    // that has ended. Its bytes must be its own (not wrapping a buffer of the caller's).
    void enqueue(const QueueEntry &entry);
    // Takes back the commands of `ids` not yet written (a restart holds them, an operator's request goes
    // before watch reads, a full queue drops its oldest).
    void withdraw(const std::vector<quint64> &ids);
    // The session is ready for more lines: every line received since the last linesArrived() comes now (or
    // the next line as it is reported).
    void wantLines();
    // Traffic records are kept from now on (or no longer).
    void setRecording(bool on) { recording = on; }

    // Seams for tests that drive the link step by step: a gap of 0 writes at once; trySend() lets the first
    // queued command go if the link is free; expireReplyWait() ends the wait for the reply as its time-out
    // does.
    void setGapMs(int ms) { gapMs = ms; }
    void trySend();
    void expireReplyWait() { replyWaitOver(); }

signals:
    void opened(bool ok, int errorCode, const QString &reason, bool localCause);
    // The open link failed for good; it has ended.
    void lost(int errorCode, const QString &reason);
    // What happened on the link, as it was stamped when it happened (while recording is on). Always reported
    // before the signal of the step that recorded it; the last records of a link come as it ends.
    void trafficRecorded(const TrafficRecords &records);
    // The command `id` was written (Latin-1 text).
    void written(quint64 id, const QString &text);
    // Lines were received. The next come once the session wants them (wantLines()), but the last lines of a
    // lost link always come before lost().
    void linesArrived(const ReceivedLines &lines);
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
    void reportTraffic();
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
    ReceivedLines received;
    // Lines were handed on and the session has not asked for more yet.
    bool linesNoticed = false;
    TrafficRecords traffic;
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
