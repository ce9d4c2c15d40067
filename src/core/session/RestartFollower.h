#pragma once

#include "session/LinkTarget.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

// The seconds a countdown shows for what is left of a wait: whole seconds, rounded up.
inline int wholeSeconds(qint64 ms)
{
    return int((ms + 999) / 1000);
}

// Follows the device through a planned restart (factory reset, new link parameters) for the link session:
// the link is opened again once a second, in turn with each of the targets, and the device is asked for
// its model, until the model reply comes or the limit (60 s) has passed. While it follows, the session
// hands it the reports of the link; those of the attempts (failed connects, losses, the unanswered model
// query, stray lines) go no further.
class RestartFollower : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        // Opens the link again with the target, which stays the active link.
        std::function<void(const LinkTarget &)> dial;
        // Closes the connection of the attempt, the link staying the active one.
        std::function<void()> hangUp;
        // Asks the device for its model on the link just opened.
        std::function<void()> probe;
    };

    static constexpr int DefaultLimitMs = 60000;

    explicit RestartFollower(Hooks hooks, QObject *parent = nullptr);

    void setLimit(int ms) { limitMs = ms; }
    int limit() const { return limitMs; }
    // Follows the restart from now on.
    void start(const QList<LinkTarget> &targets);
    // Follows it once `command` has been written and the link then dropped or ended the pause after it.
    void startAfter(const QByteArray &command, const QList<LinkTarget> &targets);
    // Forgets the restart (the link was closed).
    void stop();

    // Reports of the link; true when they belong to the restart and go no further.
    bool takeConnectStatus(bool status);
    bool takeLoss();
    bool takeReplyTimeout();
    bool takeLine(const QByteArray &line);
    void lineSent(const QString &text);
    void pauseEnded();

signals:
    // Whole seconds left to wait for the device: when following begins and once a second.
    void waiting(int seconds);
    // The device answered the model query (true), or the limit passed without an answer (false).
    void over(bool back);

private:
    enum class State
    {
        Idle,
        Armed,
        Following
    };

    void begin();
    void tick();
    void dialNext();
    void finish(bool back);

    Hooks hooks;
    State state = State::Idle;
    int limitMs = DefaultLimitMs;
    QList<LinkTarget> targets;
    QByteArray trigger;
    bool triggerWritten = false;
    int attempts = 0;
    bool attemptRunning = false;
    bool probing = false;
    QDeadlineTimer deadline;
    QTimer ticker;
};
