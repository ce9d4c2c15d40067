// lumaplex-gateway: keeps a site's devices open and lets control systems read and change them over HTTP.

#include "Gateway.h"
#include "GatewayAccess.h"
#include "GatewayConfig.h"
#include "GatewayOptions.h"

#include "config/AppPaths.h"
#include "config/Version.h"
#include "session/QuitOnSignal.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

int checkConfig(const GatewayOptions &options)
{
    const QString path = Gateway::devicesPath(options);
    const GatewayConfig config = GatewayConfig::read(path, Gateway::knownIds(Gateway::stateDir(options)));
    for (const QString &problem : config.problems)
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(problem));
    GatewayAccess access(options);
    QStringList tokenProblems;
    access.load(&tokenProblems);
    for (const QString &problem : tokenProblems)
        std::fprintf(stderr, "%s: %s\n", qPrintable(options.tokensFile), qPrintable(problem));
    if (!config.problems.isEmpty() || !tokenProblems.isEmpty())
        return 1;
    for (const GatewayDeviceConfig &device : config.devices)
        std::printf("%s\t%s\t%s\n", qPrintable(device.id), qPrintable(device.link.linkText()),
                    qPrintable(device.link.name));
    std::printf("%s: %lld device(s), no problems\n", qPrintable(path),
                static_cast<long long>(config.devices.size()));
    if (access.takesTokens())
        std::printf("%s: %d token(s), no problems\n", qPrintable(options.tokensFile), access.tokens());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumaplex-gateway"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMAPLEX_VERSION));
    const ParsedGatewayOptions parsed = parseGatewayOptions(QCoreApplication::arguments());
    if (parsed.exitCode >= 0)
        return parsed.exitCode;
    AppPaths::useMainWindowFolders(parsed.options.appDir);
    if (parsed.options.checkConfig)
        return checkConfig(parsed.options);
    Gateway gateway(parsed.options);
    if (!gateway.start())
        return 1;
    QuitOnSignal quitOnSignal;
    quitOnSignal.catchHangUp();
    QObject::connect(&quitOnSignal, &QuitOnSignal::SGL_HangUp, &gateway, &Gateway::reload);
    const int code = QCoreApplication::exec();
    gateway.stop();
    return code;
}
