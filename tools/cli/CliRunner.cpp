#include "CliRunner.h"

#include "CliDiscover.h"

#include "protocol/Catalogue.h"
#include "protocol/ValueTables.h"
#include "session/QuitOnSignal.h"
#include "session/TrafficFormat.h"
#include "setup/LinkExchange.h"
#include "setup/SetupReader.h"
#include "setup/SetupRestore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {

QString differencesText(const QList<SetupDifference> &differences)
{
    QString text;
    for (const SetupDifference &difference : differences)
        text += QStringLiteral("%1\t%2\t%3\n")
                    .arg(difference.key, difference.wanted,
                         difference.actual.isNull() ? QStringLiteral("-") : difference.actual);
    return text;
}

QJsonArray differencesJson(const QList<SetupDifference> &differences)
{
    QJsonArray array;
    for (const SetupDifference &difference : differences)
        array.append(QJsonObject{{QStringLiteral("key"), difference.key},
                                 {QStringLiteral("wanted"), difference.wanted},
                                 {QStringLiteral("device"), difference.actual.isNull()
                                                                ? QJsonValue(QJsonValue::Null)
                                                                : QJsonValue(difference.actual)}});
    return array;
}

QString noReplyText(const QStringList &timedOut)
{
    return QStringLiteral("no reply to %1").arg(timedOut.join(QLatin1String(", ")));
}

} // namespace

CliRunner::CliRunner(const CliOptions &cliOptions, const CliDevice &cliDevice)
    : options(cliOptions), device(cliDevice)
{
}

CliRunner::~CliRunner() = default;

template <class Sender, class Signal>
void CliRunner::waitFor(Sender *sender, Signal signal, const std::function<bool()> &done)
{
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, [&] {
        if (done())
            loop.quit();
    });
    if (!done())
        loop.exec();
}

CliResult CliRunner::run()
{
    DeviceSetup file;
    if (options.command == QLatin1String("snapshot") && options.arguments.first() != QLatin1String("save")) {
        const SetupFileResult loaded = readSetupFile(options.arguments.at(1));
        if (loaded.status != SetupFileResult::Ok)
            return CliResult::failure(ExitUsage, QStringLiteral("%1 is not a usable setup file: %2")
                                                     .arg(options.arguments.at(1), loaded.detail));
        file = loaded.setup;
    }
    const bool keyed = options.command == QLatin1String("get") || options.command == QLatin1String("set");
    if (keyed && !SetupKeys::find(options.arguments.first()))
        return CliResult::failure(ExitUsage,
                                  QStringLiteral("unknown key '%1'").arg(options.arguments.first()));
    CliResult failure;
    if (!open(&failure))
        return failure;
    const QString &command = options.command;
    if (command == QLatin1String("identify"))
        return identify();
    if (command == QLatin1String("sync"))
        return sync();
    if (command == QLatin1String("get"))
        return get();
    if (command == QLatin1String("set"))
        return set();
    if (command == QLatin1String("send"))
        return send();
    if (command == QLatin1String("log"))
        return log();
    return snapshot(file);
}

CliResult CliRunner::openAndReadAll()
{
    CliResult result;
    if (!open(&result))
        return result;
    SetupReader reader(session);
    read(reader, SetupReader::allGroups(), NoModel, &result);
    return result;
}

void CliRunner::startOpenAndReadAll(const std::function<void(const CliResult &)> &done)
{
    CliResult failure;
    if (!beginOpen(&failure)) {
        done(failure);
        return;
    }
    // Each step's connection ends with the step: a lost link later must not start another read.
    auto *step = new QObject(&session);
    QObject::connect(&session, &LinkSession::SGL_ConnectStatus, step,
                     [this, step, done](quint32, bool status, int error, const QString &reason) {
                         delete step;
                         if (!status) {
                             done(openFailure(error, reason));
                             return;
                         }
                         reader = std::make_unique<SetupReader>(session);
                         QObject::connect(reader.get(), &SetupReader::SGL_Finished, reader.get(),
                                          [this, done] { done(readResult(*reader)); });
                         reader->start(SetupReader::allGroups(), NoModel);
                     });
    dialDevice();
}

bool CliRunner::beginOpen(CliResult *failure)
{
    // Only the log needs the traffic log: every other command learns from each request's reply.
    session.setTrafficRecording(options.command == QLatin1String("log"));
    if (options.command == QLatin1String("log"))
        session.setTrafficCapacity(TrafficRing::ShownCapacity);
    if (device.serial && device.baud == QLatin1String("auto")) {
        if (!searchSerialSpeed(&device, failure))
            return false;
        foundBaud = device.baud.toInt();
    }
    return true;
}

