#include "CliRunner.h"

#include "CliDiscover.h"

#include "protocol/ValueTables.h"
#include "session/HeldLinks.h"
#include "session/SavedDevices.h"
#include "session/TrafficFormat.h"
#include "setup/LinkExchange.h"
#include "setup/SetupReader.h"
#include "setup/SetupRestore.h"

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

} // namespace

CliRunner::CliRunner(const CliOptions &cliOptions, const CliDevice &cliDevice)
    : options(cliOptions), device(cliDevice)
{
}

CliRunner::~CliRunner() = default;

void CliRunner::start(const Done &done, const QByteArray &logPrefix)
{
    whenDone = done;
    prefix = logPrefix;
    DeviceSetup file;
    if (options.command == QLatin1String("snapshot") && options.arguments.first() != QLatin1String("save")) {
        const SetupFileResult loaded = readSetupFile(options.arguments.at(1));
        if (loaded.status != SetupFileResult::Ok) {
            finish(CliResult::failure(ExitUsage, QStringLiteral("%1 is not a usable setup file: %2")
                                                     .arg(options.arguments.at(1), loaded.detail)));
            return;
        }
        file = loaded.setup;
    }
    const bool keyed = options.command == QLatin1String("get") || options.command == QLatin1String("set");
    if (keyed && !Settings::find(options.arguments.first())) {
        finish(
            CliResult::failure(ExitUsage, QStringLiteral("unknown key '%1'").arg(options.arguments.first())));
        return;
    }
    if (options.command == QLatin1String("action")) {
        const CliResult prepared = prepareAction();
        if (prepared.exitCode != ExitDone) {
            finish(prepared);
            return;
        }
    }
    open([this, file](const CliResult &opened) {
        if (opened.exitCode != ExitDone)
            finish(opened);
        else
            runCommand(file);
    });
}

void CliRunner::runCommand(const DeviceSetup &file)
{
    const QString &command = options.command;
    if (command == QLatin1String("identify"))
        identify();
    else if (command == QLatin1String("sync"))
        sync();
    else if (command == QLatin1String("get"))
        get();
    else if (command == QLatin1String("set"))
        set();
    else if (command == QLatin1String("send"))
        send();
    else if (command == QLatin1String("action"))
        action();
    else if (command == QLatin1String("actions") || command == QLatin1String("settings"))
        describe();
    else if (command == QLatin1String("log"))
        log();
    else
        snapshot(file);
}

void CliRunner::endStep()
{
    // A step ends from one of its own connections: they are cut at once, the object goes later.
    if (!step)
        return;
    QObject::disconnect(&session, nullptr, step, nullptr);
    step->deleteLater();
    step = nullptr;
}

void CliRunner::finish(const CliResult &result)
{
    logging = false;
    endStep();
    if (!whenDone)
        return;
    const Done done = std::move(whenDone);
    whenDone = nullptr;
    done(result);
}

void CliRunner::startOpenAndReadAll(const Done &done)
{
    whenDone = done;
    open([this](const CliResult &opened) {
        if (opened.exitCode != ExitDone)
            finish(opened);
        else
            read(SetupReader::allGroups(), [this](const CliResult &result) { finish(result); });
    });
}

void CliRunner::open(const Done &next)
{
    // Only the log needs the traffic log: every other command learns from each request's reply.
    session.setTrafficRecording(options.command == QLatin1String("log"));
    if (options.command == QLatin1String("log"))
        session.setTrafficCapacity(TrafficRing::ShownCapacity);
    CliResult failure;
    if (device.serial && device.baud == QLatin1String("auto")) {
        if (!searchSerialSpeed(&device, &failure)) {
            next(failure);
            return;
        }
        foundBaud = device.baud.toInt();
    }
    step = new QObject(&session);
    QObject::connect(
        &session, &LinkSession::SGL_ConnectStatus, step,
        [this, next](quint32, bool status, int code, const QString &reason) {
            endStep();
            if (status) {
                next(CliResult());
                return;
            }
            // The system's reason where the transport gave one ("Connection refused"), else
            // its error code.
            next(CliResult::failure(
                ExitLinkFailure,
                reason.isEmpty()
                    ? QStringLiteral("cannot open %1 (error %2)").arg(device.text).arg(code)
                    : QStringLiteral("cannot open %1: %2 (error %3)").arg(device.text, reason).arg(code)));
        });
    SavedDevice link;
    link.serial = device.serial;
    link.address = device.address;
    link.port = quint16(device.port.toUInt());
    if (const qint64 gateway = HeldLinks::holder(link))
        std::fprintf(
            stderr,
            "lumaplex-cli: lumaplex-gateway (process %lld) on this computer holds %s open as well: a serial "
            "port cannot be shared, and two programs watching one device double its traffic\n",
            static_cast<long long>(gateway), qPrintable(link.linkKey()));
    if (device.serial) {
        LinkSession::SerialSettings settings;
        settings.portName = device.address;
        settings.baudRate = device.baud;
        session.openSerial(settings);
    } else {
        session.openTcpClient(QStringLiteral("0.0.0.0"), device.address, device.port);
    }
}

