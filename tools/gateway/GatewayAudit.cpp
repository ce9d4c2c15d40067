#include "GatewayAudit.h"

#include "DeviceJson.h"
#include "GatewayDevice.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>
#include <cstdio>

GatewayAudit::GatewayAudit(const QString &file, QObject *parent) : QObject(parent), path(file)
{
    flushTimer.setSingleShot(true);
    flushTimer.setInterval(200);
    connect(&flushTimer, &QTimer::timeout, this, &GatewayAudit::flush);
}

GatewayAudit::~GatewayAudit()
{
    flush();
}

QJsonObject GatewayAudit::valuesOf(const GatewayDevice &device, const QStringList &keys)
{
    const QJsonObject all = DeviceJson::values(device).value(QLatin1String("values")).toObject();
    QJsonObject values;
    for (const QString &key : keys)
        values.insert(key, all.value(key).isUndefined() ? QJsonValue(QJsonValue::Null) : all.value(key));
    return values;
}

void GatewayAudit::record(const GatewayClient &client, const GatewayDevice &device, const QString &what,
                          const QJsonValue &asked, const HttpResponse &answer, const QJsonObject &before)
{
    const QJsonObject reply = QJsonDocument::fromJson(answer.body).object();
    QJsonObject entry{{QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
                      {QStringLiteral("client"), client.address},
                      {QStringLiteral("device"), device.id()},
                      {QStringLiteral("what"), what},
                      {QStringLiteral("asked"), asked},
                      {QStringLiteral("status"), answer.status},
                      {QStringLiteral("answer"), reply},
                      {QStringLiteral("before"), before},
                      {QStringLiteral("after"), valuesOf(device, before.keys())}};
    if (!client.token.isEmpty())
        entry.insert(QStringLiteral("token"), client.token);
    std::deque<QJsonObject> &entries = kept[device.id()];
    entries.push_back(entry);
    if (entries.size() > std::size_t(KeptPerDevice))
        entries.pop_front();
    if (path.isEmpty())
        return;
    // A file that cannot be written does not fill the memory: what waits for it is bounded.
    if (pending.size() > RotateBytes)
        pending.clear();
    pending += QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n';
    if (!flushTimer.isActive())
        flushTimer.start();
}

QJsonArray GatewayAudit::last(const QString &device, int limit) const
{
    QJsonArray entries;
    const auto found = kept.find(device);
    if (found == kept.end())
        return entries;
    const std::deque<QJsonObject> &all = found->second;
    for (std::size_t i = all.size() - std::min(all.size(), std::size_t(std::max(limit, 0))); i < all.size();
         ++i)
        entries.append(all[i]);
    return entries;
}

void GatewayAudit::flush()
{
    if (pending.isEmpty() || path.isEmpty())
        return;
    if (QFileInfo(path).size() + pending.size() > RotateBytes) {
        QFile::remove(path + QStringLiteral(".1"));
        QFile::rename(path, path + QStringLiteral(".1"));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(pending) != pending.size()) {
        const QString now = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        if (now != failure)
            std::fprintf(stderr, "lumaplex-gateway: the audit log: %s\n", qPrintable(now));
        failure = now;
        return;
    }
    failure.clear();
    pending.clear();
}
