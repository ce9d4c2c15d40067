#include "setup/DeviceSetup.h"

#include "protocol/ValueTables.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

const QString FormatName = QStringLiteral("lumaplex-setup");

} // namespace

QJsonValue setupJsonValue(const Setting &key, const QString &text)
{
    switch (key.kind) {
    case Setting::Number:
    case Setting::Baud:
        return text.toInt();
    case Setting::Rectangle: {
        QJsonArray numbers;
        for (const QString &part : text.split(QLatin1Char(' ')))
            numbers.append(part.toInt());
        return numbers;
    }
    default:
        return text;
    }
}

QString setupTextOf(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return value.toDouble() == double(qint64(value.toDouble()))
                   ? QString::number(qint64(value.toDouble()))
                   : QString::number(value.toDouble());
    if (value.isArray()) {
        QStringList parts;
        for (const QJsonValue &part : value.toArray())
            parts << (part.isDouble() ? setupTextOf(part) : QStringLiteral("?"));
        return parts.join(QLatin1Char(' '));
    }
    return QString();
}

namespace {

SetupFileResult failure(SetupFileResult::Status status, const QString &detail)
{
    SetupFileResult result;
    result.status = status;
    result.detail = detail;
    return result;
}

} // namespace

QString DeviceSetup::modelName() const
{
    return QString::fromLatin1(Tables::Models.at(model));
}

QByteArray DeviceSetup::toJson() const
{
    QJsonObject valueObject;
    for (const Setting &key : Settings::all()) {
        const auto it = values.find(QLatin1String(key.name));
        if (it != values.end())
            valueObject.insert(it->first, setupJsonValue(key, it->second));
    }
    const QJsonObject document{{QStringLiteral("format"), FormatName},
                               {QStringLiteral("version"), FormatVersion},
                               {QStringLiteral("model"), modelName()},
                               {QStringLiteral("saved"), saved.toUTC().toString(Qt::ISODateWithMs)},
                               {QStringLiteral("values"), valueObject}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

SetupFileResult parseSetup(const QByteArray &json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return failure(SetupFileResult::Damaged,
                       QStringLiteral("%1 at byte %2").arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        return failure(SetupFileResult::Damaged, QStringLiteral("the file holds no JSON object"));
    const QJsonObject object = document.object();
    if (object.value(QLatin1String("format")).toString() != FormatName)
        return failure(SetupFileResult::Foreign, QStringLiteral("no \"format\": \"%1\"").arg(FormatName));
    const int version = object.value(QLatin1String("version")).toInt(0);
    if (version < 1 || version > DeviceSetup::FormatVersion)
        return failure(SetupFileResult::Foreign,
                       QStringLiteral("format version %1 is not %2")
                           .arg(object.value(QLatin1String("version")).toVariant().toString())
                           .arg(DeviceSetup::FormatVersion));
    const QString modelName = object.value(QLatin1String("model")).toString();
    const int model = Tables::Models.indexOf(modelName.toLatin1());
    if (model < 0)
        return failure(SetupFileResult::Foreign, QStringLiteral("unknown model '%1'").arg(modelName));
    const QJsonValue valueField = object.value(QLatin1String("values"));
    if (!valueField.isObject())
        return failure(SetupFileResult::Damaged, QStringLiteral("no \"values\" object"));

    SetupFileResult result;
    result.setup.model = quint32(model);
    result.setup.saved =
        QDateTime::fromString(object.value(QLatin1String("saved")).toString(), Qt::ISODateWithMs);
    const QJsonObject values = valueField.toObject();
    // Keys in table order, so that a value is checked against the values it depends on.
    for (const Setting &key : Settings::all()) {
        const QJsonValue value = values.value(QLatin1String(key.name));
        if (value.isUndefined())
            continue;
        QString why;
        const QString text =
            Settings::normalized(key, quint32(model), result.setup.values, setupTextOf(value), &why);
        if (text.isNull())
            return failure(SetupFileResult::BadValue, why);
        if (!Settings::applies(key, quint32(model), result.setup.values))
            return failure(
                SetupFileResult::BadValue,
                QStringLiteral("%1 does not belong to this setup of a %2").arg(key.name, modelName));
        result.setup.values[QLatin1String(key.name)] = text;
    }
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (!Settings::find(it.key()))
            return failure(SetupFileResult::BadValue, QStringLiteral("unknown setting '%1'").arg(it.key()));
    }
    return result;
}

SetupFileResult readSetupFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(SetupFileResult::Unreadable, file.errorString());
    return parseSetup(file.readAll());
}

bool writeSetupFile(const QString &path, const DeviceSetup &setup, QString *error)
{
    QSaveFile file(path);
    const QByteArray bytes = setup.toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QList<SetupDifference> setupDifferences(const SetupValues &wanted, const SetupValues &actual)
{
    QList<SetupDifference> differences;
    for (const Setting &key : Settings::all()) {
        const QString name = QLatin1String(key.name);
        const auto want = wanted.find(name);
        if (want == wanted.end())
            continue;
        const auto have = actual.find(name);
        if (have == actual.end())
            differences.append({name, want->second, QString()});
        else if (have->second != want->second)
            differences.append({name, want->second, have->second});
    }
    return differences;
}
