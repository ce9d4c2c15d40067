#include "session/LinkHealth.h"

#include "session/LinkSession.h"

#include <algorithm>

namespace {
// The longest a change waits before it is announced (several changes make one notice).
constexpr int NoticeDelayMs = 200;
} // namespace

LinkHealth::LinkHealth(LinkSession &linkSession, QObject *parent) : QObject(parent), session(linkSession)
{
    notice.setSingleShot(true);
    notice.setInterval(NoticeDelayMs);
    connect(&notice, &QTimer::timeout, this, &LinkHealth::SGL_HealthChanged);
    seen = session.traffic().endSequence();
    connect(&session, &LinkSession::SGL_TrafficRecorded, this, &LinkHealth::takeRecords);
    connect(&session, &LinkSession::SGL_ConnectStatus, this, [this](quint32, bool status, int) {
        if (status)
            restart();
        changed();
    });
    connect(&session, &LinkSession::SGL_LinkClosed, this, [this] {
        restart();
        changed();
    });
    // A device that stops answering is shown at once.
    connect(&session.watch(), &DeviceWatch::SGL_AnsweringChanged, this, &LinkHealth::SGL_HealthChanged);
    connect(&session.watch(), &DeviceWatch::SGL_Confirmed, this, &LinkHealth::changed);
}

void LinkHealth::restart()
{
    takeRecords();
    roundTripCount = 0;
    nextRoundTrip = 0;
    lastLineUs = -1;
    timeouts = 0;
}

void LinkHealth::takeRecords()
{
    const TrafficRing &ring = session.traffic();
    for (quint64 sequence = ring.keptFrom(seen); sequence < ring.endSequence(); ++sequence) {
        const TrafficRecord &record = ring.at(sequence);
        if (record.kind == TrafficRecord::TimedOut) {
            ++timeouts;
        } else if (record.kind == TrafficRecord::Received) {
            lastLineUs = record.monotonicUs;
            if (record.answersCommand()) {
                roundTrips[std::size_t(nextRoundTrip)] = record.roundTripUs;
                nextRoundTrip = (nextRoundTrip + 1) % RoundTripWindow;
                roundTripCount = std::min(roundTripCount + 1, RoundTripWindow);
            }
        }
    }
    seen = ring.endSequence();
    changed();
}

void LinkHealth::changed()
{
    if (!notice.isActive())
        notice.start();
}

LinkHealth::Reading LinkHealth::reading() const
{
    Reading r;
    r.linkType = session.linkType();
    if (r.linkType == 0)
        return r;
    r.address = session.peerAddress();
    r.baudRate = session.peerBaudRate();
    if (roundTripCount > 0) {
        std::array<qint32, RoundTripWindow> sorted = roundTrips;
        const auto end = sorted.begin() + roundTripCount;
        std::nth_element(sorted.begin(), sorted.begin() + roundTripCount / 2, end);
        r.medianRoundTripUs = sorted[std::size_t(roundTripCount / 2)];
    }
    if (lastLineUs >= 0)
        r.lastLineAgeMs = (monotonicNowUs() - lastLineUs) / 1000;
    r.timeouts = timeouts;
    r.waiting = session.queuedCount();
    r.answering = session.watch().isAnswering();
    r.confirmedAgoMs = session.watch().confirmedAgoMs();
    return r;
}
