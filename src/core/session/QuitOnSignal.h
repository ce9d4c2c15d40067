#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into an orderly quit of the event loop, so that the program's exit work (the
// configuration save of the tool, the state file of the simulator) still runs when it is stopped from a
// terminal or by the start script. A service may take SIGHUP as well, as the word to re-read its files.
class QuitOnSignal : public QObject
{
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

    // From now on SIGHUP is told by SGL_HangUp instead of ending the program.
    void catchHangUp();

signals:
    void SGL_HangUp();

private:
    void handleSignal();

    QSocketNotifier *notifier = nullptr;
    bool hangUpCaught = false;
};
