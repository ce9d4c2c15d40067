// The real executable, started as a process from a copy in a temporary directory (its application
// directory): the first start writes config.ini and the first language file, SIGTERM ends it with exit code
// 0 after the exit save, and a later start keeps the settings it found on disk.

#include "core/TestAppDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {

const QString configRel = QStringLiteral("/APP/ConfigFile/config.ini");
const QString englishRel = QStringLiteral("/APP/ConfigFile/language-English.ini");
const QString otherRel = QStringLiteral("/APP/ConfigFile/language-Other.ini");

const QByteArray defaultConfig = "Key_LanguageIsEnglish=1\r\nKey_UI_Login=1\r\nKey_UI_Output=1\r\n"
                                 "Key_UI_Multiview=1\r\nKey_UI_Audio=1\r\nKey_UI_System=1\r\n"
                                 "Spassword_Admin=583029\r\nSpassword_User=583029\r\nSP_Name=COM1\r\n"
                                 "SP_BaudRate=9600\r\nSP_DataBit=8\r\nSP_Parity=0\r\nSP_StopBit=1\r\n"
                                 "SP_FlowControl=0\r\nSP_RemoteIp=192.168.0.247\r\nSP_RemotePort=2000\r\n"
                                 "SP_RemoteSubmask=255.255.255.0\r\nSP_RemoteGateway=192.168.0.1\r\n";

constexpr int startTimeoutMs = 60000;
constexpr int exitTimeoutMs = 60000;

// The fields of /proc/<pid>/stat after the command name: state, parent pid, ...
QList<QByteArray> statFields(qint64 pid, QByteArray *command)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    const int open = line.indexOf('(');
    const int close = line.lastIndexOf(')');
    if (open < 0 || close < open)
        return {};
    *command = line.mid(open + 1, close - open - 1);
    return line.mid(close + 2).split(' ');
}

// The running "lumaplex" process whose parent is `parent` (the xvfb-run script runs it as its child).
qint64 lumaplexChildOf(qint64 parent)
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        QByteArray command;
        if (!isPid)
            continue;
        const QList<QByteArray> fields = statFields(pid, &command);
        if (fields.size() > 1 && command == "lumaplex" && fields.at(1).toLongLong() == parent)
            return pid;
    }
    return 0;
}

// True once the process has its SIGTERM handler in place, so that a SIGTERM quits its event loop instead of
// killing it.
bool catchesSigterm(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (pid <= 0 || !status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    }
    return false;
}

// One run of the executable copied into `dir`, directly with the offscreen platform or under xvfb-run.
class LumaplexRun
{
public:
    LumaplexRun(const QString &dir, bool underXvfb) : underXvfb(underXvfb)
    {
        const QString executable = dir + QStringLiteral("/lumaplex");
        if (!QFile::exists(executable))
            QFile::copy(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex"), executable);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_FATAL_WARNINGS"));
        if (underXvfb) {
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
            process.setProgram(QStandardPaths::findExecutable(QStringLiteral("xvfb-run")));
            process.setArguments({QStringLiteral("-a"), executable});
        } else {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            process.setProgram(executable);
        }
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(dir);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start();
    }

    ~LumaplexRun()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        if (const qint64 pid = programPid())
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

    bool started() { return process.waitForStarted(startTimeoutMs); }

    // The lumaplex process itself (under xvfb-run a child of the script).
    qint64 programPid() const
    {
        if (process.state() == QProcess::NotRunning)
            return 0;
        return underXvfb ? lumaplexChildOf(process.processId()) : process.processId();
    }

    bool readyForSignals() const { return catchesSigterm(programPid()); }

    void terminate()
    {
        if (underXvfb)
            ::kill(static_cast<pid_t>(programPid()), SIGTERM);
        else
            process.terminate();
    }

    bool finished() { return process.waitForFinished(exitTimeoutMs); }
    bool exitedNormally() const { return process.exitStatus() == QProcess::NormalExit; }
    int exitCode() const { return process.exitCode(); }
    QString output() { return QString::fromLocal8Bit(process.readAll()); }

private:
    QProcess process;
    bool underXvfb;
};

QList<QByteArray> crlfLines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void verifyCrlfFile(const QByteArray &bytes, int count)
{
    QVERIFY(bytes.endsWith("\r\n"));
    const QList<QByteArray> lines = crlfLines(bytes);
    QCOMPARE(lines.size(), count);
    for (const QByteArray &line : lines)
        QVERIFY2(line.endsWith('\r') && line.count('\r') == 1, line.constData());
}