void CliRunner::dialDevice()
{
    if (device.serial) {
        LinkSession::SerialSettings settings;
        settings.portName = device.address;
        settings.baudRate = device.baud;
        session.openSerial(settings);
    } else {
        session.openTcpClient(QStringLiteral("0.0.0.0"), device.address, device.port);
    }
}

CliResult CliRunner::openFailure(int code, const QString &reason) const
{
    // The system's reason where the transport gave one ("Connection refused"), else its error code.
    return CliResult::failure(
        ExitLinkFailure,
        reason.isEmpty()
            ? QStringLiteral("cannot open %1 (error %2)").arg(device.text).arg(code)
            : QStringLiteral("cannot open %1: %2 (error %3)").arg(device.text, reason).arg(code));
}

bool CliRunner::open(CliResult *failure)
{
    if (!beginOpen(failure))
        return false;
    bool answered = false;
    bool connected = false;
    // The connection ends with this function (it refers to its locals).
    const QObject scope;
    QObject::connect(&session, &LinkSession::SGL_ConnectStatus, &scope,
                     [&](quint32, bool status, int error, const QString &reason) {
                         answered = true;
                         connected = status;
                         if (!status)
                             *failure = openFailure(error, reason);
                     });
    dialDevice();
    waitFor(&session, &LinkSession::SGL_ConnectStatus, [&] { return answered; });
    return connected;
}

CliResult CliRunner::readResult(const SetupReader &reader) const
{
    switch (reader.outcome()) {
    case SetupReader::Outcome::Done:
        return CliResult();
    case SetupReader::Outcome::LinkLost:
        return CliResult::failure(ExitLinkFailure,
                                  QStringLiteral("the link to %1 was lost").arg(device.text));
    case SetupReader::Outcome::UnknownModel:
        return CliResult::failure(
            ExitRefused, QStringLiteral("the device is an unknown model '%1'").arg(reader.reportedModel()));
    default:
        return CliResult::failure(ExitRefused, noReplyText(reader.timedOut()));
    }
}

bool CliRunner::read(SetupReader &reader, const QList<SetupGroup> &groups, quint32 model, CliResult *failure)
{
    reader.start(groups, model);
    waitFor(&reader, &SetupReader::SGL_Finished,
            [&] { return reader.outcome() != SetupReader::Outcome::Running; });
    *failure = readResult(reader);
    return failure->exitCode == ExitDone;
}

CliResult CliRunner::identify()
{
    SetupReader reader(session);
    CliResult result;
    if (!read(reader, {}, NoModel, &result))
        return result;
    result.output = reader.setup().modelName().toLatin1() + '\n';
    result.message = reader.setup().modelName();
    result.data.insert(QStringLiteral("model"), reader.setup().modelName());
    return result;
}

CliResult CliRunner::sync()
{
    SetupReader reader(session);
    CliResult result;
    if (!read(reader, SetupReader::allGroups(), NoModel, &result))
        return result;
    result.output = reader.setup().toJson();
    result.message =
        QStringLiteral("%1 values of a %2").arg(reader.setup().values.size()).arg(reader.setup().modelName());
    result.data.insert(QStringLiteral("setup"), QJsonDocument::fromJson(result.output).object());
    return result;
}

CliResult CliRunner::get()
{
    const QString name = options.arguments.first();
    const SetupKey *key = SetupKeys::find(name);
    SetupReader reader(session);
    CliResult result;
    if (!read(reader, {key->group}, NoModel, &result))
        return result;
    const auto value = reader.setup().values.find(name);
    if (value == reader.setup().values.end())
        return CliResult::failure(
            ExitRefused,
            QStringLiteral("a %1 in its present layout has no %2").arg(reader.setup().modelName(), name));
    result.output = value->second.toUtf8() + '\n';
    result.message = QStringLiteral("%1 = %2").arg(name, value->second);
    result.data.insert(QStringLiteral("key"), name);
    result.data.insert(QStringLiteral("value"), value->second);
    return result;
}

