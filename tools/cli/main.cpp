// lumaplex-cli: the device's setup, values and raw traffic from scripts, on the core library alone.

#include "CliDiscover.h"
#include "CliFleet.h"
#include "CliOptions.h"
#include "CliSaved.h"
#include "CliWatch.h"
#include "config/Version.h"

#include <QCoreApplication>

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
    return runDevices(options);
}
