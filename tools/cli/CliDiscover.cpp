#include "CliDiscover.h"

#include "session/BaudProbe.h"
#include "session/NetworkSweep.h"
#include "session/QuitOnSignal.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int discover(const CliOptions &options)
{
    const SweepRange range = parseSweepRange(options.arguments.first());
    if (range.problem != SweepRange::Fine) {
        std::fprintf(stderr, "lumaplex-cli: %s\n", qPrintable(range.problemText()));
        return ExitUsage;
    }
    NetworkSweep sweep;
    QEventLoop loop;
    QObject::connect(
        &sweep, &NetworkSweep::SGL_DeviceFound, &loop,
        [&options](const QString &address, quint16 port, const QString &model) {
            if (options.json) {
                const QJsonObject object{{QStringLiteral("address"), address},
                                         {QStringLiteral("port"), port},
                                         {QStringLiteral("model"), model}};
                std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
            } else {
                std::printf("%s:%u\t%s\n", qPrintable(address), unsigned(port), qPrintable(model));
            }
            std::fflush(stdout);
        });
    QObject::connect(&sweep, &NetworkSweep::SGL_Finished, &loop, &QEventLoop::quit);
    // An interrupt ends the event loops: the sweep ends with what was found so far.
    QuitOnSignal quitOnSignal;
    sweep.start(range, options.discoverPort);
    if (sweep.isRunning())
        loop.exec();
    if (!sweep.found().isEmpty())
        return ExitDone;
    std::fprintf(stderr, "lumaplex-cli: no device answered on port %u in %s (%u addresses asked)\n",
                 unsigned(options.discoverPort), qPrintable(range.text()), unsigned(sweep.done()));
    return ExitRefused;
}

bool searchSerialSpeed(CliDevice *device, CliResult *failure)
{
    BaudProbe probe;
    QEventLoop loop;
    QObject::connect(&probe, &BaudProbe::SGL_Finished, &loop, &QEventLoop::quit);
    probe.start(device->address);
    if (probe.outcome() == BaudProbe::Outcome::Running)
        loop.exec();
    switch (probe.outcome()) {
    case BaudProbe::Outcome::Found:
        device->baud = QString::number(probe.baud());
        std::fprintf(stderr, "lumaplex-cli: %s answers at %d baud\n", qPrintable(device->address),
                     probe.baud());
        return true;
    case BaudProbe::Outcome::PortFailed:
        *failure = CliResult::failure(
            ExitLinkFailure, QStringLiteral("cannot open %1: %2").arg(device->address, probe.error()));
        return false;
    default:
        *failure = CliResult::failure(ExitRefused, QStringLiteral("no device answered on %1 at %2 baud")
                                                       .arg(device->address, BaudProbe::speedsText()));
        return false;
    }
}
