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

// [HOST:]PORT with an IP address of this computer's loopback; the host is 127.0.0.1 when not given.
bool parseEndpoint(const QString &text, GatewayEndpoint *endpoint, QString *problem)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    const QHostAddress address(colon > 0 ? text.left(colon).remove(QLatin1Char('[')).remove(QLatin1Char(']'))
                                         : QStringLiteral("127.0.0.1"));
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (address.isNull() || !ok || port == 0 || port > 65535) {
        *problem = QStringLiteral("not [HOST:]PORT with an IP address and a port from 1 to 65535");
        return false;
    }
    if (!address.isLoopback()) {
        *problem = QStringLiteral("this gateway serves loopback addresses only (a proxy on this computer can "
                                  "pass on what others ask)");
        return false;
    }
    endpoint->address = address;
    endpoint->port = quint16(port);
    return true;
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
    const QCommandLineOption tcpControl(
        QStringLiteral("tcp-control"),
        QStringLiteral("Serve the text control port on [HOST:]PORT (loopback only)."),
        QStringLiteral("[host:]port"));
    const QCommandLineOption checkConfig(QStringLiteral("check-config"),
                                         QStringLiteral("Check the device file, say what is wrong and end."));
    const QCommandLineOption audit(
        QStringLiteral("audit"),
        QStringLiteral("Append every change to FILE as JSON lines (rotated by size)."),
        QStringLiteral("file"));
    parser.addOptions({listen, tcpControl, devices, appDir, allowOrigin, audit, checkConfig});
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
    for (const auto &[option, endpoint] :
         {std::pair{&listen, &options.listen}, std::pair{&tcpControl, &options.control}}) {
        if (!parser.isSet(*option))
            continue;
        const QString text = parser.value(*option);
        QString problem;
        if (!parseEndpoint(text, endpoint, &problem)) {
            result.exitCode =
                usageError(QStringLiteral("--%1 %2: %3").arg(option->names().first(), text, problem));
            return result;
        }
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
    options.auditFile = parser.value(audit);
    options.appDir = parser.value(appDir);
    options.checkConfig = parser.isSet(checkConfig);
    return result;
}
