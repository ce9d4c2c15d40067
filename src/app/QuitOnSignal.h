#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into an orderly quit of the event loop, so that the exit save still runs when
// the program is stopped from a terminal or by the start script.
class QuitOnSignal : public QObject
{
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

private:
    void handleSignal();

    QSocketNotifier *notifier = nullptr;
};
