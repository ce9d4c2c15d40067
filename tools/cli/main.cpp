// lumaplex-cli: the device's setup, values and raw traffic from scripts, on the core library alone.

#include "CliDescribe.h"
#include "CliDiscover.h"
#include "CliFleet.h"
#include "CliOptions.h"
#include "CliResult.h"
#include "CliSaved.h"
#include "CliWatch.h"
#include "config/Version.h"
#include "protocol/TableDescription.h"
#include "protocol/ValueTables.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumaplex-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMAPLEX_VERSION));
    const CliParse parsed = parseCliOptions(QCoreApplication::arguments());
    if (!parsed.run)
        return parsed.exitCode;
    const CliOptions &options = parsed.options;
    if (options.command == QLatin1String("devices"))
        return listSavedDevices(options.json);
    if (options.command == QLatin1String("discover"))
        return discover(options);
    if (options.command == QLatin1String("watch"))
        return watchDevices(options);
    if (options.command == QLatin1String("settings") || options.command == QLatin1String("actions"))
        useLanguage(options.language);
    if (options.model >= 0) {
        // A model described without a device.
        QJsonObject description =
            describeModel(quint32(options.model), options.command != QLatin1String("actions"));
        description.insert(QStringLiteral("model"),
                           QString::fromLatin1(Tables::Models.at(quint32(options.model))));
        const QByteArray text = options.json ? QJsonDocument(description).toJson()
                                             : describeModelText(options.command, quint32(options.model));
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
        return ExitDone;
    }
    return runDevices(options);
}