CliResult CliRunner::linkLost() const
{
    return CliResult::failure(ExitLinkFailure, QStringLiteral("the link to %1 was lost").arg(device.text));
}

void CliRunner::read(const QList<SetupGroup> &groups, const Done &next)
{
    reader = std::make_unique<SetupReader>(session);
    QObject::connect(reader.get(), &SetupReader::SGL_Finished, reader.get(), [this, next] {
        switch (reader->outcome()) {
        case SetupReader::Outcome::Done:
            next(CliResult());
            break;
        case SetupReader::Outcome::LinkLost:
            next(linkLost());
            break;
        case SetupReader::Outcome::UnknownModel:
            next(CliResult::failure(
                ExitRefused,
                QStringLiteral("the device is an unknown model '%1'").arg(reader->reportedModel())));
            break;
        default:
            next(CliResult::failure(ExitRefused, noReplyText(reader->timedOut())));
            break;
        }
    });
    reader->start(groups, NoModel);
}

void CliRunner::identify()
{
    read({}, [this](CliResult result) {
        if (result.exitCode == ExitDone) {
            const QString model = reader->setup().modelName();
            result.output = model.toLatin1() + '\n';
            result.message = model;
            result.data.insert(QStringLiteral("model"), model);
        }
        finish(result);
    });
}

void CliRunner::sync()
{
    read(SetupReader::allGroups(), [this](CliResult result) {
        if (result.exitCode == ExitDone) {
            const DeviceSetup &setup = reader->setup();
            result.output = setup.toJson();
            result.message =
                QStringLiteral("%1 values of a %2").arg(setup.values.size()).arg(setup.modelName());
            result.data.insert(QStringLiteral("setup"), QJsonDocument::fromJson(result.output).object());
        }
        finish(result);
    });
}

void CliRunner::get()
{
    const QString name = options.arguments.first();
    read({Settings::find(name)->group}, [this, name](CliResult result) {
        if (result.exitCode != ExitDone) {
            finish(result);
            return;
        }
        const auto value = reader->setup().values.find(name);
        if (value == reader->setup().values.end()) {
            finish(CliResult::failure(ExitRefused, QStringLiteral("a %1 in its present layout has no %2")
                                                       .arg(reader->setup().modelName(), name)));
            return;
        }
        result.output = value->second.toUtf8() + '\n';
        result.message = QStringLiteral("%1 = %2").arg(name, value->second);
        result.data.insert(QStringLiteral("key"), name);
        result.data.insert(QStringLiteral("value"), value->second);
        finish(result);
    });
}

void CliRunner::set()
{
    const QString name = options.arguments.at(0);
    const Setting *key = Settings::find(name);
    read({}, [this, name, key](const CliResult &identified) {
        if (identified.exitCode != ExitDone) {
            finish(identified);
            return;
        }
        DeviceSetup target;
        target.model = reader->setup().model;
        QString why;
        const QString value = Settings::normalized(*key, target.model, {}, options.arguments.at(1), &why);
        if (value.isNull()) {
            finish(CliResult::failure(ExitUsage, why));
            return;
        }
        if (!Settings::applies(*key, target.model, {})) {
            finish(CliResult::failure(ExitRefused,
                                      QStringLiteral("a %1 has no %2").arg(target.modelName(), name)));
            return;
        }
        target.values[name] = value;
        restore(
            target, key->group == SetupGroup::Link, QStringLiteral("%1 = %2").arg(name, value),
            [this, name, value, target](CliResult result) {
                if (result.exitCode != ExitDiffers) {
                    finish(result);
                    return;
                }
                // The device did not answer, did not take the value, or holds no such value in its present
                // layout.
                const QJsonValue held = result.data.value(QLatin1String("differences"))
                                            .toArray()
                                            .first()[QLatin1String("device")];
                const QStringList timedOut =
                    result.data.value(QLatin1String("timedOut")).toVariant().toStringList();
                result.exitCode = ExitRefused;
                result.output.clear();
                if (!timedOut.isEmpty())
                    result.message = noReplyText(timedOut);
                else if (held.isNull())
                    result.message =
                        QStringLiteral("a %1 in its present layout has no %2").arg(target.modelName(), name);
                else
                    result.message = QStringLiteral("the device refused %1 = %2 and holds %3")
                                         .arg(name, value, held.toString());
                finish(result);
            });
    });
}

void CliRunner::restore(const DeviceSetup &target, bool withLink, const QString &what, const Done &next)
{
    restorer = std::make_unique<SetupRestore>(session);
    QObject::connect(restorer.get(), &SetupRestore::SGL_Finished, restorer.get(),
                     [this, target, what, next] { next(restoreResult(target, what)); });
    restorer->start(target, withLink);
}