// Ends the run with SIGTERM and expects the orderly exit with code 0.
void stopNormally(LumaplexRun &run)
{
    run.terminate();
    QVERIFY2(run.finished(), qPrintable(run.output()));
    QVERIFY2(run.exitedNormally(), qPrintable(run.output()));
    QVERIFY2(run.exitCode() == 0,
             qPrintable(QStringLiteral("exit code %1\n%2").arg(run.exitCode()).arg(run.output())));
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void firstStartWritesDefaults_data();
    void firstStartWritesDefaults();
    void laterStartKeepsEditedSettings_data();
    void laterStartKeepsEditedSettings();

private:
    void addPlatformRows();
    bool skipWithoutXvfb(bool underXvfb);
};

void TestStartup::addPlatformRows()
{
    QTest::addColumn<bool>("underXvfb");
    QTest::addColumn<bool>("withDataTree");

    QTest::newRow("offscreen, executable alone") << false << false;
    QTest::newRow("offscreen, with the data tree") << false << true;
    QTest::newRow("xvfb-run, with the data tree") << true << true;
}

bool TestStartup::skipWithoutXvfb(bool underXvfb)
{
    return underXvfb && QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty();
}

void TestStartup::firstStartWritesDefaults_data()
{
    addPlatformRows();
}

void TestStartup::firstStartWritesDefaults()
{
    QFETCH(bool, underXvfb);
    QFETCH(bool, withDataTree);
    if (skipWithoutXvfb(underXvfb))
        QSKIP("xvfb-run is not installed");
    TestAppDir app;
    QVERIFY(app.isValid());
    if (withDataTree)
        app.installDataTree();
    const QByteArray shippedOther = app.readFile(otherRel);
    QVERIFY(!QFile::exists(app.file(configRel)));

    LumaplexRun run(app.path(), underXvfb);
    QVERIFY2(run.started(), qPrintable(run.output()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(app.file(configRel)) && QFile::exists(app.file(englishRel)) &&
                                 run.readyForSignals(),
                             startTimeoutMs);
    stopNormally(run);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(app.readFile(configRel), defaultConfig);
    const QByteArray english = app.readFile(englishRel);
    verifyCrlfFile(english, 184);
    QVERIFY(english.startsWith("S_OnOff[0]=On\r\nS_OnOff[1]=Off\r\n"));
    QVERIFY(english.endsWith("\r\nSMSG_EdidWriteOk=EDID Write Success.\r\n"));
    QCOMPARE(app.readFile(otherRel), shippedOther);
    QCOMPARE(QFile::exists(app.file(otherRel)), withDataTree);
}

void TestStartup::laterStartKeepsEditedSettings_data()
{
    addPlatformRows();
}

void TestStartup::laterStartKeepsEditedSettings()
{
    QFETCH(bool, underXvfb);
    QFETCH(bool, withDataTree);
    if (skipWithoutXvfb(underXvfb))
        QSKIP("xvfb-run is not installed");
    TestAppDir app;
    if (withDataTree)
        app.installDataTree();
    {
        LumaplexRun first(app.path(), underXvfb);
        QVERIFY2(first.started(), qPrintable(first.output()));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(app.file(englishRel)) && first.readyForSignals(),
                                 startTimeoutMs);
        stopNormally(first);
        if (QTest::currentTestFailed())
            return;
    }
    const QByteArray english = app.readFile(englishRel);
    // The operator edits config.ini by hand (LF line ends, a blank line); the exit save of the next run
    // writes it back in the program's own form with the edited values.
    QByteArray edited = defaultConfig;
    edited.replace("Spassword_User=583029", "Spassword_User=246810");
    edited.replace("SP_Name=COM1", "SP_Name=COM5");
    QByteArray onDisk = edited;
    onDisk.replace("\r\n", "\n");
    onDisk.replace("SP_Name=", "\nSP_Name=");
    app.writeFile(configRel, onDisk);

    LumaplexRun second(app.path(), underXvfb);
    QVERIFY2(second.started(), qPrintable(second.output()));
    QTRY_VERIFY_WITH_TIMEOUT(second.readyForSignals(), startTimeoutMs);
    stopNormally(second);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(app.readFile(configRel), edited);
    QCOMPARE(app.readFile(englishRel), english);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
