#pragma once

// One lumaplex-sim process for the simulator and end-to-end tests: started on a free loopback port, its
// standard output collected while the event loop keeps running.

#include "core/TestProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace SimHarness {

class SimProcess
{
public:
    ~SimProcess() { stop(); }

    // Starts the simulator with `args` (plus "--tcp 127.0.0.1:0" unless they choose the TCP side) and waits
    // for its "listening on" line, which gives `port` and `terminal`.
    bool start(QStringList args)
    {
        if (!args.contains(QStringLiteral("--tcp")) && !args.contains(QStringLiteral("--no-tcp")))
            args << QStringLiteral("--tcp") << QStringLiteral("127.0.0.1:0");
        process.start(QStringLiteral(LUMAPLEX_SIM_PATH), args);
        if (!process.waitForStarted(5000))
            return false;
        const int from = out.size();
        const QRegularExpressionMatch match =
            waitForOutput(QRegularExpression(QStringLiteral("listening on [^\\n]*\\n")), from);
        if (!match.hasMatch())
            return false;
        const QString line = match.captured(0);
        const QRegularExpressionMatch tcp =
            QRegularExpression(QStringLiteral("tcp [0-9.]+:(\\d+)")).match(line);
        port = tcp.hasMatch() ? quint16(tcp.captured(1).toUInt()) : 0;
        terminal = QRegularExpression(QStringLiteral("pty (\\S+) \\(link")).match(line).captured(1);
        return true;
    }

    // Waits for standard output to contain a match of `pattern` after `from` (an offset into output()).
    QRegularExpressionMatch waitForOutput(const QRegularExpression &pattern, int from = 0,
                                          int timeoutMs = 5000)
    {
        QRegularExpressionMatch match;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                match = pattern.match(output(), from);
                return match.hasMatch() || process.state() == QProcess::NotRunning;
            },
            timeoutMs));
        return match;
    }

    // What a fleet (--devices) printed at start: the port of each device, by index (the lines "INDEX PORT",
    // in order from 0; an index out of order ends the list), and the port of its control lines (0: none).
    QList<quint16> fleetPorts()
    {
        QList<quint16> ports;
        const QRegularExpression row(QStringLiteral("^(\\d+) (\\d+)$"), QRegularExpression::MultilineOption);
        for (auto it = row.globalMatch(output()); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (match.captured(1).toInt() != ports.size())
                break;
            ports << quint16(match.captured(2).toUInt());
        }
        return ports;
    }
    quint16 controlPort()
    {
        return quint16(QRegularExpression(QStringLiteral("control lines on [0-9.]+:(\\d+)"))
                           .match(output())
                           .captured(1)
                           .toUInt());
    }

    QString output()
    {
        out += QString::fromLatin1(process.readAllStandardOutput());
        return out;
    }

    // Asks the simulator to quit (SIGTERM) and returns its exit code, or -1 when it did not end cleanly.
    int stop()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(2000);
                return -1;
            }
            output();
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    TestProcess process;
    quint16 port = 0;
    QString terminal;

private:
    QString out;
};

} // namespace SimHarness
