#pragma once

#include "protocol/Request.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

class LinkReply;
class LinkSession;

// Watches the device of a link session while the link is otherwise idle: once per interval the device's
// whole state is read again, one read at a time and only while nothing else waits on the link, so that an
// operator's command waits at most for the one read in flight. What a read finds changed, the device model
// announces as changed elsewhere. Watching rests while the link pauses, while a planned restart is
// followed, while something holds it (a setup restore) and for a while after the debug console sends.
//
// A read left without reply counts: after the first the device is not answering, after MissesToGiveUp in a
// row it is given up (the session then ends the link). A read answered again clears it.
class DeviceWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int MissesToGiveUp = 3;

    explicit DeviceWatch(LinkSession &session, QObject *parent = nullptr);

    // Seconds between the starts of two rounds of reads; 0 (as at first) turns watching off.
    void setInterval(int seconds);
    int interval() const { return intervalS; }

    // Holds watching back until released as often as held.
    void hold();
    void release();
    // Rests `ms` from now (the operator sends raw text on the debug console).
    void restFor(int ms);

    bool isAnswering() const { return misses == 0; }
    // How long ago the device's whole state was last read with every read answered; -1 before that.
    qint64 confirmedAgoMs() const;

signals:
    // The device stopped answering (a watch read went unanswered) or answers again.
    void SGL_AnsweringChanged(bool answering);
    // MissesToGiveUp watch reads in a row went unanswered.
    void SGL_GivenUp();
    // A round of reads ended with every read answered.
    void SGL_Confirmed();

private:
    // Starts watching the device identified now, or stops.
    void restart();
    void stop();
    void beginRound();
    // Sends the next read of the round when nothing else waits on the link and nothing makes watching rest.
    void step();
    void ended(const LinkReply &reply);
    bool resting() const;
    // The reads of one round, for the device as the model knows it now.
    std::vector<Request> reads() const;

    LinkSession &session;
    int intervalS = 0;
    QTimer roundTimer;
    QTimer restTimer;
    std::vector<Request> round;
    std::size_t next = 0;
    bool inFlight = false;
    bool roundMissed = false;
    int holds = 0;
    bool paused = false;
    bool restarting = false;
    int misses = 0;
    QElapsedTimer confirmed;
};
