#include "CliWatch.h"

#include "CliOptions.h"
#include "CliResult.h"
#include "CliRunner.h"

#include "session/QuitOnSignal.h"
#include "session/TrafficFormat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

void printChange(const QString &device, const QString &key, const QString &oldValue, const QString &newValue,
                 bool own, bool json)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QByteArray line;
    if (json) {
        const QJsonObject change{{QStringLiteral("time"), QDateTime::fromMSecsSinceEpoch(now).toString(
                                                              QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))},
                                 {QStringLiteral("device"), device},
                                 {QStringLiteral("key"), key},
                                 {QStringLiteral("old"), oldValue},
                                 {QStringLiteral("new"), newValue},
                                 {QStringLiteral("own"), own}};
        line = QJsonDocument(change).toJson(QJsonDocument::Compact);
    } else {
        line = QStringLiteral("%1 %2 %3: %4 -> %5 (%6)")
                   .arg(TrafficFormat::timestamp(now), device, key, oldValue, newValue,
                        own ? QStringLiteral("this tool") : QStringLiteral("elsewhere"))
                   .toUtf8();
    }
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

void say(const QString &text)
{
    std::fprintf(stderr, "lumaplex-cli: %s\n", qPrintable(text));
    std::fflush(stderr);
}

// One device of the watch: opening (and reading), watched, or ended with a failure of its own.
struct Watched
{
    enum State
    {
        Opening,
        Watching,
        Failed
    };
    std::unique_ptr<CliRunner> runner;
    QString name;
    State state = Opening;
};

} // namespace

int watchDevices(const CliOptions &options)
{
    std::vector<Watched> devices;
    int exitCode = ExitDone;
    const auto count = [&devices](Watched::State state) {
        return int(std::count_if(devices.begin(), devices.end(),
                                 [state](const Watched &device) { return device.state == state; }));
    };
    // A device that fails says so on its own line and is closed; the others go on. The watch ends when none
    // is left, with the worst exit code of them.
    const auto fail = [&](Watched &device, const QString &message, int code) {
        if (device.state == Watched::Failed)
            return;
        device.state = Watched::Failed;
        // Most messages of the link name the device themselves.
        say(message.contains(device.name) ? message : device.name + QStringLiteral(": ") + message);
        exitCode = std::max(exitCode, code);
        // Closed once the report that brought the failure has been handled.
        LinkSession &session = device.runner->linkSession();
        QMetaObject::invokeMethod(
            &session, [&session] { session.closeLink(); }, Qt::QueuedConnection);
        if (count(Watched::Failed) == int(devices.size()))
            QCoreApplication::exit(exitCode);
    };
    const auto opened = [&](Watched &device, const CliResult &result) {
        if (result.exitCode != ExitDone) {
            fail(device, result.message, result.exitCode);
        } else {
            device.state = Watched::Watching;
            device.runner->linkSession().watch().setInterval(options.watchInterval);
        }
        if (count(Watched::Opening) > 0 || count(Watched::Watching) == 0)
            return;
        const int refused = count(Watched::Failed);
        say(QStringLiteral("watching %1 device(s) every %2 s%3")
                .arg(count(Watched::Watching))
                .arg(options.watchInterval)
                .arg(refused > 0 ? QStringLiteral(" (%1 could not be opened)").arg(refused) : QString()));
    };

    devices.resize(std::size_t(options.devices.size()));
    // The connections end before the sessions, which report their own closing when they are destroyed.
    const QObject scope;
    for (int i = 0; i < options.devices.size(); ++i) {
        Watched &device = devices[std::size_t(i)];
        device.name = options.devices.at(i).text;
        device.runner = std::make_unique<CliRunner>(options, options.devices.at(i));
        LinkSession &session = device.runner->linkSession();
        // Values come in from the first read on: what one device tells while the others are read counts.
        QObject::connect(&session.device(), &DeviceModel::SGL_ValueChanged, &scope,
                         [&device, &options](const QString &key, const QString &oldValue,
                                             const QString &newValue, bool own) {
                             // A value seen the first time after connecting is no change.
                             if (!oldValue.isNull())
                                 printChange(device.name, key, oldValue, newValue, own, options.json);
                         });
        QObject::connect(&session.watch(), &DeviceWatch::SGL_GivenUp, &scope, [&device, &fail] {
            fail(device,
                 QStringLiteral("%1 stopped answering (%2 reads in a row without reply)")
                     .arg(device.name)
                     .arg(DeviceWatch::MissesToGiveUp),
                 ExitLinkFailure);
        });
        const auto lost = [&device, &fail] {
            if (device.state == Watched::Watching)
                fail(device, QStringLiteral("the link to %1 was lost").arg(device.name), ExitLinkFailure);
        };
        QObject::connect(&session, &LinkSession::SGL_LinkLost, &scope, lost);
        QObject::connect(&session, &LinkSession::SGL_LinkClosed, &scope, lost);
    }
    // Every device is opened at once; one still being opened does not hold up the others.
    for (Watched &device : devices)
        device.runner->startOpenAndReadAll(
            [&device, &opened](const CliResult &result) { opened(device, result); });
    if (count(Watched::Failed) == int(devices.size()))
        return exitCode;
    const QuitOnSignal quitOnSignal;
    QCoreApplication::exec();
    return exitCode;
}