CliResult CliRunner::set()
{
    const QString name = options.arguments.at(0);
    const SetupKey *key = SetupKeys::find(name);
    SetupReader reader(session);
    CliResult result;
    if (!read(reader, {}, NoModel, &result))
        return result;
    DeviceSetup target;
    target.model = reader.setup().model;
    QString why;
    const QString value = SetupKeys::normalized(*key, target.model, {}, options.arguments.at(1), &why);
    if (value.isNull())
        return CliResult::failure(ExitUsage, why);
    if (!SetupKeys::applies(*key, target.model, {}))
        return CliResult::failure(ExitRefused,
                                  QStringLiteral("a %1 has no %2").arg(target.modelName(), name));
    target.values[name] = value;
    result = restore(target, key->group == SetupGroup::Link, QStringLiteral("%1 = %2").arg(name, value));
    if (result.exitCode != ExitDiffers)
        return result;
    // The device did not answer, did not take the value, or holds no such value in its present layout.
    const QJsonValue held =
        result.data.value(QLatin1String("differences")).toArray().first()[QLatin1String("device")];
    const QStringList timedOut = result.data.value(QLatin1String("timedOut")).toVariant().toStringList();
    result.exitCode = ExitRefused;
    result.output.clear();
    if (!timedOut.isEmpty())
        result.message = noReplyText(timedOut);
    else if (held.isNull())
        result.message = QStringLiteral("a %1 in its present layout has no %2").arg(target.modelName(), name);
    else
        result.message =
            QStringLiteral("the device refused %1 = %2 and holds %3").arg(name, value, held.toString());
    return result;
}

CliResult CliRunner::restore(const DeviceSetup &target, bool withLink, const QString &what)
{
    SetupRestore restore(session);
    restore.start(target, withLink);
    waitFor(&restore, &SetupRestore::SGL_Finished,
            [&] { return restore.outcome() != SetupRestore::Outcome::Running; });
    CliResult result;
    QJsonArray sent;
    for (const QString &line : restore.sent())
        sent.append(line);
    result.data.insert(QStringLiteral("sent"), sent);
    result.data.insert(QStringLiteral("differences"), differencesJson(restore.remaining()));
    result.data.insert(QStringLiteral("timedOut"), QJsonArray::fromStringList(restore.timedOut()));
    switch (restore.outcome()) {
    case SetupRestore::Outcome::Matches:
        result.message =
            restore.sent().isEmpty()
                ? QStringLiteral("%1: nothing to change").arg(what)
                : QStringLiteral("%1: %2 change(s) sent, the device matches").arg(what).arg(sent.size());
        break;
    case SetupRestore::Outcome::Differs:
        result.exitCode = ExitDiffers;
        result.output = differencesText(restore.remaining()).toUtf8();
        result.message = QStringLiteral("%1: %2 change(s) sent, %3 value(s) still differ")
                             .arg(what)
                             .arg(sent.size())
                             .arg(restore.remaining().size());
        break;
    case SetupRestore::Outcome::OtherModel:
        result.exitCode = ExitDiffers;
        result.message = QStringLiteral("%1 is meant for a %2, the device is a %3; nothing was changed")
                             .arg(what, target.modelName(), restore.reportedModel());
        break;
    case SetupRestore::Outcome::LinkLost:
        result.exitCode = ExitLinkFailure;
        result.message = QStringLiteral("the link to %1 was lost").arg(device.text);
        break;
    case SetupRestore::Outcome::UnknownModel:
        result.exitCode = ExitRefused;
        result.message = QStringLiteral("the device is an unknown model '%1'").arg(restore.reportedModel());
        break;
    default:
        result.exitCode = ExitRefused;
        result.message = noReplyText(restore.timedOut());
        break;
    }
    return result;
}

CliResult CliRunner::send()
{
    const QByteArray text = options.arguments.first().toUtf8();
    if (quint32(text.size()) > MaxRequestText)
        return CliResult::failure(ExitUsage,
                                  QStringLiteral("a line holds at most %1 bytes").arg(MaxRequestText));
    // Any line that comes back answers it.
    ReplyRule rule = defaultReplyRule(QByteArray());
    rule.acceptAnyLine = 1;
    LinkExchange exchange(session);
    QByteArray answer;
    qint32 roundTripUs = 0;
    exchange.setReplyHandler([&](const LinkReply &reply) {
        answer = reply.replyLine();
        roundTripUs = reply.roundTripUs();
    });
    if (!exchange.send({requestWithRule(text, rule)}))
        return CliResult::failure(ExitLinkFailure,
                                  QStringLiteral("the link to %1 was lost").arg(device.text));
    QEventLoop loop;
    QObject::connect(&exchange, &LinkExchange::SGL_Settled, &loop, &QEventLoop::quit);
    QObject::connect(&exchange, &LinkExchange::SGL_LinkLost, &loop, &QEventLoop::quit);
    if (!exchange.settled() && !exchange.linkLost())
        loop.exec();
    if (exchange.linkLost())
        return CliResult::failure(ExitLinkFailure,
                                  QStringLiteral("the link to %1 was lost").arg(device.text));
    if (answer.isEmpty())
        return CliResult::failure(ExitRefused, noReplyText({QString::fromUtf8(text)}));
    QByteArray line = answer;
    while (line.endsWith('\r') || line.endsWith('\n'))
        line.chop(1);
    while (line.startsWith('\n'))
        line.remove(0, 1);
    CliResult result;
    result.output = line + '\n';
    result.message = QString::fromLatin1(line);
    result.data.insert(QStringLiteral("reply"), QString::fromLatin1(line));
    result.data.insert(QStringLiteral("roundTripMs"), double(roundTripUs) / 1000.0);
    return result;
}

