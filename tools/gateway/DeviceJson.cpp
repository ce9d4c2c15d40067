#include "DeviceJson.h"

#include "GatewayDevice.h"

#include "protocol/ValueTables.h"
#include "setup/DeviceSetup.h"

#include <QJsonDocument>

namespace {

QJsonValue timeOrNull(const QDateTime &when)
{
    return when.isValid() ? QJsonValue(when.toString(Qt::ISODateWithMs)) : QJsonValue(QJsonValue::Null);
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

} // namespace

namespace DeviceJson {

QJsonObject summary(const GatewayDevice &device)
{
    const quint32 model = device.model();
    const DeviceModel &known = device.session().device();
    const DeviceStats &stats = device.stats();
    const QJsonObject health{
        {QStringLiteral("answered"), double(stats.answered)},
        {QStringLiteral("timedOut"), double(stats.timedOut)},
        {QStringLiteral("dropped"), double(stats.dropped)},
        {QStringLiteral("linkEnded"), double(stats.linkEnded)},
        {QStringLiteral("meanReplyMs"), stats.answered
                                            ? QJsonValue(1000.0 * stats.replySeconds / double(stats.answered))
                                            : QJsonValue(QJsonValue::Null)}};
    return QJsonObject{
        {QStringLiteral("id"), device.id()},
        {QStringLiteral("name"), device.config().link.name},
        {QStringLiteral("link"), device.config().link.linkText()},
        {QStringLiteral("model"), model == NoModel
                                      ? QJsonValue(QJsonValue::Null)
                                      : QJsonValue(QString::fromLatin1(Tables::Models.at(model)))},
        {QStringLiteral("firmware"), textOrNull(known.value(QStringLiteral("firmware.version")))},
        {QStringLiteral("state"), QLatin1String(linkStateName(device.state()))},
        {QStringLiteral("reason"), device.reason()},
        {QStringLiteral("since"), timeOrNull(device.since())},
        {QStringLiteral("lastChange"), timeOrNull(device.lastChange())},
        {QStringLiteral("reconnects"), device.reconnects()},
        {QStringLiteral("queued"), device.session().queuedCount()},
        {QStringLiteral("health"), health}};
}

QByteArray summaryJson(const GatewayDevice &device)
{
    if (device.keptSummary().isEmpty())
        device.keepSummary(QJsonDocument(summary(device)).toJson(QJsonDocument::Compact));
    return device.keptSummary();
}

QJsonObject values(const GatewayDevice &device)
{
    QJsonObject values;
    for (const auto &[key, text] : device.session().device().values()) {
        const Setting *setting = Settings::find(key);
        values.insert(key, setting ? setupJsonValue(*setting, text) : QJsonValue(text));
    }
    return QJsonObject{{QStringLiteral("id"), device.id()},
                       {QStringLiteral("state"), QLatin1String(linkStateName(device.state()))},
                       {QStringLiteral("values"), values}};
}

} // namespace DeviceJson
