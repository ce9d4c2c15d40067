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

// [HOST:]PORT with an IP address; the host is 127.0.0.1 when not given.
bool parseEndpoint(const QString &text, GatewayEndpoint *endpoint)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    const QHostAddress address(colon > 0 ? text.left(colon).remove(QLatin1Char('[')).remove(QLatin1Char(']'))
                                         : QStringLiteral("127.0.0.1"));
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (address.isNull() || !ok || port == 0 || port > 65535)
        return false;
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
        QStringLiteral("Serve HTTP on HOST:PORT (default 127.0.0.1:8740; an address other than loopback "
                       "needs --tokens)."),
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
        QStringLiteral("Serve the text control port on [HOST:]PORT (an address other than loopback needs "
                       "--tokens)."),
        QStringLiteral("[host:]port"));
    const QCommandLineOption checkConfig(QStringLiteral("check-config"),
                                         QStringLiteral("Check the device file, say what is wrong and end."));
    const QCommandLineOption audit(
        QStringLiteral("audit"),
        QStringLiteral("Append every change to FILE as JSON lines (rotated by size)."),
        QStringLiteral("file"));
    const QCommandLineOption tokens(
        QStringLiteral("tokens"),
        QStringLiteral(
            "Serve only clients that show a token of FILE (lines NAME read|control SECRET, readable "
            "by the gateway only)."),
        QStringLiteral("file"));
    const QCommandLineOption allowFrom(
        QStringLiteral("allow-from"),
        QStringLiteral("Serve only clients of these networks (ADDRESS/BITS, parted by commas; may be given "
                       "more than once)."),
        QStringLiteral("cidr,..."));
    const QCommandLineOption trustProxy(
        QStringLiteral("trust-proxy"),
        QStringLiteral("Take the client's address from the X-Forwarded-For of the reverse proxy at ADDRESS "
                       "(needs --tokens)."),
        QStringLiteral("address"));
    parser.addOptions({listen, tcpControl, devices, appDir, tokens, allowFrom, trustProxy, allowOrigin, audit,
                       checkConfig});
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
    options.tokensFile = parser.value(tokens);
    // Without tokens only this computer's own programs may be served, and none through a proxy.
    for (const auto &[option, endpoint] :
         {std::pair{&listen, &options.listen}, std::pair{&tcpControl, &options.control}}) {
        if (!parser.isSet(*option))
            continue;
        const QString text = parser.value(*option);
        if (!parseEndpoint(text, endpoint)) {
            result.exitCode = usageError(
                QStringLiteral("--%1 %2: not [HOST:]PORT with an IP address and a port from 1 to 65535")
                    .arg(option->names().first(), text));
            return result;
        }
        if (options.tokensFile.isEmpty() && !endpoint->address.isLoopback()) {
            result.exitCode =
                usageError(QStringLiteral("--%1 %2 serves other computers: give --tokens FILE too")
                               .arg(option->names().first(), endpoint->address.toString()));
            return result;
        }
    }
    for (const QString &list : parser.values(allowFrom)) {
        for (const QString &network : list.split(QLatin1Char(','))) {
            const QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(network.trimmed());
            if (subnet.first.isNull() || !network.contains(QLatin1Char('/'))) {
                result.exitCode = usageError(
                    QStringLiteral("--allow-from needs ADDRESS/BITS (10.0.0.0/8), not '%1'").arg(network));
                return result;
            }
            options.allowFrom.push_back(subnet);
        }
    }
    if (parser.isSet(trustProxy)) {
        options.trustedProxy = QHostAddress(parser.value(trustProxy));
        if (options.trustedProxy.isNull()) {
            result.exitCode = usageError(
                QStringLiteral("--trust-proxy needs an IP address, not '%1'").arg(parser.value(trustProxy)));
            return result;
        }
    }
    if (options.tokensFile.isEmpty() && !options.trustedProxy.isNull()) {
        result.exitCode =
            usageError(QStringLiteral("--trust-proxy serves other computers: give --tokens FILE too"));
        return result;
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
