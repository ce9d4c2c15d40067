#include "CliFleet.h"

#include "CliOptions.h"
#include "CliResult.h"
#include "CliRunner.h"

#include "session/QuitOnSignal.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

void printRows(const std::vector<QStringList> &rows)
{
    int widths[2] = {0, 0};
    for (const QStringList &row : rows) {
        widths[0] = std::max(widths[0], int(row[0].size()));
        widths[1] = std::max(widths[1], int(row[1].size()));
    }
    for (const QStringList &row : rows)
        std::printf("%s  %s  %s\n", qPrintable(row[0].leftJustified(widths[0])),
                    qPrintable(row[1].leftJustified(widths[1])), qPrintable(row[2]));
}

} // namespace

int runDevices(const CliOptions &options)
{
    const bool streaming = options.command == QLatin1String("log");
    const bool several = options.devices.size() > 1;
    const QString command = (QStringList{options.command} + options.arguments).join(QLatin1Char(' '));
    std::vector<std::unique_ptr<CliRunner>> runners;
    std::vector<std::optional<CliResult>> results(std::size_t(options.devices.size()));
    std::size_t finished = 0;
    bool looping = false;
    for (int i = 0; i < options.devices.size(); ++i) {
        const CliDevice &device = options.devices.at(i);
        runners.push_back(std::make_unique<CliRunner>(options, device));
        const QByteArray prefix = several ? device.text.toUtf8() + '\t' : QByteArray();
        runners.back()->start(
            [&results, &finished, &looping, i](const CliResult &result) {
                results[std::size_t(i)] = result;
                if (++finished == results.size() && looping)
                    QCoreApplication::quit();
            },
            prefix);
    }
    if (finished < results.size()) {
        // An interrupted log ends every device's log.
        std::unique_ptr<QuitOnSignal> quitOnSignal;
        if (streaming)
            quitOnSignal = std::make_unique<QuitOnSignal>();
        looping = true;
        QCoreApplication::exec();
        for (const auto &runner : runners)
            runner->endLog();
    }

    int exitCode = ExitDone;
    QJsonArray objects;
    std::vector<QStringList> rows;
    for (std::size_t i = 0; i < results.size(); ++i) {
        CliResult result = results[i].value_or(
            CliResult::failure(ExitLinkFailure, QStringLiteral("interrupted before the link was open")));
        const CliDevice &device = options.devices.at(int(i));
        if (runners[i]->searchedBaud() > 0)
            result.data.insert(QStringLiteral("baud"), runners[i]->searchedBaud());
        exitCode = std::max(exitCode, result.exitCode);
        if (!several || streaming) {
            printResult(result, device.text, command, options.json,
                        several ? device.text.toUtf8() + '\t' : QByteArray());
        } else {
            objects.append(resultObject(result, device.text, command));
            rows.push_back({device.text, statusOf(result.exitCode), result.message});
        }
    }
    if (several && !streaming) {
        if (options.json)
            std::printf("%s", QJsonDocument(objects).toJson(QJsonDocument::Indented).constData());
        else
            printRows(rows);
        std::fflush(stdout);
    }
    return exitCode;
}
