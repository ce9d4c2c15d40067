#include "GatewayWrites.h"

#include "GatewayDevice.h"

#include "protocol/Actions.h"
#include "protocol/Catalogue.h"
#include "protocol/ValueTables.h"
#include "setup/DeviceSetup.h"
#include "setup/SetupRestore.h"

#include <QJsonArray>
#include <QPointer>

#include <memory>

namespace {

// What a setting of `model` takes, for an error body: its wire words, or its range.
QJsonValue allowedValues(const Setting &setting, quint32 model, const SetupValues &values)
{
    if (setting.words)
        return QJsonArray::fromStringList(setting.words(model).toStringList());
    if (setting.kind == Setting::Number || setting.kind == Setting::Rectangle) {
        const std::pair<int, int> range = Settings::range(setting, model, values);
        return QJsonObject{{QStringLiteral("min"), range.first}, {QStringLiteral("max"), range.second}};
    }
    return QJsonValue(QJsonValue::Undefined);
}

// How a request that reached the link ended, as an answer: the reply line, or why there is none.
HttpResponse replyAnswer(const LinkReply &reply)
{
    switch (reply.outcome()) {
    case LinkReply::Outcome::Answered: {
        QByteArray line = reply.replyLine();
        while (line.endsWith('\r') || line.endsWith('\n'))
            line.chop(1);
        while (line.startsWith('\n'))
            line.remove(0, 1);
        return HttpResponse::json(
            200, QJsonObject{{QStringLiteral("status"), QStringLiteral("done")},
                             {QStringLiteral("reply"), QString::fromLatin1(line)},
                             {QStringLiteral("roundTripMs"), double(reply.roundTripUs()) / 1000.0}});
    }
    case LinkReply::Outcome::Written:
        return HttpResponse::json(200, QJsonObject{{QStringLiteral("status"), QStringLiteral("sent")},
                                                   {QStringLiteral("reply"), QJsonValue(QJsonValue::Null)}});
    case LinkReply::Outcome::TimedOut:
        return HttpResponse::error(504, QStringLiteral("timeout"),
                                   QStringLiteral("the device did not reply in time"));
    default:
        return HttpResponse::error(503, QStringLiteral("link_down"),
                                   QStringLiteral("the link ended before the reply"));
    }
}

HttpResponse queueFull()
{
    HttpResponse response = HttpResponse::error(429, QStringLiteral("busy"),
                                                QStringLiteral("the device has too many changes waiting"));
    response.headers.push_back({"Retry-After", "1"});
    return response;
}

// Queues `request` on the device as a job and answers with its end.
void exchange(GatewayDevice &device, const QString &by, const Request &request, bool restarts,
              const GatewayWrites::Answer &answer)
{
    QPointer<GatewayDevice> held(&device);
    const bool queued = device.enqueue(
        [held, request, restarts, answer](const std::function<void()> &done) {
            if (!held || !held->isUsable()) {
                answer(held ? GatewayWrites::unavailable(*held)
                            : HttpResponse::error(503, QStringLiteral("link_down"),
                                                  QStringLiteral("the device is gone")));
                done();
                return;
            }
            LinkReply *reply = held->session().send(request);
            if (restarts)
                held->followRestart();
            QObject::connect(reply, &LinkReply::finished, held, [reply, answer, done] {
                answer(replyAnswer(*reply));
                done();
            });
        },
        by);
    if (!queued)
        answer(queueFull());
}

} // namespace

