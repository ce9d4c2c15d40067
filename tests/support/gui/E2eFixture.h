#pragma once

#include "MainWindowDriver.h"
#include "core/SimDevice.h"

#include <QJsonObject>
#include <QJsonValue>

// The end-to-end tests' main window and simulated device; a test class derives from QObject and from this.
class E2eFixture
{
public:
    static constexpr int SyncTimeoutMs = 15000;
    static constexpr int ReplyTimeoutMs = 5000;
    // A resolution change or a reset holds the next command back for 10 s; this is that pause with a margin.
    static constexpr int PausedTimeoutMs = 20000;
    // The waits of a window made after shortenNextWaits().
    static constexpr int ShortReplyTimeoutMs = 300;
    static constexpr int ShortPauseMs = 1000;

protected:
    // Starts a fresh window and device (seeded when `seed` is not empty, with the simulator options `extra`),
    // presses connect (over the device's serial line with `serial`, else over TCP) and, with `synchronised`,
    // waits for the end of the synchronisation and for the reads it led to.
    bool connectTo(const QString &model, const QJsonObject &seed = {}, const QStringList &extra = {},
                   bool serial = false, bool synchronised = true);
    void closeSession();
    // The next window that connectTo makes waits less, for checks of what follows a wait rather than of the
    // wait itself: a reply is given up after ShortReplyTimeoutMs, a busy command pauses ShortPauseMs.
    void shortenNextWaits() { shortWaits = true; }
    // Waits until the link is idle after everything the window asked (false when it does not settle).
    bool settled();

    // Requests received so far; waiting until the device received exactly `expected` after the first `from`.
    int mark() { return sim->requests().size(); }
    bool received(int from, const QStringList &expected, int timeoutMs = ReplyTimeoutMs);
    // A value of the device's state file by its path, e.g. "output/hdcp" or "multiview/windows/1".
    QJsonValue device(const QString &path) const;
    // The state-file path of the first value that a page shows and the device (of model `index`) does not
    // hold, empty when every page shows the device's values; a page's value is written as in the state file.
    QString pageValueNotOnDevice(quint8 index, bool serial) const;
    // The windows a multiview mode shows.
    static int windowCount(int mode);
    // The requests of identification and synchronisation, in order.
    static QStringList syncRequests(quint8 model, bool serial);

    // Declared in this order, the window is closed before the device stops.
    std::unique_ptr<SimDevice> sim;
    std::unique_ptr<MainWindowDriver> ui;

private:
    bool shortWaits = false;
};
