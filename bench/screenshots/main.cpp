// Pictures of the real main window on each tab, connected to lumaplex-sim and synchronised, for the models
// RKA386QE and TN386, and of the debug console and the link health strip. Meant to run on a real display or
// under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/lumaplex-screenshots docs/screenshots
//
// Writes <model>-<n>-<tab>.png, debug-console.png and link-health.png into the given directory (created when
// missing).

#include "core/SimDevice.h"
#include "gui/MainWindowDriver.h"

#include "shell/LinkHealthBar.h"
#include "shell/Ui_Debug.h"
#include "shell/Ui_Main.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(outDir);
    bool ok = true;
    for (const QString &model : {QStringLiteral("RKA386QE"), QStringLiteral("TN386")})
        ok = shoot(model, outDir) && ok;
    return ok ? 0 : 1;
}