namespace GatewayWrites {

HttpResponse unavailable(const GatewayDevice &device)
{
    const QString state = QLatin1String(linkStateName(device.state()));
    switch (device.state()) {
    case LinkState::Up:
    case LinkState::NotAnswering:
        return HttpResponse();
    case LinkState::Restarting:
        return HttpResponse::error(409, QStringLiteral("restarting"),
                                   QStringLiteral("the device is restarting: %1").arg(device.reason()));
    default:
        return HttpResponse::error(503, QStringLiteral("link_down"),
                                   QStringLiteral("the device is %1: %2").arg(state, device.reason()));
    }
}

void putValues(GatewayDevice &device, const QString &by, const QJsonObject &body, const Answer &answer)
{
    const quint32 model = device.model();
    const SetupValues &current = device.session().device().values();
    SetupValues merged = current;
    SetupValues wanted;
    // Every key is checked against the values it will stand beside (a window source needs the layout given
    // with it), before anything goes.
    for (auto it = body.begin(); it != body.end(); ++it) {
        const Setting *setting = Settings::find(it.key());
        if (!setting || !setting->onModel(model) || setting->group == SetupGroup::Link) {
            QStringList keys;
            for (const Setting &row : Settings::all()) {
                if (row.onModel(model) && row.group != SetupGroup::Link)
                    keys << QLatin1String(row.name);
            }
            answer(HttpResponse::error(
                400, QStringLiteral("unknown_key"),
                setting && setting->group == SetupGroup::Link
                    ? QStringLiteral("%1 is a link setting, which the gateway does not change").arg(it.key())
                    : QStringLiteral("a %1 has no setting %2")
                          .arg(QString::fromLatin1(Tables::Models.at(model)), it.key()),
                QJsonArray::fromStringList(keys)));
            return;
        }
        merged[it.key()] = setupTextOf(it.value());
    }
    for (auto it = body.begin(); it != body.end(); ++it) {
        const Setting &setting = *Settings::find(it.key());
        QString why;
        const QString value = Settings::normalized(setting, model, merged, setupTextOf(it.value()), &why);
        if (value.isNull()) {
            answer(HttpResponse::error(400, QStringLiteral("invalid_value"), why,
                                       allowedValues(setting, model, merged)));
            return;
        }
        if (!Settings::applies(setting, model, merged)) {
            answer(HttpResponse::error(
                400, QStringLiteral("not_applicable"),
                QStringLiteral("%1 does not apply in the multiview layout given").arg(it.key())));
            return;
        }
        wanted[it.key()] = value;
    }
    QPointer<GatewayDevice> held(&device);
    const bool queued = device.enqueue(
        [held, model, wanted, answer](const std::function<void()> &done) {
            if (!held || !held->isUsable()) {
                answer(held ? unavailable(*held)
                            : HttpResponse::error(503, QStringLiteral("link_down"),
                                                  QStringLiteral("the device is gone")));
                done();
                return;
            }
            auto *restore = new SetupRestore(held->session(), held);
            QObject::connect(
                restore, &SetupRestore::SGL_Finished, held, [held, restore, wanted, answer, done] {
                    restore->deleteLater();
                    done();
                    switch (restore->outcome()) {
                    case SetupRestore::Outcome::LinkLost:
                        answer(
                            HttpResponse::error(503, QStringLiteral("link_down"),
                                                QStringLiteral("the link ended before the device replied")));
                        return;
                    case SetupRestore::Outcome::TimedOut:
                        answer(HttpResponse::error(504, QStringLiteral("timeout"),
                                                   QStringLiteral("the device did not reply in time")));
                        return;
                    case SetupRestore::Outcome::OtherModel:
                    case SetupRestore::Outcome::UnknownModel:
                        answer(HttpResponse::error(409, QStringLiteral("other_model"),
                                                   QStringLiteral("the device now names itself a %1")
                                                       .arg(restore->reportedModel())));
                        return;
                    default:
                        break;
                    }
                    const SetupValues &now = held->session().device().values();
                    const QStringList unanswered = restore->timedOut();
                    if (!restore->sent().isEmpty() && unanswered.size() == restore->sent().size()) {
                        answer(HttpResponse::error(504, QStringLiteral("timeout"),
                                                   QStringLiteral("the device did not reply in time")));
                        return;
                    }
                    QJsonObject results;
                    for (const auto &[key, value] : wanted) {
                        const auto found = now.find(key);
                        const Setting &setting = *Settings::find(key);
                        const QJsonValue heldValue = found == now.end()
                                                         ? QJsonValue(QJsonValue::Null)
                                                         : setupJsonValue(setting, found->second);
                        QString word = QStringLiteral("done");
                        if (found == now.end() || found->second != value)
                            word = unanswered.isEmpty() ? QStringLiteral("refused")
                                                        : QStringLiteral("timed_out");
                        results.insert(key, QJsonObject{{QStringLiteral("status"), word},
                                                        {QStringLiteral("value"), heldValue}});
                    }
                    answer(HttpResponse::json(200, QJsonObject{{QStringLiteral("values"), results}}));
                });
            DeviceSetup target;
            target.model = model;
            target.values = wanted;
            restore->start(target, false);
        },
        by);
    if (!queued)
        answer(queueFull());
}

void putSetup(GatewayDevice &device, const QString &by, const QByteArray &file, const Answer &answer)
{
    const SetupFileResult read = parseSetup(file);
    if (read.status != SetupFileResult::Ok) {
        answer(HttpResponse::error(400,
                                   read.status == SetupFileResult::BadValue ? QStringLiteral("invalid_value")
                                                                            : QStringLiteral("bad_setup"),
                                   read.detail));
        return;
    }
    if (read.setup.model != device.model()) {
        answer(HttpResponse::error(
            400, QStringLiteral("wrong_model"),
            QStringLiteral("a setup of a %1 cannot be restored to a %2")
                .arg(read.setup.modelName(), QString::fromLatin1(Tables::Models.at(device.model())))));
        return;
    }
    // The link settings stay as they are: the device file would no longer lead to the device.
    QJsonObject values;
    for (const auto &[key, text] : read.setup.values) {
        const Setting *setting = Settings::find(key);
        if (setting && setting->group != SetupGroup::Link)
            values.insert(key, setupJsonValue(*setting, text));
    }
    putValues(device, by, values, answer);
}

void runAction(GatewayDevice &device, const QString &by, const QString &name, const QJsonObject &body,
               const Answer &answer)
{
    const Action *action = Actions::find(name);
    const quint32 model = device.model();
    if (!action || !action->onModel(model)) {
        QStringList names;
        for (const Action &row : Actions::all()) {
            if (row.onModel(model))
                names << QLatin1String(row.name);
        }
        answer(HttpResponse::error(
            404, QStringLiteral("unknown_action"),
            QStringLiteral("a %1 has no action %2").arg(QString::fromLatin1(Tables::Models.at(model)), name),
            QJsonArray::fromStringList(names)));
        return;
    }
    QByteArray argument;
    if (action->argumentName) {
        const QJsonValue given = body.value(QLatin1String(action->argumentName));
        argument = action->argument == Action::Edid ? QByteArray::fromBase64(given.toString().toLatin1())
                                                    : setupTextOf(given).toLatin1();
    }
    for (auto it = body.begin(); it != body.end(); ++it) {
        if (!action->argumentName || it.key() != QLatin1String(action->argumentName)) {
            answer(HttpResponse::error(400, QStringLiteral("invalid_value"),
                                       QStringLiteral("%1 takes no %2").arg(name, it.key())));
            return;
        }
    }
    QString why;
    const Request request = Actions::request(*action, device.session().device().context(), argument, &why);
    if (request.isNull()) {
        answer(HttpResponse::error(400, QStringLiteral("invalid_value"), why));
        return;
    }
    exchange(device, by, request, action->restarts, answer);
}

void sendLine(GatewayDevice &device, const QString &by, const QJsonObject &body, const Answer &answer)
{
    const QByteArray line = body.value(QLatin1String("line")).toString().toLatin1();
    bool printable = !line.isEmpty() && quint32(line.size()) <= MaxRequestText;
    for (const char c : line)
        printable = printable && c >= 0x20 && c < 0x7f;
    if (!printable || body.size() != 1) {
        answer(HttpResponse::error(
            400, QStringLiteral("invalid_value"),
            QStringLiteral("{\"line\": ...} with 1 to %1 printable ASCII characters").arg(MaxRequestText)));
        return;
    }
    // Any line that comes back answers it.
    ReplyRule rule = defaultReplyRule(QByteArray());
    rule.acceptAnyLine = 1;
    exchange(device, by, requestWithRule(line, rule), false, answer);
}

} // namespace GatewayWrites
