// Pictures of the real main window on each tab, connected to lumaplex-sim and synchronised, for the models
// RKA386QE and TN386, of the debug console and the link health strip, and of the device list and the
// network discovery with three simulated devices on loopback addresses. Meant to run on a real display or
// under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/lumaplex-screenshots docs/screenshots
//
// Writes <model>-<n>-<tab>.png, debug-console.png, link-health.png, device-list.png and discovery.png into
// the given directory (created when missing).

#include "core/SimDevice.h"
#include "gui/MainWindowDriver.h"

#include "pages/DevicePanel.h"
#include "pages/DiscoveryDialog.h"
#include "session/SavedDevices.h"
#include "shell/LinkHealthBar.h"
#include "shell/Ui_Debug.h"
#include "shell/Ui_Main.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int SyncTimeoutMs = 30000;

// A device state that fills the pages with something worth looking at.
QJsonObject showcase(const QString &model)
{
    if (model == QLatin1String("TN386")) {
        return QJsonObject{
            {"output", QJsonObject{{"resolution", "3840x2160p60"}, {"hdcp", "FORCE-2.2"}, {"itc", true}}},
            {"multiview",
             QJsonObject{{"mode", "SINGLE"}, {"windows", QJsonArray{"HDMI3"}}, {"autoSwitch", true}}},
            {"audio", QJsonObject{{"source", "LR2"},
                                  {"volume", 35},
                                  {"mute", false},
                                  {"mic1", QJsonObject{{"on", true}, {"volume", 28}}},
                                  {"mic2", QJsonObject{{"on", false}, {"volume", 12}}}}},
            {"edid", QJsonObject{{"mode", "4K60-5.1"}}}};
    }
    return QJsonObject{
        {"output", QJsonObject{{"resolution", "USER"}, {"userWidth", 2560}, {"userHeight", 1440}}},
        {"multiview", QJsonObject{{"mode", "PIP"},
                                  {"windows", QJsonArray{"HDMI2", "DP"}},
                                  {"pipPosition", "USER"},
                                  {"pipSize", "USER"},
                                  {"pipUser", QJsonArray{1280, 720, 640, 360}}}},
        {"audio", QJsonObject{{"source", "WIN-KVM"}, {"volume", 72}, {"mute", true}}},
        {"edid", QJsonObject{{"mode", "1080p60-2.0"}}}};
}

bool shoot(const QString &model, const QString &outDir)
{
    SimDevice sim;
    sim.seedState(showcase(model));
    if (!sim.start({"--model", model, "--quiet"})) {
        std::fprintf(stderr, "cannot start lumaplex-sim for %s\n", qPrintable(model));
        return false;
    }
    MainWindowDriver ui;
    if (!ui.connectTcp(sim.port()) || !ui.waitForSyncOver(1, SyncTimeoutMs)) {
        std::fprintf(stderr, "%s did not synchronise\n", qPrintable(model));
        return false;
    }
    // Replies that follow the synchronisation (user timing, user rectangle) land before the pictures.
    QTest::qWait(500);

    QTabWidget *tabs = ui.window()->tabWidget;
    const QStringList names{"connect", "output", "multiview", "audio", "system"};
    for (int i = 0; i < tabs->count(); ++i) {
        if (!ui.showPage(tabs->widget(i)))
            return false;
        QTest::qWait(200);
        const QString file =
            QStringLiteral("%1/%2-%3-%4.png").arg(outDir, model).arg(i + 1).arg(names.value(i));
        if (!ui.window()->grab().save(file))
            return false;
        std::printf("%s\n", qPrintable(file));
    }
    if (model != QLatin1String("RKA386QE"))
        return true;
    // The console as Alt+Z opens it after the synchronisation, and the strip below the tabs.
    QTest::keyClick(ui.window(), Qt::Key_Z, Qt::AltModifier);
    Ui_Debug *console = ui.window()->debugConsole;
    if (!QTest::qWaitForWindowExposed(console))
        return false;
    QTest::qWait(300);
    const QString consoleFile = outDir + QStringLiteral("/debug-console.png");
    const QString healthFile = outDir + QStringLiteral("/link-health.png");
    if (!console->grab().save(consoleFile) || !ui.window()->healthBar->grab().save(healthFile))
        return false;
    std::printf("%s\n%s\n", qPrintable(consoleFile), qPrintable(healthFile));
    return true;
}

// The connection page with saved and recent devices after connecting to one of them, and the discovery
// dialog after a sweep of 127.0.0.0/24.
bool shootFinding(const QString &outDir)
{
    std::vector<std::unique_ptr<SimDevice>> sims;
    quint16 port = 0;
    for (const QString device : {"127.0.0.10=RKA386QE", "127.0.0.20=TN386", "127.0.0.30=RKA07QE"}) {
        sims.push_back(std::make_unique<SimDevice>());
        if (!sims.back()->start({"--quiet", "--model", device.section('=', 1), "--tcp",
                                 QStringLiteral("%1:%2").arg(device.section('=', 0, 0)).arg(port)}))
            return false;
        port = sims.back()->port();
    }
    MainWindowDriver ui;
    DevicePanel *panel = ui.window()->connectionPage->devicePanel;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    SavedDeviceList list;
    const QStringList entries{"Lobby wall=127.0.0.10=", "Control room=127.0.0.20=TN386",
                              "Rack 3 (RS-232)=/dev/ttyUSB0=RKA07QE"};
    for (const QString &entry : entries) {
        SavedDevice device;
        device.name = entry.section('=', 0, 0);
        device.address = entry.section('=', 1, 1);
        device.model = entry.section('=', 2);
        device.serial = device.address.startsWith('/');
        device.port = port;
        device.baud = 115200;
        device.mask = QStringLiteral("255.0.0.0");
        device.lastConnected = device.model.isEmpty() ? QDateTime() : now.addDays(-list.devices.size() * 4);
        list.devices.append(device);
    }
    list.recent = {list.devices[1]};
    list.recent[0].name.clear();
    if (!SavedDeviceFile::save(SavedDeviceFile::path(), list, nullptr))
        return false;
    panel->reload();
    panel->useDevice(list.devices[0], true);
    if (!ui.waitForSyncOver(1, SyncTimeoutMs))
        return false;
    QTest::qWait(300);
    const QString listFile = outDir + QStringLiteral("/device-list.png");
    if (!ui.window()->grab().save(listFile))
        return false;
    ui.click(ui.window()->connectionPage->networkConnectButton);

    ui.click(panel->findButton);
    DiscoveryDialog *dialog = panel->discovery;
    if (!QTest::qWaitForWindowExposed(dialog))
        return false;
    ui.type(dialog->rangeEdit, QStringLiteral("127.0.0.0/24"));
    ui.type(dialog->portEdit, QString::number(port));
    dialog->startButton->click();
    if (!QTest::qWaitFor([dialog] { return !dialog->sweep.isRunning(); }, SyncTimeoutMs))
        return false;
    dialog->table->selectRow(0);
    QTest::qWait(200);
    const QString discoveryFile = outDir + QStringLiteral("/discovery.png");
    if (!dialog->grab().save(discoveryFile))
        return false;
    std::printf("%s\n%s\n", qPrintable(listFile), qPrintable(discoveryFile));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(outDir);
    bool ok = true;
    for (const QString &model : {QStringLiteral("RKA386QE"), QStringLiteral("TN386")})
        ok = shoot(model, outDir) && ok;
    ok = shootFinding(outDir) && ok;
    return ok ? 0 : 1;
}
