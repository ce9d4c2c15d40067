#include "CliDescribe.h"

#include "protocol/TableDescription.h"

#include <QJsonArray>
#include <QStringList>

QByteArray describeModelText(const QString &command, quint32 model)
{
    const QJsonObject description = describeModel(model, command != QLatin1String("actions"));
    QString text;
    for (const QJsonValue &value : description.value(QLatin1String("settings")).toArray()) {
        const QJsonObject setting = value.toObject();
        QStringList values;
        for (const QJsonValue &word : setting.value(QLatin1String("values")).toArray())
            values << word.toObject().value(QLatin1String("wire")).toString();
        const QString range = setting.contains(QLatin1String("min"))
                                  ? QStringLiteral("%1..%2")
                                        .arg(setting.value(QLatin1String("min")).toInt())
                                        .arg(setting.value(QLatin1String("max")).toInt())
                                  : values.join(QLatin1Char('|'));
        text += QStringLiteral("%1\t%2\t%3\t%4\n")
                    .arg(setting.value(QLatin1String("key")).toString(),
                         setting.value(QLatin1String("kind")).toString(),
                         range.isEmpty() ? QStringLiteral("-") : range,
                         setting.value(QLatin1String("label")).toString());
    }
    for (const QJsonValue &value : description.value(QLatin1String("actions")).toArray()) {
        const QJsonObject action = value.toObject();
        const QJsonObject argument = action.value(QLatin1String("argument")).toObject();
        QString takes = QStringLiteral("-");
        if (argument.value(QLatin1String("kind")) == QLatin1String("number"))
            takes = QStringLiteral("%1 %2..%3")
                        .arg(argument.value(QLatin1String("name")).toString())
                        .arg(argument.value(QLatin1String("min")).toInt())
                        .arg(argument.value(QLatin1String("max")).toInt());
        else if (!argument.isEmpty())
            takes = argument.value(QLatin1String("name")).toString();
        text += QStringLiteral("%1\taction\t%2\t%3%4\n")
                    .arg(action.value(QLatin1String("name")).toString(), takes,
                         action.value(QLatin1String("label")).toString(),
                         action.value(QLatin1String("restarts")).toBool()
                             ? QStringLiteral(" (restarts the device)")
                             : QString());
    }
    return text.toUtf8();
}
