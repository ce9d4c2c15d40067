// The commands that send one request (send, action) and those that describe a device's model (actions,
// settings).

#include "CliDescribe.h"
#include "CliRunner.h"

#include "protocol/Actions.h"
#include "protocol/Catalogue.h"
#include "protocol/EdidUpload.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"
#include "protocol/TableDescription.h"
#include "protocol/ValueTables.h"
#include "setup/SetupReader.h"

#include "setup/LinkExchange.h"

#include <QJsonObject>
#include <QJsonValue>

#include <memory>

void CliRunner::send()
{
    const QByteArray text = options.arguments.first().toUtf8();
    if (quint32(text.size()) > MaxRequestText) {
        finish(CliResult::failure(ExitUsage,
                                  QStringLiteral("a line holds at most %1 bytes").arg(MaxRequestText)));
        return;
    }
    // Any line that comes back answers it.
    ReplyRule rule = defaultReplyRule(QByteArray());
    rule.acceptAnyLine = 1;
    exchangeOne(requestWithRule(text, rule), QString::fromUtf8(text), [](CliResult &) {});
}

void CliRunner::exchangeOne(const Request &request, const QString &what,
                            const std::function<void(CliResult &)> &complete)
{
    exchange = std::make_unique<LinkExchange>(session);
    // The line that answered it, or none for a request that awaits no reply and was written (a factory
    // reset, after which the device is busy).
    struct Answer
    {
        QByteArray line;
        qint32 roundTripUs = 0;
        bool written = false;
    };
    auto answer = std::make_shared<Answer>();
    exchange->setReplyHandler([answer](const LinkReply &reply) {
        if (reply.outcome() == LinkReply::Outcome::Answered)
            *answer = {reply.replyLine(), reply.roundTripUs(), true};
        else if (reply.outcome() == LinkReply::Outcome::Written)
            answer->written = true;
    });
    const auto settled = [this, what, answer, complete] {
        if (exchange->linkLost()) {
            finish(linkLost());
            return;
        }
        if (!answer->written) {
            finish(CliResult::failure(
                ExitRefused, refusedWith.isEmpty()
                                 ? noReplyText({what})
                                 : QStringLiteral("the device refused %1: %2").arg(what, refusedWith)));
            return;
        }
        QByteArray line = answer->line;
        while (line.endsWith('\r') || line.endsWith('\n'))
            line.chop(1);
        while (line.startsWith('\n'))
            line.remove(0, 1);
        CliResult result;
        if (answer->line.isEmpty()) {
            result.message = QStringLiteral("sent");
            result.data.insert(QStringLiteral("reply"), QJsonValue(QJsonValue::Null));
        } else {
            result.output = line + '\n';
            result.message = QString::fromLatin1(line);
            result.data.insert(QStringLiteral("reply"), QString::fromLatin1(line));
            result.data.insert(QStringLiteral("roundTripMs"), double(answer->roundTripUs) / 1000.0);
        }
        complete(result);
        finish(result);
    };
    QObject::connect(exchange.get(), &LinkExchange::SGL_Settled, exchange.get(), settled);
    QObject::connect(exchange.get(), &LinkExchange::SGL_LinkLost, exchange.get(), settled);
    if (!exchange->send({request}))
        finish(linkLost());
}

CliResult CliRunner::prepareAction()
{
    const QString name = options.arguments.first();
    const Action *action = Actions::find(name);
    if (!action) {
        QStringList names;
        for (const Action &known : Actions::all())
            names << QLatin1String(known.name);
        return CliResult::failure(
            ExitUsage, QStringLiteral("unknown action '%1' (%2)").arg(name, names.join(QLatin1String(", "))));
    }
    const QString argument = options.arguments.value(1);
    if (action->argument == Action::Edid) {
        if (argument.isEmpty())
            return CliResult::failure(ExitUsage,
                                      QStringLiteral("%1 needs the file of an EDID image").arg(name));
        EdidUpload image;
        switch (image.load(argument)) {
        case EdidUpload::Result::Ready:
            actionArgument = QByteArray(reinterpret_cast<const char *>(image.bytes()), EdidUpload::Size);
            break;
        case EdidUpload::Result::NotEdid:
            return CliResult::failure(
                ExitUsage, QStringLiteral("%1 holds no EDID image (its header is wrong)").arg(argument));
        default:
            return CliResult::failure(
                ExitUsage,
                QStringLiteral("%1 cannot be read or is no valid EDID image (its checksum is wrong)")
                    .arg(argument));
        }
    } else {
        actionArgument = argument.toLatin1();
    }
    // Whether the model has the action is known once the device is identified.
    const QString problem = Actions::argumentProblem(*action, actionArgument);
    return problem.isEmpty() ? CliResult() : CliResult::failure(ExitUsage, problem);
}

void CliRunner::action()
{
    const Action &chosen = *Actions::find(options.arguments.first());
    read({}, [this, &chosen](const CliResult &identified) {
        if (identified.exitCode != ExitDone) {
            finish(identified);
            return;
        }
        const DeviceContext device = DeviceContext::of(reader->setup().model, {});
        QString why;
        const Request request = Actions::request(chosen, device, actionArgument, &why);
        if (request.isNull()) {
            finish(CliResult::failure(ExitRefused, why));
            return;
        }
        const QString name = QLatin1String(chosen.name);
        if (chosen.id == ActionId::EdidUpload) {
            // Only "EDID-USER OK" answers an upload; another answer is the device's refusal.
            QObject::connect(&session.device(), &DeviceModel::SGL_ReplyApplied, reader.get(),
                             [this](const ParsedReply &reply) {
                                 if (reply.keyword == KwEdidUser &&
                                     !reply.text.startsWith(QLatin1String("OK")))
                                     refusedWith = reply.text.trimmed();
                             });
        }
        const QString what = QStringList{name, options.arguments.value(1)}.join(QLatin1Char(' ')).trimmed();
        exchangeOne(request, what, [name, &chosen](CliResult &result) {
            result.message = QStringLiteral("%1: %2%3")
                                 .arg(name, result.message,
                                      chosen.restarts ? QStringLiteral(" (the device restarts)") : QString());
            result.data.insert(QStringLiteral("action"), name);
            result.data.insert(QStringLiteral("restarts"), chosen.restarts);
        });
    });
}

void CliRunner::describe()
{
    read({}, [this](CliResult result) {
        if (result.exitCode == ExitDone) {
            const quint32 model = reader->setup().model;
            result.output = describeModelText(options.command, model);
            result.message =
                QStringLiteral("the %1 of a %2").arg(options.command, reader->setup().modelName());
            result.data = describeModel(model, options.command != QLatin1String("actions"));
            result.data.insert(QStringLiteral("model"), reader->setup().modelName());
        }
        finish(result);
    });
}
