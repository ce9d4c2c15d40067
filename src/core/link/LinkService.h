#pragma once

#include "link/LinkChannel.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <vector>

class QEventLoop;
class QIODevice;

// What the serial and the TCP transport have in common: the send step (one command in flight, a 50 ms gap
// before every write), the assembly of reply lines into the channel's line buffer, the matching of reply
// lines against the current reply rule, the match timer (reply time-out) and the wait timer (pause after a
// command without reply). A transport adds its device, its connect and disconnect, and declares the signals
// and slots under its own names; it routes them here through the announce...() hooks and the protected
// operations.
//
// Everything runs in the transport's worker thread. The 50 ms gap runs a local event loop, so bytes, timers
// and further requests are handled inside it; the operations below stay consistent under that re-entrancy:
// - a nested send request returns at once: the step waiting in its gap sends;
// - the queue's lock is held only while the queue itself is read or changed, never through the gap, so the
//   GUI thread never waits for the link;
// - a receive matches each line against the command in flight when the line came, and lets the next
//   command go only once all bytes read so far are processed; bytes that come during the gap are processed
//   then, before the write, so they can never release the command written after them;
// - a connect or disconnect request that arrives while one of these operations runs is held back until the
//   outermost one has returned (it would otherwise free the device or the timers under it); a held-back
//   request ends the gap early and cancels the write.
class LinkService : public QObject
{
    Q_OBJECT

public:
    ~LinkService() override;

    // The queues this transport works; the GUI side appends commands and takes reply lines here.
    LinkChannel &linkChannel() { return channel; }
    // Drops every queued command and unread reply line (a link that failed to open or was closed before
    // it came up). Only from the transport's thread, or while that thread is stopped.
    void discardQueued();

signals:
    // The link holds back the following commands for `ms` after a command that expects no reply.
    void SGL_PauseStarted(int ms);
    void SGL_PauseEnded();
    // The open link failed for good (connection closed or timed out, port gone); it is stopped already and
    // waits for the disconnect. Emitted once per link with the device's error code and the system's text.
    void SGL_LinkLost(int ErrorCode, const QString &reason);
    // Commands ended without a reply line (written, or left without reply): the channel names them.
    void SGL_CommandsEnded();

protected:
    LinkService();

    // The transport's device; null while no link exists.
    virtual QIODevice *linkDevice() const = 0;
    // Emit the transport's signals of the same meaning.
    virtual void announceTryCheckSend() = 0;
    virtual void announceReceivedLine() = 0;
    virtual void announceSentData(const QString &text) = 0;
    virtual void announceReplyTimeout(const QString &cmd) = 0;

    // Creates the single-shot match and wait timers and connects them to the transport's time-out slots.
    template <class Service> void createTimers(Service *service)
    {
        matchTimer = newSingleShotTimer();
        waitTimer = newSingleShotTimer();
        connect(matchTimer, &QTimer::timeout, service, &Service::SLT_MatchTimer_Timeout);
        connect(waitTimer, &QTimer::timeout, service, &Service::SLT_WaitTimer_Timeout);
    }
    void deleteTimers();

    // Marks the link as up after a successful connect: channel open, link free, no error.
    void beginLink();
    // Stops sending and the timers without freeing anything (the device is gone; the disconnect frees).
    void haltLink();
    // Stops a link that is up and reports it lost (nothing when it is not up).
    void loseLink(int errorCode, const QString &reason);
    // Ends the link: stops and deletes the timers and closes the channel (queued commands and unread reply
    // lines are discarded).
    void endLink();

    // Runs a connect or disconnect now, or, while a send step, a receive or a timer slot is running, once the
    // outermost of them has returned. Requests run in the order they came.
    void runLinkChange(std::function<void()> change);
    // True while a connect or disconnect waits for the running operations to return.
    bool linkChangePending() const { return !deferredChanges.empty(); }

    // The send step: writes the first queued command if the link is free, after the gap.
    void sendStep();
    // Reads every available byte and processes it.
    void receiveAvailable();
    // Reply time-out and pause end.
    void matchTimeout();
    void waitTimeout();

    // Counts the service's running operations (send, receive, timer and error slots).
    class ActiveScope
    {
    public:
        explicit ActiveScope(LinkService &service);
        ~ActiveScope();
        ActiveScope(const ActiveScope &) = delete;
        ActiveScope &operator=(const ActiveScope &) = delete;

    private:
        LinkService &service;
    };

    LinkChannel channel;
    // The gap before every write (50 ms; a test harness that drives the service without a device may
    // shorten it).
    int gapBeforeWriteMs;
    quint8 connected = 0;
    quint8 connectResult = 0;
    quint8 waitingReply = 0;
    QTimer *matchTimer = nullptr;
    quint8 pausing = 0;
    // Whether the running pause was announced (only pauses longer than 0 ms are).
    bool pauseAnnounced = false;
    QTimer *waitTimer = nullptr;
    QString lastCommand;

    // The command written last, its id and when it was written: the traffic record of the line that
    // releases it names it with its round trip, that of a time-out names it too.
    QByteArray inFlightCommand;
    quint64 inFlightId = 0;
    qint64 writtenAtUs = 0;

private:
    QTimer *newSingleShotTimer();
    // Waits `ms` while processing the thread's events; false when the wait was cut short (thread quitting,
    // connect or disconnect request).
    bool delayWithEvents(int ms);
    bool hasQueuedCommand();
    void writeEntry(const QueueEntry &entry);
    void processChunk(const QByteArray &chunk);
    void completeLine();
    bool lineMatchesCurrentRule() const;
    void clearLineBuffer();
    void runDeferredChanges();
    // Hands the record to the session's traffic log when the session asks for one.
    void recordTraffic(TrafficRecord &&record);

    int activeDepth = 0;
    bool receiving = false;
    // Set while a send step waits in its gap.
    bool sendStepRunning = false;
    // What the receive in progress has found: a line that released the command in flight, and whether
    // lines are to be announced when it is done.
    bool releasePending = false;
    bool linesToAnnounce = false;
    // Changes with every connect and disconnect, so that an operation can tell that the link it started on
    // is gone.
    quint32 generation = 0;
    QEventLoop *gapLoop = nullptr;
    std::vector<std::function<void()>> deferredChanges;
};
