#pragma once

#include "MainWindowDriver.h"
#include "core/SimDevice.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

#include <memory>

class QPushButton;
class Ui_Multiview;

// What the end-to-end tests share: a fresh main window and a fresh simulated device per test function, and
// the checks of what the device received, what it holds and what the status box confirmed. A test class
// derives from QObject and from this, and calls openSession() in init() and closeSession() in cleanup().
class E2eFixture
{
public:
    static constexpr int SyncTimeoutMs = 15000;
    static constexpr int ReplyTimeoutMs = 5000;
    // A command that pauses the link (resolution change, user timing, reset) holds the next one back for
    // 10 s; this is that pause with a margin.
    static constexpr int PausedTimeoutMs = 20000;

protected:
    void openSession();
    void closeSession();

    // Starts the device (seeded when `seed` is not empty), connects over TCP and waits for the end of the
    // synchronisation.
    bool connectTo(const QString &model, const QJsonObject &seed = {}, const QStringList &extra = {});
    // Number of requests the device received so far, to compare what follows.
    int mark() { return sim->requests().size(); }
    // Waits until the device received exactly `expected` after its first `from` requests.
    bool received(int from, const QStringList &expected, int timeoutMs = ReplyTimeoutMs);
    // A value of the device's state file by its path, e.g. "output/hdcp" or "multiview/windows/1".
    QJsonValue device(const QString &path) const;
    // How often the status box confirmed a reply with this label.
    int statusCount(const QString &label) const;

    std::unique_ptr<MainWindowDriver> ui;
    std::unique_ptr<SimDevice> sim;
};

// "Sync <label> Message." as the status box shows a confirmed reply.
QString statusLine(const QString &label);
// Which button of a pair is shown as selected (flat): 0 the first, 1 the second, -1 none or both.
int flatOf(const QPushButton *first, const QPushButton *second);
// The selected source button in a window's row of the multiview grid, or a negative value when not exactly
// one is.
int flatSource(const Ui_Multiview *page, int window);
