#include "shell/CommandLine.h"

#include "config/Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

const QString AppDirOption = QStringLiteral("app-dir");

// Single-dash words are read as long options, so that Qt's own options (-platform, -reverse) are never
// taken for a group of one-letter ones.
void addOptions(QCommandLineParser *parser)
{
    parser->setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser->setApplicationDescription(QStringLiteral(
        "Controls one video multiviewer / KVM switch over RS-232 or TCP.\n\n"
        "The settings and the two language files are kept beside the program when its folder holds the\n"
        "data tree and can be written (a build tree, a portable copy); otherwise in the user's data\n"
        "folder (~/.local/share/lumaplex), with the pictures and style sheets read from the installed\n"
        "share folder. Qt's own options, such as -platform NAME, are accepted too."));
    parser->addHelpOption();
    parser->addVersionOption();
    parser->addOption({AppDirOption,
                       QStringLiteral("Read and write every file (APP/ and TitleBar/) below DIR instead."),
                       QStringLiteral("DIR")});
}

CommandLine leaveWith(int exitCode)
{
    CommandLine result;
    result.run = false;
    result.exitCode = exitCode;
    return result;
}

} // namespace

bool answerInformationOptions(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    addOptions(&parser);
    parser.parse(arguments);
    const bool help = parser.isSet(QStringLiteral("help"));
    const bool helpAll = parser.isSet(QStringLiteral("help-all"));
    if (!help && !helpAll && !parser.isSet(QStringLiteral("version")))
        return true;
    // The help text names the program as it was called, which only an application object knows.
    QCoreApplication app(argc, argv);
    if (helpAll)
        parser.process(app); // prints the help with Qt's own options and ends the process with code 0
    if (help)
        std::fputs(qPrintable(parser.helpText()), stdout);
    else
        std::printf("lumaplex %s\n", LUMAPLEX_VERSION);
    std::fflush(stdout);
    return false;
}

CommandLine readCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(&parser);
    QString mistake;
    if (!parser.parse(arguments))
        mistake = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        mistake = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
    else if (parser.isSet(AppDirOption) && parser.value(AppDirOption).isEmpty())
        mistake = QStringLiteral("--app-dir needs a folder");
    if (!mistake.isEmpty()) {
        std::fprintf(stderr, "lumaplex: %s\nTry \"lumaplex --help\".\n", qPrintable(mistake));
        return leaveWith(2);
    }
    CommandLine result;
    if (parser.isSet(AppDirOption))
        result.appDir = QFileInfo(parser.value(AppDirOption)).absoluteFilePath();
    return result;
}
