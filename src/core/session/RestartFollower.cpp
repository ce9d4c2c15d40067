#include "session/RestartFollower.h"

#include "protocol/ByteHelpers.h"

#include <utility>

namespace {
constexpr int TickMs = 1000;

bool isModelReply(const QByteArray &line)
{
    static const QByteArray keyword("MODEL TYPE");
    return FindWholeWords(line.constData(), quint32(line.size()), keyword.constData(),
                          quint32(keyword.size()));
}
} // namespace

RestartFollower::RestartFollower(Hooks linkHooks, QObject *parent)
    : QObject(parent), hooks(std::move(linkHooks))
{
    ticker.setInterval(TickMs);
    connect(&ticker, &QTimer::timeout, this, &RestartFollower::tick);
}

void RestartFollower::start(const QList<LinkTarget> &next)
{
    stop();
    targets = next;
    begin();
}

void RestartFollower::startAfter(const QByteArray &command, const QList<LinkTarget> &next)
{
    stop();
    targets = next;
    trigger = command;
    state = State::Armed;
}

void RestartFollower::stop()
{
    state = State::Idle;
    ticker.stop();
    trigger.clear();
    triggerWritten = false;
    attemptRunning = false;
    probing = false;
}

void RestartFollower::begin()
{
    if (targets.isEmpty()) {
        stop();
        return;
    }
    state = State::Following;
    attempts = 0;
    deadline.setRemainingTime(limitMs);
    ticker.start();
    emit waiting(wholeSeconds(limitMs));
    dialNext();
}

void RestartFollower::tick()
{
    const qint64 left = deadline.remainingTime();
    if (left <= 0) {
        finish(false);
        return;
    }
    emit waiting(wholeSeconds(left));
    if (!attemptRunning)
        dialNext();
}

void RestartFollower::dialNext()
{
    const LinkTarget next = targets.at(attempts++ % targets.size());
    attemptRunning = true;
    probing = false;
    hooks.dial(next);
}

void RestartFollower::finish(bool back)
{
    stop();
    emit over(back);
}

bool RestartFollower::takeConnectStatus(bool status)
{
    if (state != State::Following)
        return false;
    attemptRunning = status;
    probing = status;
    if (status)
        hooks.probe();
    return true;
}

bool RestartFollower::takeLoss()
{
    if (state == State::Armed && triggerWritten) {
        begin();
        return true;
    }
    if (state != State::Following)
        return false;
    attemptRunning = false;
    probing = false;
    return true;
}

bool RestartFollower::takeReplyTimeout()
{
    if (state != State::Following)
        return false;
    // Not back yet: the next tick dials again.
    attemptRunning = false;
    probing = false;
    hooks.hangUp();
    return true;
}

bool RestartFollower::takeLine(const QByteArray &line)
{
    if (state != State::Following)
        return false;
    if (probing && isModelReply(line)) {
        finish(true);
        return false;
    }
    // What a device says while it restarts (or at a wrong line speed) is not a reply.
    return true;
}

void RestartFollower::lineSent(const QString &text)
{
    if (state == State::Armed && text.toLatin1() == trigger)
        triggerWritten = true;
}

void RestartFollower::pauseEnded()
{
    if (state == State::Armed && triggerWritten)
        begin();
}
