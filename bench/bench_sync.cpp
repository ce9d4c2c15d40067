// How long the real main window takes from pressing Connect to the "Sync Over!" marker against
// lumaplex-sim, for every model, beside the floor the protocol sets: every command waits 50 ms before it is
// written, so n commands take at least n x 50 ms.
//
// Usage: bench_sync [runs per link, default 3]

#include "EventLoopWait.h"
#include "core/SimDevice.h"
#include "gui/MainWindowDriver.h"

#include "config/AppState.h"
#include "pages/Ui_Uart_Network.h"
#include "shell/Ui_Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int SendGapMs = 50;
constexpr int SyncTimeoutMs = 30000;

struct Run
{
    bool ok = false;
    int commands = 0;
    qint64 elapsedMs = 0;
};

// One connection from a fresh main window to a fresh simulator; the time runs from the click on the connect
// button to the moment the marker appears in the status box.
Run measure(const QString &model, bool serial)
{
    Run run;
    SimDevice sim;
    // The traffic log counts the commands written.
    QStringList args{"--model", model};
    if (serial)
        args << "--no-tcp";
    if (!sim.start(args, serial))
        return run;
    MainWindowDriver ui;
    Ui_Uart_Network *page = ui.window()->connectionPage;
    const QString marker = QStringLiteral("->%1<-").arg(State().text.SMSG_Status_SyncOver);

    QElapsedTimer clock;
    qint64 syncedAt = -1;
    QObject::connect(page->statusText, &QPlainTextEdit::textChanged, page, [&] {
        if (syncedAt < 0 && page->statusText->toPlainText().contains(marker))
            syncedAt = clock.elapsed();
    });

    // Everything up to the click (typing the address, picking the line) is not timed.
    QPushButton *button = serial ? page->serialConnectButton : page->networkConnectButton;
    QObject::connect(button, &QPushButton::pressed, button, [&] { clock.start(); });
    const bool clicked = serial ? ui.connectSerial(sim.ptyLink()) : ui.connectTcp(sim.port());
    if (!clicked || !runUntil([&] { return syncedAt >= 0; }, SyncTimeoutMs))
        return run;
    run.ok = true;
    run.elapsedMs = syncedAt;
    run.commands = sim.requests().size();
    return run;
}

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;

    const struct
    {
        const char *model;
        bool serial;
    } links[] = {{"RKA204QE", false}, {"RKA07QE", false}, {"RKA386QE", false},
                 {"TN386", false},    {"TN204E", false},  {"TN386", true}};

    std::printf("Connect to \"Sync Over!\" against lumaplex-sim, %d run(s) per link\n\n", runs);
    std::printf("%-9s %-6s %8s %10s %10s %10s %9s\n", "model", "link", "commands", "floor ms", "min ms",
                "median ms", "overhead");
    int failures = 0;
    for (const auto &link : links) {
        QList<qint64> times;
        int commands = 0;
        for (int i = 0; i < runs; ++i) {
            const Run run = measure(QString::fromLatin1(link.model), link.serial);
            if (!run.ok) {
                ++failures;
                continue;
            }
            times << run.elapsedMs;
            commands = run.commands;
        }
        if (times.isEmpty()) {
            std::printf("%-9s %-6s %8s\n", link.model, link.serial ? "serial" : "tcp", "failed");
            continue;
        }
        const qint64 floor = qint64(commands) * SendGapMs;
        const qint64 middle = median(times);
        std::printf("%-9s %-6s %8d %10lld %10lld %10lld %8.0f%%\n", link.model,
                    link.serial ? "serial" : "tcp", commands, static_cast<long long>(floor),
                    static_cast<long long>(*std::min_element(times.begin(), times.end())),
                    static_cast<long long>(middle),
                    floor > 0 ? 100.0 * double(middle - floor) / double(floor) : 0.0);
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
