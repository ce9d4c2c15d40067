#pragma once

#include <QString>
#include <QStringList>

// The command line of lumaplex: --help, --version and --app-dir DIR.
struct CommandLine
{
    // False: leave at once with `exitCode` (help or version shown, or a mistake reported).
    bool run = true;
    int exitCode = 0;
    // Where to keep every file instead of the folders chosen by where the program lies; empty for those.
    QString appDir;
};

// Answers --help and --version on standard output before the application object exists, so that they work
// without a display; any other argument is left for later. Returns false when one was answered.
bool answerInformationOptions(int argc, char *argv[]);

// Reads the arguments that the application object left (Qt's own options such as -platform are gone). A
// mistake (an unknown option, --app-dir without a folder, an extra argument) is reported on standard error
// with exit code 2.
CommandLine readCommandLine(const QStringList &arguments);
