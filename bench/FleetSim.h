#pragma once

// What the fleet benchmarks share: a lumaplex-sim serving a fleet on loopback, and figures of a process.

#include "EventLoopWait.h"
#include "core/TestProcess.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

// The threads of a process (this one by default).
inline int threadCount(const QString &process = QStringLiteral("self"))
{
    return int(QDir(QStringLiteral("/proc/%1/task").arg(process))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

// The resident memory of a process (this one by default).
inline qint64 residentBytes(const QString &process = QStringLiteral("self"))
{
    QFile statm(QStringLiteral("/proc/%1/statm").arg(process));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

inline qint64 cpuMicroseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000 + usage.ru_utime.tv_usec +
           usage.ru_stime.tv_usec;
}

inline double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(share * double(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

// One lumaplex-sim serving a fleet; the ports it printed, by index.
class FleetSim
{
public:
    bool start(int devices, const QString &model)
    {
        process.start(QStringLiteral(LUMAPLEX_SIM_PATH), {"--devices", QString::number(devices), "--tcp",
                                                          "127.0.0.1:0", "--quiet", "--model", model});
        QByteArray out;
        const bool listening = runUntil(
            [&] {
                out += process.readAllStandardOutput();
                return out.contains("listening on") || process.state() == QProcess::NotRunning;
            },
            60000);
        const QRegularExpression row(QStringLiteral("^(\\d+) (\\d+)$"), QRegularExpression::MultilineOption);
        for (auto it = row.globalMatch(QString::fromLatin1(out)); it.hasNext();)
            ports.push_back(it.next().captured(2));
        return listening && int(ports.size()) == devices;
    }
    ~FleetSim()
    {
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
    }

    TestProcess process;
    std::vector<QString> ports;
};
