// lumaplex-seedconfig APPDIR IP PORT MASK GATEWAY
//
// Prepares the configuration of a Lumaplex installation for a first start against a known device (the
// start script points it at the simulator): when APPDIR has no config.ini yet, the default configuration
// and language file are written with the given device address. An existing configuration is left alone.

#include "config/AppState.h"
#include "config/AppPaths.h"
#include "config/ConfigFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        QTextStream(stderr) << "usage: lumaplex-seedconfig APPDIR IP PORT MASK GATEWAY\n";
        return 2;
    }
    AppPaths::setApplicationDir(args.at(1));
    if (QFile::exists(AppPaths::configFile()))
        return 0;
    ConfigValues &config = State().config;
    config.SP_RemoteIp = args.at(2);
    config.SP_RemotePort = args.at(3);
    config.SP_RemoteSubmask = args.at(4);
    config.SP_RemoteGateway = args.at(5);
    Config_SaveAll();
    return QFile::exists(AppPaths::configFile()) ? 0 : 1;
}
