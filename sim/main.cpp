#include "SimFleet.h"
#include "SimOptions.h"
#include "config/Version.h"
#include "session/QuitOnSignal.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumaplex-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMAPLEX_VERSION));

    const SimOptionsResult parsed = parseSimOptions(app);
    if (!parsed.run)
        return parsed.exitCode;

    QuitOnSignal quitOnSignal;
    SimFleet fleet(parsed.options);
    if (!fleet.start())
        return 1;
    const int code = QCoreApplication::exec();
    fleet.shutdown();
    return code;
}
