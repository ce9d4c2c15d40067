#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// Exit codes that scripts can rely on.
enum CliExit
{
    ExitDone = 0,
    ExitUsage = 2,
    ExitLinkFailure = 3,
    ExitRefused = 4, // the device refused a value or did not answer in time
    ExitDiffers = 5  // the device does not hold the snapshot (or the snapshot is of another model)
};

// What one command did on one device.
struct CliResult
{
    int exitCode = ExitDone;
    // One line for the operator: what was done, or what went wrong.
    QString message;
    // What the command prints on standard output without --json (the setup document, a value, a reply).
    QByteArray output;
    // The command's own fields of the --json result.
    QJsonObject data;
    // Its output went to standard output while it ran (the traffic of log): nothing is added to it there.
    bool streamed = false;

    static CliResult failure(int exitCode, const QString &message)
    {
        CliResult result;
        result.exitCode = exitCode;
        result.message = message;
        return result;
    }
};

// "no reply to A, B": the requests that went without reply.
QString noReplyText(const QStringList &timedOut);
// "done", "usage", "link failure", "refused" or "differs".
QString statusOf(int exitCode);
// The --json object of the result of `command` on `device`: the command's fields with the device, the
// command, the exit code, the status and the message.
QJsonObject resultObject(const CliResult &result, const QString &device, const QString &command);
// Prints the result the way the options ask: the --json object on standard output (after `prefix`), or the
// output on standard output and, for a failure, the message on standard error.
void printResult(const CliResult &result, const QString &device, const QString &command, bool json,
                 const QByteArray &prefix = QByteArray());
