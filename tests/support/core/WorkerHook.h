#pragma once

#include <QObject>

#include <functional>

// Runs an action when its slot is called; connected directly to a signal of an object in another thread,
// the action runs in that thread at the moment of the emission.
class WorkerHook : public QObject
{
    Q_OBJECT

public:
    explicit WorkerHook(std::function<void()> hookAction) : action(std::move(hookAction)) {}

public slots:
    void fire() { action(); }

private:
    std::function<void()> action;
};
