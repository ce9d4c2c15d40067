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

int fail(const QString &device, const QString &message, int exitCode)
{
    // Most messages of the link name the device themselves.
    const QString text = message.contains(device) ? message : device + QStringLiteral(": ") + message;
    std::fprintf(stderr, "lumaplex-cli: %s\n", qPrintable(text));
    std::fflush(stderr);
    return exitCode;
}

} // namespace

int watchDevices(const CliOptions &options)
{
    std::vector<std::unique_ptr<CliRunner>> runners;
    int exitCode = ExitDone;
    const auto stop = [&exitCode](const QString &device, const QString &message) {
        if (exitCode != ExitDone)
            return;
        exitCode = fail(device, message, ExitLinkFailure);
        QCoreApplication::quit();
    };
    // The connections end before the sessions, which report their own closing when they are destroyed.
    const QObject scope;
    // Values come in from the first read on: what one device tells while the others are read counts.
    for (const CliDevice &device : options.devices) {
        runners.push_back(std::make_unique<CliRunner>(options, device));
        QObject::connect(&runners.back()->linkSession().device(), &DeviceModel::SGL_ValueChanged, &scope,
                         [&device, &options](const QString &key, const QString &oldValue,
                                             const QString &newValue, bool own) {
                             // A value seen the first time after connecting is no change.
                             if (!oldValue.isNull())
                                 printChange(device.text, key, oldValue, newValue, own, options.json);
                         });
        const CliResult opened = runners.back()->openAndReadAll();
        if (opened.exitCode != ExitDone)
            return fail(device.text, opened.message, opened.exitCode);
    }
    for (std::size_t i = 0; i < runners.size(); ++i) {
        LinkSession &session = runners[i]->linkSession();
        const QString device = options.devices.at(int(i)).text;
        QObject::connect(&session.watch(), &DeviceWatch::SGL_GivenUp, &scope, [&stop, device] {
            stop(device, QStringLiteral("%1 stopped answering (%2 reads in a row without reply)")
                             .arg(device)
                             .arg(DeviceWatch::MissesToGiveUp));
        });
        const auto lost = [&stop, device] {
            stop(device, QStringLiteral("the link to %1 was lost").arg(device));
        };
        QObject::connect(&session, &LinkSession::SGL_LinkLost, &scope, lost);
        QObject::connect(&session, &LinkSession::SGL_LinkClosed, &scope, lost);
        session.watch().setInterval(options.watchInterval);
    }
    std::fprintf(stderr, "lumaplex-cli: watching %d device(s) every %d s\n", int(runners.size()),
                 options.watchInterval);
    std::fflush(stderr);
    const QuitOnSignal quitOnSignal;
    QCoreApplication::exec();
    return exitCode;
}