CliResult CliRunner::restoreResult(const DeviceSetup &target, const QString &what) const
{
    const SetupRestore &restore = *restorer;
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
        return linkLost();
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

void CliRunner::snapshot(const DeviceSetup &file)
{
    const QString action = options.arguments.at(0);
    const QString path = options.arguments.at(1);
    if (action == QLatin1String("restore")) {
        restore(file, options.withLink, path, [this](const CliResult &result) { finish(result); });
        return;
    }
    QList<SetupGroup> groups = SetupReader::allGroups();
    DeviceSetup wanted = file;
    if (action == QLatin1String("diff")) {
        // Link settings count only with --with-link, as for a restore: every device has its own address.
        for (auto it = wanted.values.begin(); it != wanted.values.end();)
            it = !options.withLink && it->first.startsWith(QLatin1String("link.")) ? wanted.values.erase(it)
                                                                                   : std::next(it);
        groups.clear();
        for (const auto &entry : wanted.values) {
            const SetupGroup group = Settings::find(entry.first)->group;
            if (!groups.contains(group))
                groups << group;
        }
    }
    read(groups, [this, action, path, file, wanted](CliResult result) {
        if (result.exitCode != ExitDone) {
            finish(result);
            return;
        }
        const DeviceSetup &held = reader->setup();
        if (action == QLatin1String("save")) {
            QString error;
            if (!writeSetupFile(path, held, &error)) {
                finish(CliResult::failure(ExitUsage, QStringLiteral("cannot write %1: %2").arg(path, error)));
                return;
            }
            result.message = QStringLiteral("%1 values of a %2 saved to %3")
                                 .arg(held.values.size())
                                 .arg(held.modelName(), path);
            finish(result);
            return;
        }
        if (held.model != file.model) {
            finish(CliResult::failure(ExitDiffers, QStringLiteral("%1 is meant for a %2, the device is a %3")
                                                       .arg(path, file.modelName(), held.modelName())));
            return;
        }
        const QList<SetupDifference> differences = setupDifferences(wanted.values, held.values);
        result.output = differencesText(differences).toUtf8();
        result.data.insert(QStringLiteral("differences"), differencesJson(differences));
        result.exitCode = differences.isEmpty() ? ExitDone : ExitDiffers;
        result.message = differences.isEmpty()
                             ? QStringLiteral("the device matches %1").arg(path)
                             : QStringLiteral("%1 value(s) differ from %2").arg(differences.size()).arg(path);
        finish(result);
    });
}

void CliRunner::log()
{
    logging = true;
    auto seen = std::make_shared<quint64>(session.traffic().endSequence());
    if (!options.json)
        std::printf("%s%s\n", prefix.constData(), qPrintable(TrafficFormat::fileHeader()));
    step = new QObject(&session);
    QObject::connect(&session, &LinkSession::SGL_TrafficRecorded, step, [this, seen] {
        const TrafficRing &ring = session.traffic();
        for (quint64 sequence = ring.keptFrom(*seen); sequence < ring.endSequence(); ++sequence) {
            const TrafficRecord &record = ring.at(sequence);
            QByteArray line;
            if (options.json) {
                QJsonObject object{{QStringLiteral("time"), TrafficFormat::timestamp(record.wallMs)},
                                   {QStringLiteral("monotonicMs"), double(record.monotonicUs) / 1000.0},
                                   {QStringLiteral("direction"), TrafficFormat::direction(record.kind)},
                                   {QStringLiteral("text"), TrafficFormat::escaped(record.bytes)},
                                   {QStringLiteral("hex"), TrafficFormat::hex(record.bytes)}};
                if (record.answersCommand() || record.kind == TrafficRecord::TimedOut) {
                    object.insert(
                        QStringLiteral("command"),
                        TrafficFormat::escaped(record.answersCommand() ? record.command : record.bytes));
                    object.insert(QStringLiteral("roundTripMs"), double(record.roundTripUs) / 1000.0);
                }
                line = QJsonDocument(object).toJson(QJsonDocument::Compact);
            } else {
                line = TrafficFormat::fileLine(record).toLocal8Bit();
            }
            std::printf("%s%s\n", prefix.constData(), line.constData());
        }
        *seen = ring.endSequence();
        std::fflush(stdout);
    });
    QObject::connect(&session, &LinkSession::SGL_LinkLost, step, [this] { finish(linkLost()); });
    QObject::connect(&session, &LinkSession::SGL_LinkClosed, step, [this] { finish(linkLost()); });
}

void CliRunner::endLog()
{
    if (!logging)
        return;
    CliResult result;
    result.message = QStringLiteral("log ended");
    result.streamed = true;
    finish(result);
}
