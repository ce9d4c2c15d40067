#pragma once

#include "link/TrafficRecord.h"
#include "protocol/ReplyRule.h"

#include <QByteArray>
#include <QMutex>

#include <atomic>
#include <deque>

// One queued item: a copy of the bytes and the rule that goes with them (receive-queue entries carry an
// empty rule, and the id of the command they released, 0 for none, with its round trip), and the id the
// session gave a command (0 when it gave none).
struct QueueEntry
{
    QByteArray data;
    ReplyRule rule;
    quint64 id = 0;
    quint64 answers = 0;
    qint32 roundTripUs = 0;
};

// A command that ended without a reply line: written (it awaits none) or left without reply in time.
struct CommandEnd
{
    enum Kind
    {
        Written,
        TimedOut
    };
    quint64 id = 0;
    Kind kind = Written;
};

// A FIFO of entries. `present` is false while the channel is closed: entries offered then are dropped.
// `length` follows the number of entries (set by every change, under the queue's lock) so that it can be
// read without taking the lock: the transport asks it before a send attempt and never waits on the lock.
struct CommandQueue
{
    std::deque<QueueEntry> entries;
    bool present = false;
    std::atomic<int> length{0};

    bool isEmpty() const { return entries.empty(); }
    void lengthChanged() { length = int(entries.size()); }
};

constexpr int LineBufferSize = 1024;
// Most entries a queue holds; beyond it the oldest are dropped (a device or a GUI that cannot keep up must
// not make the program grow without bound).
constexpr int MaxQueuedEntries = 10000;
// Most received lines waiting for the GUI thread. Kept small, so that a reply that comes while a device
// floods the link faster than the GUI can show the lines waits behind a fraction of a second of them.
constexpr int MaxQueuedLines = 500;

// The queues of one transport. The GUI thread appends commands under `sendLock` (blocking); the transport
// looks at the queue's length without the lock and takes the next command under it; the transport appends
// reply lines under `recvLock` (blocking) and the GUI thread drains them with tryLock(0). No code holds both
// locks at once. The current rule and the line buffer belong to the transport thread.
struct LinkChannel
{
    QMutex sendLock;
    CommandQueue sendQueue;
    QMutex recvLock;
    CommandQueue recvQueue;
    ReplyRule currentRule;
    char lineBuffer[LineBufferSize] = {};
    quint32 lineLength = 0;
    // Set while the rest of an overlong line (one that did not fit the line buffer) is being skipped.
    bool skippingOverlongLine = false;
    std::atomic<quint8> isOpen{0};

    // What happened on the link, oldest first, until the session takes it for its traffic log. The transport
    // appends under `trafficLock` only while `recordTraffic` is set; opening and closing leave it alone, so
    // the last lines of a closed link still reach the log.
    QMutex trafficLock;
    std::deque<TrafficRecord> traffic;
    std::atomic<bool> recordTraffic{true};
    // Set by the transport when it announces reply lines, cleared by the GUI thread before it takes them: a
    // device that streams lines makes one notice wait at a time, not one per line.
    std::atomic<bool> lineNoticePending{false};

    // The commands that ended without a reply line, oldest first, until the session takes them (kept whether
    // or not traffic is recorded). A command ended by a reply is named by that line's entry.
    QMutex endLock;
    std::deque<CommandEnd> ended;
};

// Appends a copy of `bytes` with a copy of `rule` (or, without rule, an empty rule whose waitMs is
// `waitMs`). Does nothing for a null lock or queue, empty bytes or a queue of a closed channel (false). A
// full queue drops its oldest entry first; *dropped is then its id.
bool enqueueEntry(const QByteArray &bytes, const ReplyRule *rule, quint32 waitMs, QMutex *lock,
                  CommandQueue *queue, quint64 id = 0, quint64 *dropped = nullptr);
// Appends a received line that released the command `answers` (0: none). For a closed channel nothing. A
// full queue (MaxQueuedLines) first drops its oldest line that released nothing: a device's unsolicited
// lines go before the replies to the tool's commands.
void enqueueLine(const QByteArray &line, quint64 answers, qint32 roundTripUs, QMutex *lock,
                 CommandQueue *queue);
// Notes a command that ended without a reply line, and takes every such note at once.
void noteCommandEnd(LinkChannel *channel, quint64 id, CommandEnd::Kind kind);
std::deque<CommandEnd> takeCommandEnds(LinkChannel *channel);
// Removes the oldest entry, if any. The caller holds the queue's lock.
void popFrontEntry(CommandQueue *queue);
// Takes every entry out of the queue at once (the caller holds the lock).
std::deque<QueueEntry> takeAllEntries(CommandQueue *queue);

// Appends a traffic record (a full list drops its oldest record first), and takes every record at once.
void appendTraffic(LinkChannel *channel, TrafficRecord &&record);
std::deque<TrafficRecord> takeTraffic(LinkChannel *channel);

// Opens the channel with empty queues, a cleared rule and an empty line buffer; an open channel is left as
// it is. Returns the open flag (0 only for a null channel).
quint8 openChannel(LinkChannel *channel);
// Discards every queued command and reply line and clears the rule and line buffer; closed channels are
// left alone.
void closeChannel(LinkChannel *channel);
