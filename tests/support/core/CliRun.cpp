#include "core/CliRun.h"

#include "core/TestProcess.h"

CliRun runCli(const QStringList &args)
{
    TestProcess process;
    process.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-cli"), args);
    CliRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString cliAddress(SimDevice &sim)
{
    return QStringLiteral("127.0.0.1:%1").arg(sim.port());
}
