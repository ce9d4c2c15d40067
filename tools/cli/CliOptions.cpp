#include "CliOptions.h"

#include "CliResult.h"
#include "CliSaved.h"

#include "config/AppPaths.h"
#include "protocol/ValueTables.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>

namespace {

constexpr const char *DefaultTcpPort = "2000";
constexpr const char *DefaultBaud = "9600";

const char *const Description =
    "Drives a Lumaplex multiviewer / KVM switch (RKA204QE, RKA07QE, RKA386QE, TN386, TN204E) from scripts.\n"
    "\n"
    "Commands:\n"
    "  identify                     print the device's model\n"
    "  sync                         print the device's whole setup as JSON\n"
    "  get KEY                      print one value (keys as in a setup file, e.g. output.hdcp)\n"
    "  set KEY VALUE                change one value and read it back\n"
    "  send \"RAW LINE\"              send a line as it is (CR added) and print the reply\n"
    "  action NAME [ARGUMENT]       do what is not a value (scene.load 3, audio.volumeUp, edid.upload FILE)\n"
    "  actions                      list the actions of the device's model (or of --model)\n"
    "  settings                     describe every setting and action of the device's model (or of\n"
    "                               --model): kinds, values or ranges, pages and labels (--language)\n"
    "  snapshot save FILE           save the device's setup into FILE\n"
    "  snapshot diff FILE           print every value that differs from FILE\n"
    "  snapshot restore FILE        send what differs from FILE, then read back\n"
    "  log                          print the traffic with timestamps until interrupted\n"
    "  watch                        read the whole state every --interval seconds and print each value\n"
    "                               that changed, until interrupted\n"
    "  devices                      list the saved devices (no device needed)\n"
    "  discover CIDR                find the devices of a range such as 192.168.0.0/24 (at most 1024\n"
    "                               addresses) on the control port (--port, 2000 when not given)\n"
    "\n"
    "Several --tcp (or --serial, --device) run the command on every device at once, one result row each.\n"
    "--serial DEVICE:auto searches the speed (9600, 115200, 57600, 38400, 19200) and names the one found.\n"
    "Exit codes: 0 done, 2 usage, 3 link failure (watch: also a device that stopped answering), 4 device\n"
    "refused or timed out, 5 snapshot differs.";

// "name:suffix" into name and suffix when the suffix is a number; otherwise the whole text and `fallback`.
std::pair<QString, QString> splitSuffix(const QString &text, const QString &fallback)
{
    static const QRegularExpression withNumber(QStringLiteral("^(.+):(\\d{1,6}|auto)$"));
    const QRegularExpressionMatch match = withNumber.match(text);
    if (match.hasMatch())
        return {match.captured(1), match.captured(2)};
    return {text, fallback};
}

int usageError(const QString &message)
{
    std::fprintf(stderr, "lumaplex-cli: %s\nTry 'lumaplex-cli --help'.\n", qPrintable(message));
    return ExitUsage;
}

// Whether the command takes `count` arguments.
bool argumentsFit(const QString &command, const QStringList &arguments)
{
    const int count = arguments.size();
    if (command == QLatin1String("identify") || command == QLatin1String("sync") ||
        command == QLatin1String("log") || command == QLatin1String("watch") ||
        command == QLatin1String("devices") || command == QLatin1String("actions") ||
        command == QLatin1String("settings"))
        return count == 0;
    if (command == QLatin1String("action"))
        return count == 1 || count == 2;
    if (command == QLatin1String("get") || command == QLatin1String("send") ||
        command == QLatin1String("discover"))
        return count == 1;
    if (command == QLatin1String("set"))
        return count == 2;
    if (command == QLatin1String("snapshot"))
        return count == 2 && QStringList{"save", "diff", "restore"}.contains(arguments.first());
    return false;
}

} // namespace

