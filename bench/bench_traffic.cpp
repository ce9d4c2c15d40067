// What the traffic log costs while a device floods the link with 5000 unsolicited lines a second
// (lumaplex-sim --flood 5000): the process's CPU time and resident memory with the log off, on, and on with
// the debug console hidden or shown, and the memory of a full log (100,000 records of such lines).
//
// Usage: bench_traffic [seconds per phase, default 5] [lines per second, default 5000]

#include "EventLoopWait.h"
#include "core/SimDevice.h"
#include "core/TestAppDir.h"

#include "session/LinkSession.h"
#include "session/TrafficRing.h"
#include "shell/Ui_Debug.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

qint64 cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Resident memory of this process in KiB.
qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

struct Phase
{
    const char *name;
    bool recording;
    int console; // 0 none, 1 hidden, 2 shown
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    const int rate = argc > 2 ? qMax(1, atoi(argv[2])) : 5000;
    TestAppDir appDir;

    std::printf("Traffic log under a flood of %d lines/s from lumaplex-sim, %d s per phase\n\n", rate,
                seconds);
    std::printf("%-28s %10s %10s %12s %12s\n", "phase", "lines/s", "CPU %", "RSS KiB", "log records");
    const Phase phases[] = {{"log off", false, 0},
                            {"log on", true, 0},
                            {"log on, console hidden", true, 1},
                            {"log on, console shown", true, 2}};
    for (const Phase &phase : phases) {
        SimDevice sim;
        if (!sim.start({"--flood", QString::number(rate), "--quiet"})) {
            std::fprintf(stderr, "cannot start lumaplex-sim\n");
            return 1;
        }
        LinkSession session;
        session.setTrafficRecording(phase.recording);
        std::unique_ptr<Ui_Debug> console;
        if (phase.console > 0)
            console = std::make_unique<Ui_Debug>(session);
        if (phase.console == 2)
            console->show();
        int lines = 0;
        bool connected = false;
        QObject::connect(&session, &LinkSession::SGL_LineReceived, [&] { ++lines; });
        QObject::connect(&session, &LinkSession::SGL_ConnectStatus,
                         [&](quint32, bool status, int) { connected = status; });
        session.openTcpClient("127.0.0.1", "127.0.0.1", QString::number(sim.port()));
        if (!runUntil([&] { return connected; }, 5000)) {
            std::fprintf(stderr, "no connection\n");
            return 1;
        }
        // Settle first, then measure.
        runFor(1000);
        const int linesBefore = lines;
        const qint64 cpuBefore = cpuMs();
        QElapsedTimer clock;
        clock.start();
        runFor(seconds * 1000);
        const double elapsedS = double(clock.elapsed()) / 1000.0;
        const double cpuPercent = 100.0 * double(cpuMs() - cpuBefore) / (elapsedS * 1000.0);
        std::printf("%-28s %10.0f %10.1f %12lld %12zu\n", phase.name, double(lines - linesBefore) / elapsedS,
                    cpuPercent, static_cast<long long>(residentKiB()), session.traffic().size());
        std::fflush(stdout);
        session.closeLink();
    }

    // A full log: the ring's capacity in records of the flood's lines.
    const qint64 before = residentKiB();
    {
        TrafficRing ring;
        for (std::size_t i = 0; i < ring.capacity(); ++i)
            ring.append(stampedRecord(TrafficRecord::Received, "\nIN STATUS HDMI2 1920x1080p60\r"));
        std::printf("\nfull log: %zu records, %lld KiB resident more than before\n", ring.size(),
                    static_cast<long long>(residentKiB() - before));
    }
    return 0;
}
