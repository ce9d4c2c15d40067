#include "SimOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

// A non-negative decimal option value; false (with a message) when it is not one.
bool readCount(const QCommandLineParser &parser, const QString &name, int *value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int number = parser.value(name).toInt(&ok, 10);
    if (!ok || number < 0) {
        printError(QStringLiteral("--%1 needs a whole number of 0 or more, not \"%2\"")
                       .arg(name, parser.value(name)));
        return false;
    }
    *value = number;
    return true;
}

// Seconds as a decimal number (0.5 is half a second) into milliseconds; false (with a message) when it is not
// one from 0 to a million.
bool readSeconds(const QCommandLineParser &parser, const QString &name, int *ms)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double seconds = parser.value(name).toDouble(&ok);
    if (!ok || !(seconds >= 0 && seconds <= 1e6)) {
        printError(QStringLiteral("--%1 needs a number of seconds from 0 to 1000000, not \"%2\"")
                       .arg(name, parser.value(name)));
        return false;
    }
    *ms = int(seconds * 1000 + 0.5);
    return true;
}

} // namespace

void printError(const QString &message)
{
    std::fprintf(stderr, "lumaplex-sim: %s\n", qPrintable(message));
    std::fflush(stderr);
}

bool parseListenAddress(const QString &text, QHostAddress *address, quint16 *port)
{
    QString host;
    QString portText = text;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = text.left(colon);
        portText = text.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
    }
    bool ok = false;
    const uint number = portText.toUInt(&ok, 10);
    if (!ok || number > 65535)
        return false;
    if (host.isEmpty() || host == QLatin1String("localhost")) {
        *address = QHostAddress(QHostAddress::LocalHost);
    } else {
        QHostAddress parsed;
        if (!parsed.setAddress(host))
            return false;
        *address = parsed;
    }
    *port = quint16(number);
    return true;
}