CliParse parseCliOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption tcpOption(
        QStringLiteral("tcp"), QStringLiteral("Device on TCP (port %1 when not given).").arg(DefaultTcpPort),
        QStringLiteral("host[:port]"));
    const QCommandLineOption serialOption(
        QStringLiteral("serial"),
        QStringLiteral("Device on a serial line (%1 baud when not given).").arg(DefaultBaud),
        QStringLiteral("device[:baud]"));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral(
            "One JSON result object per device on standard output (log, watch: one object a line)."));
    const QCommandLineOption linkOption(
        QStringLiteral("with-link"),
        QStringLiteral("snapshot diff and restore: include the device's own baud rate and network settings "
                       "(a restore writes them last)."));
    const QCommandLineOption deviceOption(
        QStringLiteral("device"), QStringLiteral("A device saved in the device list (see 'devices')."),
        QStringLiteral("name"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("discover: the control port to ask (2000)."),
                                        QStringLiteral("port"));
    const QCommandLineOption intervalOption(
        QStringLiteral("interval"),
        QStringLiteral("watch: seconds between two reads of each device's whole state (10)."),
        QStringLiteral("seconds"));
    const QCommandLineOption appDirOption(
        QStringLiteral("app-dir"),
        QStringLiteral("Read the device list kept below DIR, as lumaplex --app-dir."), QStringLiteral("dir"));
    const QCommandLineOption modelOption(
        QStringLiteral("model"),
        QStringLiteral("settings, actions: describe this model (%1) without a device.")
            .arg(Tables::Models.toStringList().join(QLatin1String(", "))),
        QStringLiteral("model"));
    const QCommandLineOption languageOption(
        QStringLiteral("language"),
        QStringLiteral("settings, actions: the labels in english (the default) or in the window's other "
                       "language."),
        QStringLiteral("language"));
    parser.addOptions({tcpOption, serialOption, deviceOption, jsonOption, linkOption, portOption,
                       intervalOption, appDirOption, modelOption, languageOption});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see above)."),
                                 QStringLiteral("command [arguments]"));

    CliParse result;
    if (!parser.parse(arguments)) {
        result.exitCode = usageError(parser.errorText());
        return result;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return result;
    }
    if (parser.isSet(versionOption)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return result;
    }

    CliOptions &options = result.options;
    for (const QString &text : parser.values(tcpOption)) {
        const auto parts = splitSuffix(text, QString::fromLatin1(DefaultTcpPort));
        options.devices.append({false, parts.first, parts.second, QString(), text});
    }
    for (const QString &text : parser.values(serialOption)) {
        const auto parts = splitSuffix(text, QString::fromLatin1(DefaultBaud));
        options.devices.append({true, parts.first, QString(), parts.second, text});
    }
    AppPaths::useMainWindowFolders(parser.value(appDirOption));
    for (const QString &name : parser.values(deviceOption)) {
        CliDevice saved;
        QString error;
        if (!findSavedDevice(name, &saved, &error)) {
            result.exitCode = usageError(error);
            return result;
        }
        options.devices.append(saved);
    }
    const QStringList positional = parser.positionalArguments();
    options.command = positional.value(0);
    options.arguments = positional.mid(1);
    options.json = parser.isSet(jsonOption);
    options.withLink = parser.isSet(linkOption);
    if (parser.isSet(portOption)) {
        const uint port = parser.value(portOption).toUInt();
        if (port == 0 || port > 65535) {
            result.exitCode = usageError(QStringLiteral("'%1' is no port").arg(parser.value(portOption)));
            return result;
        }
        options.discoverPort = quint16(port);
    }
    if (parser.isSet(intervalOption)) {
        bool ok = false;
        const int seconds = parser.value(intervalOption).toInt(&ok, 10);
        if (!ok || seconds < 1 || seconds > 86400) {
            result.exitCode = usageError(
                QStringLiteral("--interval needs a whole number of seconds from 1 to 86400, not '%1'")
                    .arg(parser.value(intervalOption)));
            return result;
        }
        if (options.command != QLatin1String("watch")) {
            result.exitCode = usageError(QStringLiteral("--interval is for watch only"));
            return result;
        }
        options.watchInterval = seconds;
    }
    const bool describes =
        options.command == QLatin1String("settings") || options.command == QLatin1String("actions");
    if ((parser.isSet(modelOption) || parser.isSet(languageOption)) && !describes) {
        result.exitCode =
            usageError(QStringLiteral("--model and --language are for settings and actions only"));
        return result;
    }
    if (parser.isSet(modelOption)) {
        options.model = Tables::Models.indexOf(parser.value(modelOption).toUpper().toLatin1());
        if (options.model < 0) {
            result.exitCode = usageError(
                QStringLiteral("'%1' is no model (%2)")
                    .arg(parser.value(modelOption), Tables::Models.toStringList().join(QLatin1String(", "))));
            return result;
        }
        if (!options.devices.isEmpty()) {
            result.exitCode = usageError(QStringLiteral("--model describes a model without a device: name "
                                                        "either a model or devices"));
            return result;
        }
    }
    options.language = parser.value(languageOption);
    if (!options.language.isEmpty() && options.language != QLatin1String("english") &&
        options.language != QLatin1String("other")) {
        result.exitCode =
            usageError(QStringLiteral("--language takes english or other, not '%1'").arg(options.language));
        return result;
    }
    const bool needsDevice = options.command != QLatin1String("devices") &&
                             options.command != QLatin1String("discover") && options.model < 0;
    if (options.devices.isEmpty() && needsDevice) {
        result.exitCode = usageError(QStringLiteral("name a device with --tcp, --serial or --device"));
        return result;
    }
    if (!argumentsFit(options.command, options.arguments)) {
        result.exitCode = usageError(options.command.isEmpty()
                                         ? QStringLiteral("no command given")
                                         : QStringLiteral("'%1' is no command, or not with these arguments")
                                               .arg(positional.join(QLatin1Char(' '))));
        return result;
    }
    for (const CliDevice &device : options.devices) {
        const quint32 port = device.port.toUInt();
        if (!device.serial && (port == 0 || port > 65535)) {
            result.exitCode = usageError(QStringLiteral("'%1' has no valid port").arg(device.text));
            return result;
        }
    }
    result.run = true;
    return result;
}
