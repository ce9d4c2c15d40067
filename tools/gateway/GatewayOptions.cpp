#include "GatewayOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QUrl>

#include <cstdio>

namespace {

int usageError(const QString &text)
{
    std::fprintf(stderr, "lumaplex-gateway: %s\n", qPrintable(text));
    return 2;
}

} // namespace

ParsedGatewayOptions parseGatewayOptions(const QStringList &arguments)
{
    ParsedGatewayOptions result;
    GatewayOptions &options = result.options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Keeps every device of a device file open, identified, read and watched, and lets "
                       "control systems read "
                       "and change them through an HTTP JSON API under /api/v1."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Serve HTTP on HOST:PORT (default 127.0.0.1:8740; loopback only)."),
        QStringLiteral("host:port"));
    const QCommandLineOption devices(
        QStringLiteral("devices"),
        QStringLiteral("Hold the devices of FILE (devices.json format) instead of the "
                       "saved device list."),
        QStringLiteral("file"));
    const QCommandLineOption appDir(
        QStringLiteral("app-dir"),
        QStringLiteral("Read the saved device list kept below DIR, and keep what the "
                       "gateway learns there, as lumaplex --app-dir."),
        QStringLiteral("dir"));
    const QCommandLineOption allowOrigin(
        QStringLiteral("allow-origin"),
        QStringLiteral("Let web pages of ORIGIN (https://host[:port]) call the "
                       "API; may be given more than once."),
        QStringLiteral("origin"));
    const QCommandLineOption checkConfig(QStringLiteral("check-config"),
                                         QStringLiteral("Check the device file, say what is wrong and end."));
    parser.addOptions({listen, devices, appDir, allowOrigin, checkConfig});
    if (!parser.parse(arguments)) {
        result.exitCode = usageError(parser.errorText());
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        result.exitCode = 0;
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("lumaplex-gateway %s\n", qPrintable(QCoreApplication::applicationVersion()));
        result.exitCode = 0;
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.exitCode =
            usageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
        return result;
    }
    if (parser.isSet(listen)) {
        const QString text = parser.value(listen);
        const int colon = text.lastIndexOf(QLatin1Char(':'));
        const QHostAddress address(
            colon > 0 ? text.left(colon).remove(QLatin1Char('[')).remove(QLatin1Char(']')) : QString());
        bool ok = false;
        const uint port = text.mid(colon + 1).toUInt(&ok);
        if (colon <= 0 || address.isNull() || !ok || port == 0 || port > 65535) {
            result.exitCode =
                usageError(QStringLiteral("--listen needs HOST:PORT with an IP address, not '%1'").arg(text));
            return result;
        }
        if (!address.isLoopback()) {
            result.exitCode = usageError(QStringLiteral("--listen %1: this gateway serves loopback addresses "
                                                        "only (a proxy on this computer can pass on "
                                                        "what others ask)")
                                             .arg(text));
            return result;
        }
        options.listenAddress = address;
        options.listenPort = quint16(port);
    }
    for (const QString &origin : parser.values(allowOrigin)) {
        const QUrl url(origin);
        if (!url.isValid() ||
            (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
            url.host().isEmpty() || !url.path().isEmpty() || url.toString() != origin) {
            result.exitCode = usageError(
                QStringLiteral("--allow-origin needs http[s]://host[:port], not '%1'").arg(origin));
            return result;
        }
        options.allowedOrigins.insert(origin);
    }
    options.devicesFile = parser.value(devices);
    options.appDir = parser.value(appDir);
    options.checkConfig = parser.isSet(checkConfig);
    return result;
}
