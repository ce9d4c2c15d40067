#include "CliFleet.h"

#include "CliOptions.h"
#include "CliResult.h"

#include "session/QuitOnSignal.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// The result object a child printed last, or one made from its exit when it printed none.
QJsonObject resultOf(QProcess &child, const CliDevice &device, const QString &command)
{
    const QList<QByteArray> lines = child.readAllStandardOutput().trimmed().split('\n');
    const QJsonObject printed = QJsonDocument::fromJson(lines.last()).object();
    if (!printed.isEmpty())
        return printed;
    const int code = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : ExitLinkFailure;
    return QJsonObject{
        {QStringLiteral("device"), device.text},
        {QStringLiteral("command"), command},
        {QStringLiteral("exitCode"), code},
        {QStringLiteral("status"), statusOf(code)},
        {QStringLiteral("message"), QString::fromLocal8Bit(child.readAllStandardError()).trimmed()}};
}

} // namespace

int runFleet(const CliOptions &options)
{
    const bool streaming = options.command == QLatin1String("log");
    std::vector<std::unique_ptr<QProcess>> children;
    QEventLoop allDone;
    int running = 0;
    for (const CliDevice &device : options.devices) {
        auto child = std::make_unique<QProcess>();
        QProcess *process = child.get();
        const QString prefix = device.text + QLatin1Char('\t');
        if (streaming) {
            QObject::connect(process, &QProcess::readyReadStandardOutput, process, [process, prefix] {
                while (process->canReadLine()) {
                    const QByteArray line = process->readLine();
                    std::fputs((prefix.toUtf8() + line).constData(), stdout);
                }
                std::fflush(stdout);
            });
        }
        QObject::connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &allDone,
                         [&running, &allDone] {
                             if (--running == 0)
                                 allDone.quit();
                         });
        QStringList arguments = device.childArguments();
        if (!streaming && !options.json)
            arguments << QStringLiteral("--json");
        process->setProcessChannelMode(streaming ? QProcess::ForwardedErrorChannel
                                                 : QProcess::SeparateChannels);
        process->start(QCoreApplication::applicationFilePath(), arguments + options.otherArguments);
        ++running;
        children.push_back(std::move(child));
    }
    // An interrupted log ends every device's log.
    std::unique_ptr<QuitOnSignal> quitOnSignal;
    if (streaming)
        quitOnSignal = std::make_unique<QuitOnSignal>();
    if (running > 0)
        allDone.exec();
    for (const auto &child : children) {
        if (child->state() != QProcess::NotRunning)
            child->terminate();
    }

    int exitCode = ExitDone;
    QJsonArray results;
    QList<QStringList> rows;
    for (std::size_t i = 0; i < children.size(); ++i) {
        QProcess &child = *children[i];
        child.waitForFinished();
        const CliDevice &device = options.devices.at(int(i));
        if (streaming) {
            const int code = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : ExitLinkFailure;
            exitCode = std::max(exitCode, code);
            continue;
        }
        const QJsonObject result = resultOf(child, device, options.command);
        exitCode = std::max(exitCode, result.value(QLatin1String("exitCode")).toInt(ExitLinkFailure));
        results.append(result);
        rows.append({device.text, result.value(QLatin1String("status")).toString(),
                     result.value(QLatin1String("message")).toString()});
    }
    if (streaming)
        return exitCode;
    if (options.json) {
        std::printf("%s", QJsonDocument(results).toJson(QJsonDocument::Indented).constData());
    } else {
        int widths[2] = {0, 0};
        for (const QStringList &row : rows) {
            widths[0] = std::max(widths[0], int(row[0].size()));
            widths[1] = std::max(widths[1], int(row[1].size()));
        }
        for (const QStringList &row : rows)
            std::printf("%s  %s  %s\n", qPrintable(row[0].leftJustified(widths[0])),
                        qPrintable(row[1].leftJustified(widths[1])), qPrintable(row[2]));
    }
    std::fflush(stdout);
    return exitCode;
}
