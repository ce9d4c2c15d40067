// What a device that streams unsolicited status lines costs the real main window: lumaplex-sim floods at
// 1000, 3000 and 5000 lines/s, the window connects over TCP and synchronises during the flood, then for a
// measured window (10 s by default) a timer of the GUI thread records the longest stall and the operator
// picks an HDCP mode twice a second. Printed per rate and debug console mode: the worst GUI stall, the
// resident memory before connecting, at the end of the window and 3 s after disconnecting, and the reply
// latency of the commands sent during the flood (click to reply handled, its combo showing the answer).
//
// Console modes: "hidden" (as the program runs), "shown" (opened with Alt+Z), "left out" (its traffic
// signals disconnected, so the figures show what the rest of the program costs), "no-log" (left out and the
// session's traffic log switched off, so that the memory of the log's bounded ring shows apart).
//
// Usage: bench_flood [seconds of flood, default 10] [rate...]
// Each measurement runs in a child process of its own (bench_flood --run RATE MODE SECONDS), so that the
// memory figures of one do not carry over to the next.

#include "EventLoopWait.h"
#include "core/SimDevice.h"
#include "core/TestProcess.h"
#include "gui/MainWindowDriver.h"

#include "config/AppState.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_Uart_Network.h"
#include "session/LinkSession.h"
#include "shell/Ui_Debug.h"
#include "shell/Ui_Main.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int TickMs = 5;
constexpr int CommandEveryMs = 500;
constexpr int SettleMs = 3000;
constexpr int SyncTimeoutMs = 60000;
const char *const Modes[] = {"hidden", "shown", "left-out", "no-log"};

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// Lets the event loop run for `ms`.
void runFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    static_cast<void>(runUntil([&] { return clock.elapsed() >= ms; }, ms + 1000));
}

struct Result
{
    bool ok = false;
    double worstStallMs = 0;
    double mbBefore = 0;
    double mbFlood = 0;
    double mbAfter = 0;
    int linesPerSecond = 0;
    int sent = 0;
    int answered = 0;
    int within200 = 0;
    qint64 medianMs = 0;
    qint64 worstMs = 0;
};

Result measure(int rate, const QString &mode, int seconds)
{
    Result result;
    MainWindowDriver ui;
    Ui_Main *window = ui.window();
    runFor(500);
    result.mbBefore = residentMb();

    SimDevice sim;
    if (!sim.start({"--model", "RKA204QE", "--quiet", "--flood", QString::number(rate)}))
        return result;
    // "no-log": also without the traffic log, so that its bounded ring can be told from the rest of the
    // memory.
    if (mode == QLatin1String("no-log"))
        window->session->setTrafficRecording(false);
    if (mode == QLatin1String("left-out") || mode == QLatin1String("no-log")) {
        QObject::disconnect(window, &Ui_Main::SGL_DEBUG_SHOW_RecvText, window->debugConsole, nullptr);
        QObject::disconnect(window, &Ui_Main::SGL_DEBUG_SHOW_SendText, window->debugConsole, nullptr);
    }
    const QString marker = QStringLiteral("->%1<-").arg(State().text.SMSG_Status_SyncOver);
    if (!ui.connectTcp(sim.port()) ||
        !runUntil([&] { return window->connectionPage->statusText->toPlainText().contains(marker); },
                  SyncTimeoutMs))
        return result;
    if (mode == QLatin1String("shown"))
        QTest::keyClick(window, Qt::Key_Z, Qt::AltModifier);
    Ui_Output *out = window->outputPage;
    ui.showPage(out);

    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 worstGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worstGap = std::max(worstGap, now - lastTick);
        lastTick = now;
    });

    std::vector<qint64> latencies;
    qint64 clickedAt = -1;
    int chosen = 0;
    int lines = 0;
    QObject listener;
    QObject::connect(
        window->session, &LinkSession::SGL_LineReceived, &listener, [&](quint32, const QByteArray &line) {
            ++lines;
            if (clickedAt < 0 || !line.contains("OUT HDCP") || out->hdcpCombo->currentIndex() != chosen)
                return;
            latencies.push_back(clock.elapsed() - clickedAt);
            clickedAt = -1;
        });
    QTimer operatorClicks;
    QObject::connect(&operatorClicks, &QTimer::timeout, [&] {
        chosen = chosen == 1 ? 2 : 1;
        clickedAt = clock.elapsed();
        ++result.sent;
        ui.choose(out->hdcpCombo, chosen);
    });

    lastTick = clock.nsecsElapsed();
    ticker.start(TickMs);
    operatorClicks.start(CommandEveryMs);
    runFor(seconds * 1000);
    operatorClicks.stop();
    runFor(CommandEveryMs);
    ticker.stop();
    result.linesPerSecond = int(qint64(lines) * 1000 / std::max<qint64>(1, clock.elapsed()));
    result.mbFlood = residentMb();

    ui.click(window->connectionPage->networkConnectButton);
    runFor(SettleMs);
    result.mbAfter = residentMb();

    result.ok = true;
    result.worstStallMs = std::max<double>(0, double(worstGap) / 1e6 - TickMs);
    result.answered = int(latencies.size());
    result.within200 =
        int(std::count_if(latencies.begin(), latencies.end(), [](qint64 ms) { return ms <= 200; }));
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        result.medianMs = latencies[latencies.size() / 2];
        result.worstMs = latencies.back();
    }
    return result;
}

int runOne(int rate, const QString &mode, int seconds)
{
    const Result r = measure(rate, mode, seconds);
    if (!r.ok) {
        std::printf("%6d %7s %-9s failed\n", rate, "", qPrintable(mode));
        return 1;
    }
    std::printf("%6d %7d %-9s %9.0f %8.1f %8.1f %8.1f %6d/%-3d %6d %7lld %6lld\n", rate, r.linesPerSecond,
                qPrintable(mode), r.worstStallMs, r.mbBefore, r.mbFlood, r.mbAfter, r.answered, r.sent,
                r.within200, static_cast<long long>(r.medianMs), static_cast<long long>(r.worstMs));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--run"))
        return runOne(args.value(1).toInt(), args.value(2), std::max(1, args.value(3).toInt()));

    const int seconds = args.isEmpty() ? 10 : std::max(1, args.takeFirst().toInt());
    QList<int> rates;
    for (const QString &rate : args)
        rates << rate.toInt();
    if (rates.isEmpty())
        rates = {1000, 3000, 5000};

    std::printf(
        "lumaplex-sim --flood RATE, %d s measured after \"Sync Over!\" (stall = longest GUI timer gap "
        "beyond %d ms; replies = HDCP picks answered, within 200 ms)\n\n",
        seconds, TickMs);
    std::printf("%6s %7s %-9s %9s %8s %8s %8s %10s %6s %7s %6s\n", "rate", "lines/s", "console", "stall ms",
                "MB before", "MB flood", "MB after", "replies", "<200ms", "median", "worst");
    std::fflush(stdout);
    int failures = 0;
    for (const int rate : rates) {
        for (const char *mode : Modes) {
            TestProcess child;
            child.setStandardErrorFile(QProcess::nullDevice());
            child.start(app.applicationFilePath(),
                        {"--run", QString::number(rate), mode, QString::number(seconds)});
            child.waitForFinished(-1);
            std::printf("%s", child.readAllStandardOutput().constData());
            std::fflush(stdout);
            failures += child.exitCode() != 0 ? 1 : 0;
        }
    }
    return failures == 0 ? 0 : 1;
}