SimOptionsResult parseSimOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates one Lumaplex-controlled multiviewer on a TCP port and/or a pseudo-terminal, so that\n"
        "the tool can be tried and tested without hardware. Every request line gets the reply a device\n"
        "gives; any number of TCP clients share the one device, as controllers of a real one do; the\n"
        "fault options make it misbehave on purpose. At start it prints one line such as\n"
        "  lumaplex-sim: TN386 listening on tcp 127.0.0.1:2000, pty /dev/pts/3 (link /tmp/ttyLumaplex)\n"
        "and then logs the traffic on standard output. SIGINT or SIGTERM end it after saving the state.\n"
        "\n"
        "With --devices N it serves a fleet of N independent devices, each on its own TCP port, and first\n"
        "prints one line \"INDEX PORT\" per device (indexes from 0). On the --control port each device\n"
        "can be made to fail on its own, one line at a time, each answered \"OK\" or \"ERROR reason\":\n"
        "  FAULT INDEX freeze       keep the connections and read nothing more\n"
        "  FAULT INDEX silent       read every request and answer none\n"
        "  FAULT INDEX disconnect   drop the connections (new ones are accepted)\n"
        "  FAULT INDEX clear        work normally again (a frozen device reads what waited)"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("model"),
         QStringLiteral(
             "Model to simulate: RKA204QE (default), RKA07QE, RKA386QE, TN386, TN204E; any other name is "
             "reported as it is and behaves like RKA204QE. A fleet's devices take a list NAME,NAME,... "
             "in turn."),
         QStringLiteral("NAME")},
        {QStringLiteral("tcp"),
         QStringLiteral("Listen for the tool on TCP [ADDR:]PORT (default 127.0.0.1:2000; port 0 picks a free "
                        "port, printed at start). Only loopback addresses unless --listen-any is given. A "
                        "fleet listens on consecutive ports from PORT, or on free ones with port 0."),
         QStringLiteral("[ADDR:]PORT")},
        {QStringLiteral("devices"),
         QStringLiteral("Serve a fleet of N independent devices (1 to %1), each on its own TCP port; each "
                        "keeps its own --state file, named with its index (state.json: state-0.json, "
                        "state-1.json...).")
             .arg(MaxDevices),
         QStringLiteral("N")},
        {QStringLiteral("control"),
         QStringLiteral("Accept fault lines (FAULT INDEX freeze|silent|disconnect|clear) on TCP "
                        "[ADDR:]PORT (port 0 picks a free port, printed at start); loopback only unless "
                        "--listen-any is given."),
         QStringLiteral("[ADDR:]PORT")},
        {QStringLiteral("listen-any"),
         QStringLiteral("Allow --tcp and --control to listen on a non-loopback address.")},
        {QStringLiteral("no-tcp"), QStringLiteral("Do not listen on TCP (use with --pty).")},
        {QStringLiteral("pty"),
         QStringLiteral(
             "Also serve a serial line: create a pseudo-terminal in raw mode and make LINK a symbolic "
             "link to the terminal that the tool opens as its serial port."),
         QStringLiteral("LINK")},
        {QStringLiteral("baud"),
         QStringLiteral(
             "The serial line of the device runs at N baud (9600, 19200, 38400, 57600, 115200), 8 data "
             "bits, no parity, 1 stop bit: it answers only when the tool set its side of the "
             "pseudo-terminal so, and stays silent otherwise."),
         QStringLiteral("N")},
        {QStringLiteral("line-ending"), QStringLiteral("End reply lines with \"crlf\" (default) or \"cr\"."),
         QStringLiteral("crlf|cr")},
        {QStringLiteral("state"),
         QStringLiteral(
             "Load the device state from this JSON file at start (when it exists) and save it after "
             "every change."),
         QStringLiteral("FILE")},
        {QStringLiteral("announce"),
         QStringLiteral(
             "Send the reply line of every change a client makes, unasked, to every other client "
             "(the other TCP clients and the serial line), as a device that reports changes to all "
             "its controllers does. Reads and requests that change nothing are not announced.")},
        {QStringLiteral("reset-ms"),
         QStringLiteral("After SET RESET the device is unreachable for this long (default 3000)."),
         QStringLiteral("N")},
        {QStringLiteral("silent"), QStringLiteral("Fault: never answer any request.")},
        {QStringLiteral("no-reply"),
         QStringLiteral("Fault: never answer this request, given without its verb, e.g. \"OUT HDCP\" or "
                        "\"MODEL TYPE\" (repeatable)."),
         QStringLiteral("CMD")},
        {QStringLiteral("delay-ms"), QStringLiteral("Fault: answer every request N ms late."),
         QStringLiteral("N")},
        {QStringLiteral("drop-every"), QStringLiteral("Fault: swallow every Nth reply."),
         QStringLiteral("N")},
        {QStringLiteral("garbage-every"),
         QStringLiteral(
             "Fault: send a line of random bytes (no line ends, no reply keywords) before every Nth "
             "reply."),
         QStringLiteral("N")},
        {QStringLiteral("split"),
         QStringLiteral("Fault: send every reply in several small chunks with pauses.")},
        {QStringLiteral("disconnect-after"),
         QStringLiteral("Fault: close the TCP connection after N replies on it."), QStringLiteral("N")},
        {QStringLiteral("flood"),
         QStringLiteral("Fault: send N unsolicited status lines (\"IN STATUS ...\", \"OUT STATUS ...\") per "
                        "second."),
         QStringLiteral("N")},
        {QStringLiteral("freeze-after"),
         QStringLiteral(
             "Fault: S seconds after start (decimals allowed, e.g. 0.5) stop answering anything on "
             "every link, like a hung device whose network stack still runs: every connection "
             "stays open and new ones are still accepted."),
         QStringLiteral("S")},
        {QStringLiteral("quiet"), QStringLiteral("Do not log the traffic on standard output.")},
    });

    SimOptionsResult result;
    if (!parser.parse(app.arguments())) {
        printError(parser.errorText());
        result.exitCode = 2;
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        std::fflush(stdout);
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(app.applicationName()), qPrintable(app.applicationVersion()));
        std::fflush(stdout);
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
        result.exitCode = 2;
        return result;
    }

    SimOptions &o = result.options;
    result.exitCode = 2;
    if (parser.isSet(QStringLiteral("model"))) {
        o.models.clear();
        for (const QString &name : parser.value(QStringLiteral("model")).split(QLatin1Char(','))) {
            const QString model = name.trimmed();
            if (model.isEmpty() || model.contains(QLatin1Char(' '))) {
                printError(QStringLiteral("--model needs one word, or words parted by commas"));
                return result;
            }
            o.models << model;
        }
        o.model = o.models.first();
        o.modelGiven = true;
    }
    o.listenAny = parser.isSet(QStringLiteral("listen-any"));
    if (parser.isSet(QStringLiteral("devices"))) {
        bool ok = false;
        o.devices = parser.value(QStringLiteral("devices")).toInt(&ok, 10);
        o.devicesGiven = true;
        if (!ok || o.devices < 1 || o.devices > MaxDevices) {
            printError(QStringLiteral("--devices needs a number from 1 to %1, not \"%2\"")
                           .arg(MaxDevices)
                           .arg(parser.value(QStringLiteral("devices"))));
            return result;
        }
    }
    if (parser.isSet(QStringLiteral("control"))) {
        o.controlEnabled = true;
        if (!parseListenAddress(parser.value(QStringLiteral("control")), &o.controlAddress, &o.controlPort) ||
            (!o.controlAddress.isLoopback() && !o.listenAny)) {
            printError(QStringLiteral("--control needs [ADDR:]PORT on a loopback address (or --listen-any), "
                                      "not \"%1\"")
                           .arg(parser.value(QStringLiteral("control"))));
            return result;
        }
    }
    o.tcpEnabled = !parser.isSet(QStringLiteral("no-tcp"));
    if (parser.isSet(QStringLiteral("tcp"))) {
        o.tcpGiven = true;
        if (!parseListenAddress(parser.value(QStringLiteral("tcp")), &o.tcpAddress, &o.tcpPort)) {
            printError(QStringLiteral("--tcp needs [ADDR:]PORT, not \"%1\"")
                           .arg(parser.value(QStringLiteral("tcp"))));
            return result;
        }
        if (!o.tcpAddress.isLoopback() && !o.listenAny) {
            printError(QStringLiteral("refusing to listen on %1, which is not a loopback address "
                                      "(add --listen-any to allow it)")
                           .arg(o.tcpAddress.toString()));
            return result;
        }
    }
    if (o.tcpPort != 0 && o.tcpPort + o.devices - 1 > 65535) {
        printError(
            QStringLiteral("%1 devices from port %2 go beyond port 65535").arg(o.devices).arg(o.tcpPort));
        return result;
    }
    o.ptyLink = parser.value(QStringLiteral("pty"));
    if (!o.tcpEnabled && o.ptyLink.isEmpty()) {
        printError(QStringLiteral("--no-tcp leaves nothing to listen on: add --pty LINK"));
        return result;
    }
    if (o.devices > 1 && (!o.ptyLink.isEmpty() || !o.tcpEnabled)) {
        printError(QStringLiteral("a fleet listens on TCP only: --pty and --no-tcp serve a single device"));
        return result;
    }
    if (parser.isSet(QStringLiteral("baud"))) {
        o.baud = parser.value(QStringLiteral("baud")).toInt();
        if (!QList<int>{9600, 19200, 38400, 57600, 115200}.contains(o.baud) || o.ptyLink.isEmpty()) {
            printError(QStringLiteral("--baud needs --pty and one of 9600, 19200, 38400, 57600, 115200"));
            return result;
        }
    }
    o.stateFile = parser.value(QStringLiteral("state"));
    if (parser.isSet(QStringLiteral("line-ending"))) {
        const QString ending = parser.value(QStringLiteral("line-ending")).toLower();
        if (ending != QLatin1String("cr") && ending != QLatin1String("crlf")) {
            printError(QStringLiteral("--line-ending is \"crlf\" or \"cr\""));
            return result;
        }
        o.crOnly = ending == QLatin1String("cr");
    }
    if (!readCount(parser, QStringLiteral("reset-ms"), &o.resetMs) ||
        !readCount(parser, QStringLiteral("delay-ms"), &o.delayMs) ||
        !readCount(parser, QStringLiteral("drop-every"), &o.dropEvery) ||
        !readCount(parser, QStringLiteral("garbage-every"), &o.garbageEvery) ||
        !readCount(parser, QStringLiteral("disconnect-after"), &o.disconnectAfter) ||
        !readCount(parser, QStringLiteral("flood"), &o.flood) ||
        !readSeconds(parser, QStringLiteral("freeze-after"), &o.freezeAfterMs))
        return result;
    o.announce = parser.isSet(QStringLiteral("announce"));
    o.silent = parser.isSet(QStringLiteral("silent"));
    o.split = parser.isSet(QStringLiteral("split"));
    o.quiet = parser.isSet(QStringLiteral("quiet"));
    for (const QString &command : parser.values(QStringLiteral("no-reply"))) {
        const QString simplified = command.simplified();
        if (!simplified.isEmpty())
            o.noReply << simplified;
    }
    result.run = true;
    result.exitCode = 0;
    return result;
}
