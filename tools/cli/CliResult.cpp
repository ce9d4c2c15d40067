#include "CliResult.h"

#include <QJsonDocument>

#include <cstdio>

QString statusOf(int exitCode)
{
    switch (exitCode) {
    case ExitDone:
        return QStringLiteral("done");
    case ExitUsage:
        return QStringLiteral("usage");
    case ExitLinkFailure:
        return QStringLiteral("link failure");
    case ExitRefused:
        return QStringLiteral("refused");
    case ExitDiffers:
        return QStringLiteral("differs");
    default:
        return QStringLiteral("failed");
    }
}

QJsonObject resultObject(const CliResult &result, const QString &device, const QString &command)
{
    QJsonObject object = result.data;
    object.insert(QStringLiteral("device"), device);
    object.insert(QStringLiteral("command"), command);
    object.insert(QStringLiteral("exitCode"), result.exitCode);
    object.insert(QStringLiteral("status"), statusOf(result.exitCode));
    object.insert(QStringLiteral("message"), result.message);
    return object;
}

void printResult(const CliResult &result, const QString &device, const QString &command, bool json,
                 const QByteArray &prefix)
{
    if (json) {
        const QByteArray line =
            QJsonDocument(resultObject(result, device, command)).toJson(QJsonDocument::Compact);
        std::fputs((prefix + line + '\n').constData(), stdout);
    } else {
        std::fputs(result.output.constData(), stdout);
        if (result.exitCode != ExitDone)
            std::fprintf(stderr, "lumaplex-cli: %s\n", qPrintable(result.message));
        else if (result.output.isEmpty() && !result.message.isEmpty() && !result.streamed)
            std::printf("%s\n", qPrintable(result.message));
    }
    std::fflush(stdout);
    std::fflush(stderr);
}

QString noReplyText(const QStringList &timedOut)
{
    return QStringLiteral("no reply to %1").arg(timedOut.join(QLatin1String(", ")));
}
