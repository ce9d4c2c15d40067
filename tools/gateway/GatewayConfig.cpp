#include "GatewayConfig.h"

#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

namespace {

constexpr int MaxWatchSeconds = 3600;

// The line of the byte at `offset`, from 1.
int lineAt(const QByteArray &bytes, int offset)
{
    return int(bytes.left(offset).count('\n')) + 1;
}

} // namespace

QString GatewayDeviceConfig::linkKey() const
{
    return link.linkKey();
}

QString slugOf(const QString &name)
{
    QString slug;
    for (const QChar c : name.toLower()) {
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            slug += c;
        else if (!slug.isEmpty() && !slug.endsWith(QLatin1Char('-')))
            slug += QLatin1Char('-');
    }
    while (slug.endsWith(QLatin1Char('-')))
        slug.chop(1);
    return slug.left(48);
}

bool isValidDeviceId(const QString &id)
{
    static const QRegularExpression pattern(QStringLiteral("^[a-z0-9][a-z0-9-]{0,63}$"));
    return pattern.match(id).hasMatch();
}

GatewayConfig GatewayConfig::read(const QString &path, const std::map<QString, QString> &known)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        GatewayConfig config;
        config.problems << QStringLiteral("%1: %2").arg(path, file.errorString());
        return config;
    }
    return parse(file.readAll(), known);
}

GatewayConfig GatewayConfig::parse(const QByteArray &bytes, const std::map<QString, QString> &known)
{
    GatewayConfig config;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        config.problems << QStringLiteral("line %1: not JSON: %2")
                               .arg(lineAt(bytes, error.offset))
                               .arg(error.errorString());
        return config;
    }
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String("lumaplex-devices"))
        config.problems << QStringLiteral("format: not \"lumaplex-devices\"");
    if (root.value(QLatin1String("version")).toInt() != 1)
        config.problems << QStringLiteral("version: not 1");
    if (!root.value(QLatin1String("devices")).isArray())
        config.problems << QStringLiteral("devices: not a list");
    if (!config.problems.isEmpty())
        return config;

    // The ids given in the file are taken first, so that a made id never takes one of them.
    const QJsonArray entries = root.value(QLatin1String("devices")).toArray();
    QSet<QString> taken;
    QSet<QString> links;
    for (int i = 0; i < entries.size(); ++i) {
        const QString where = QStringLiteral("devices[%1]").arg(i);
        const QJsonObject object = entries.at(i).toObject();
        GatewayDeviceConfig device;
        QString why;
        if (!SavedDeviceFile::entryFromJson(entries.at(i), true, &device.link, &why)) {
            config.problems << QStringLiteral("%1: %2").arg(where, why);
            continue;
        }
        const QJsonValue id = object.value(QLatin1String("id"));
        if (!id.isUndefined()) {
            device.id = id.toString();
            if (!isValidDeviceId(device.id))
                config.problems << QStringLiteral("%1.id: \"%2\" is not 1 to 64 of a-z, 0-9 and -, starting "
                                                  "with a letter or digit")
                                       .arg(where, device.id);
            else if (taken.contains(device.id))
                config.problems << QStringLiteral("%1.id: \"%2\" is given twice").arg(where, device.id);
            taken.insert(device.id);
        }
        const QJsonValue watch = object.value(QLatin1String("watchSeconds"));
        if (!watch.isUndefined()) {
            const double seconds = watch.toDouble(-1);
            if (!watch.isDouble() || seconds != double(int(seconds)) || seconds < 1 ||
                seconds > MaxWatchSeconds)
                config.problems << QStringLiteral("%1.watchSeconds: a whole number from 1 to %2")
                                       .arg(where)
                                       .arg(MaxWatchSeconds);
            device.watchSeconds = watch.toInt();
        }
        const QJsonValue local = object.value(QLatin1String("localAddress"));
        if (!local.isUndefined()) {
            device.localAddress = local.toString();
            if (device.link.serial ||
                QHostAddress(device.localAddress).protocol() != QAbstractSocket::IPv4Protocol)
                config.problems << QStringLiteral("%1.localAddress: an IPv4 address of this computer, for a "
                                                  "TCP device")
                                       .arg(where);
        }
        if (links.contains(device.linkKey()))
            config.problems << QStringLiteral("%1: %2 is listed twice").arg(where, device.linkKey());
        links.insert(device.linkKey());
        config.devices.append(device);
    }
    if (!config.problems.isEmpty()) {
        config.devices.clear();
        return config;
    }
    // Then the ids made before for the same links, then new ones from the names.
    for (GatewayDeviceConfig &device : config.devices) {
        const auto made = known.find(device.linkKey());
        if (device.id.isEmpty() && made != known.end() && !taken.contains(made->second)) {
            device.id = made->second;
            taken.insert(device.id);
        }
    }
    for (int i = 0; i < config.devices.size(); ++i) {
        GatewayDeviceConfig &device = config.devices[i];
        if (!device.id.isEmpty())
            continue;
        const QString slug = slugOf(device.link.name);
        const QString base = slug.isEmpty() ? QStringLiteral("device-%1").arg(i + 1) : slug;
        device.id = base;
        for (int n = 2; taken.contains(device.id); ++n)
            device.id = QStringLiteral("%1-%2").arg(base).arg(n);
        taken.insert(device.id);
    }
    return config;
}
