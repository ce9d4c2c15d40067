#include "config/Version.h"
#include "session/QuitOnSignal.h"
#include "SimOptions.h"
#include "Simulator.h"

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
    Simulator simulator(parsed.options);
    if (!simulator.start())
        return 1;
    const int code = QCoreApplication::exec();
    simulator.shutdown();
    return code;
}