CliResult CliRunner::snapshot(const DeviceSetup &file)
{
    const QString action = options.arguments.at(0);
    const QString path = options.arguments.at(1);
    SetupReader reader(session);
    CliResult result;
    if (action == QLatin1String("restore"))
        return restore(file, options.withLink, path);
    QList<SetupGroup> groups = SetupReader::allGroups();
    DeviceSetup wanted = file;
    if (action == QLatin1String("diff")) {
        // Link settings count only with --with-link, as for a restore: every device has its own address.
        for (auto it = wanted.values.begin(); it != wanted.values.end();)
            it = !options.withLink && it->first.startsWith(QLatin1String("link.")) ? wanted.values.erase(it)
                                                                                   : std::next(it);
        groups.clear();
        for (const auto &entry : wanted.values) {
            const SetupGroup group = SetupKeys::find(entry.first)->group;
            if (!groups.contains(group))
                groups << group;
        }
    }
    if (!read(reader, groups, NoModel, &result))
        return result;
    const DeviceSetup &device = reader.setup();
    if (action == QLatin1String("save")) {
        QString error;
        if (!writeSetupFile(path, device, &error))
            return CliResult::failure(ExitUsage, QStringLiteral("cannot write %1: %2").arg(path, error));
        result.message = QStringLiteral("%1 values of a %2 saved to %3")
                             .arg(device.values.size())
                             .arg(device.modelName(), path);
        return result;
    }
    if (device.model != file.model)
        return CliResult::failure(ExitDiffers, QStringLiteral("%1 is meant for a %2, the device is a %3")
                                                   .arg(path, file.modelName(), device.modelName()));
    const QList<SetupDifference> differences = setupDifferences(wanted.values, device.values);
    result.output = differencesText(differences).toUtf8();
    result.data.insert(QStringLiteral("differences"), differencesJson(differences));
    result.exitCode = differences.isEmpty() ? ExitDone : ExitDiffers;
    result.message = differences.isEmpty()
                         ? QStringLiteral("the device matches %1").arg(path)
                         : QStringLiteral("%1 value(s) differ from %2").arg(differences.size()).arg(path);
    return result;
}

CliResult CliRunner::log()
{
    QuitOnSignal quitOnSignal;
    bool lost = false;
    quint64 seen = session.traffic().endSequence();
    if (!options.json)
        std::printf("%s\n", qPrintable(TrafficFormat::fileHeader()));
    // The connections end with this function (they refer to its locals); the session reports its own
    // closing when it is destroyed.
    const QObject scope;
    QObject::connect(&session, &LinkSession::SGL_TrafficRecorded, &scope, [&] {
        const TrafficRing &ring = session.traffic();
        for (quint64 sequence = ring.keptFrom(seen); sequence < ring.endSequence(); ++sequence) {
            const TrafficRecord &record = ring.at(sequence);
            if (options.json) {
                QJsonObject line{{QStringLiteral("time"), TrafficFormat::timestamp(record.wallMs)},
                                 {QStringLiteral("monotonicMs"), double(record.monotonicUs) / 1000.0},
                                 {QStringLiteral("direction"), TrafficFormat::direction(record.kind)},
                                 {QStringLiteral("text"), TrafficFormat::escaped(record.bytes)},
                                 {QStringLiteral("hex"), TrafficFormat::hex(record.bytes)}};
                if (record.answersCommand() || record.kind == TrafficRecord::TimedOut) {
                    line.insert(
                        QStringLiteral("command"),
                        TrafficFormat::escaped(record.answersCommand() ? record.command : record.bytes));
                    line.insert(QStringLiteral("roundTripMs"), double(record.roundTripUs) / 1000.0);
                }
                std::printf("%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
            } else {
                std::printf("%s\n", qPrintable(TrafficFormat::fileLine(record)));
            }
        }
        seen = ring.endSequence();
        std::fflush(stdout);
    });
    const auto lose = [&] {
        lost = true;
        QCoreApplication::quit();
    };
    QObject::connect(&session, &LinkSession::SGL_LinkLost, &scope, lose);
    QObject::connect(&session, &LinkSession::SGL_LinkClosed, &scope, lose);
    QCoreApplication::exec();
    if (lost)
        return CliResult::failure(ExitLinkFailure,
                                  QStringLiteral("the link to %1 was lost").arg(device.text));
    CliResult result;
    result.message = QStringLiteral("log ended");
    result.streamed = true;
    return result;
}
