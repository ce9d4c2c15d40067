// The whole program run in this process as main() runs it, in a temporary application directory: the window
// the operator sees first, what is on disk then, and the one configuration write at exit. Then the real
// program: its command line, and where it keeps its files as a build tree, a read-only copy, an
// installation and with --app-dir.

#include "core/TestAppDir.h"
#include "core/TestProcess.h"
#include "gui/BlankLabels.h"

#include "config/AppState.h"
#include "config/AtomicFile.h"
#include "config/Version.h"
#include "login/Ui_Login.h"
#include "shell/Startup.h"
#include "shell/Ui_Main.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

const QString ConfigFile = QStringLiteral("/APP/ConfigFile/config.ini");
const QString Program = QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex");

// Size and modification time of every file below `dir`, except the settings when `settingsToo` is false.
QMap<QString, QString> filesBelow(const QString &dir, bool settingsToo)
{
    QMap<QString, QString> files;
    for (QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QFileInfo info(it.next());
        if (settingsToo || !info.filePath().contains(QLatin1String("/APP/ConfigFile/")))
            files[info.filePath()] =
                QString::number(info.size()) + info.lastModified().toString(Qt::ISODateWithMs);
    }
    return files;
}

// Runs once the program's event loop has started.
std::function<void()> whenRunning;

void scheduleWhenRunning()
{
    QTimer::singleShot(0, qApp, [] { whenRunning(); });
}

QWidget *shownWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            return widget;
    }
    return nullptr;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qAddPreRoutine(scheduleWhenRunning); }
    void firstWindow_data();
    void firstWindow();
    void commandLine_data();
    void commandLine();
    void filesWhereTheUserCanWrite_data();
    void filesWhereTheUserCanWrite();
    void picturesExaminedOnceTheWindowIsUp();
};

void TestStartup::firstWindow_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("language"); // what its language selector shows

    QTest::newRow("first start") << QByteArray() << "Ui_Login"
                                 << "English";
    QTest::newRow("login switched off") << QByteArray("Key_UI_Login=0\r\n") << "Ui_Main"
                                        << "English";
    QTest::newRow("login switched off, other language")
        << QByteArray("Key_UI_Login=0\r\nKey_LanguageIsEnglish=0\r\n") << "Ui_Main" << u8"中文";
}

void TestStartup::firstWindow()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, first);
    QFETCH(QString, language);
    TestAppDir app;
    app.installDataTree();
    // A later start finds both language files beside config.ini, as the first start left them.
    if (!config.isEmpty()) {
        app.writeFile(ConfigFile, config);
        app.writeFile(QStringLiteral("/APP/ConfigFile/language-English.ini"),
                      u8"ScomboBox_LanguageSelect[0]=English\r\nScomboBox_LanguageSelect[1]=中文\r\n");
    }
    int configWrites = 0;
    setAtomicCommitGate([&](const QString &path) {
        configWrites += path.endsWith(QLatin1String("config.ini"));
        return true;
    });
    QStringList seen;
    QString blank;
    QString selected;
    QByteArray onDiskAtStart;
    QImage loginPicture;
    QList<QSize> iconSizes;
    int writesBeforeExit = -1;
    // The operator logs in with the default password when asked, changes a setting and closes the window.
    whenRunning = [&] {
        QWidget *window = shownWindow();
        seen << (window ? window->metaObject()->className() : "none");
        blank = window ? blankLabels(window) : QString();
        if (auto *main = qobject_cast<Ui_Main *>(window))
            selected = main->languageSelector->currentText();
        else if (auto *login = qobject_cast<Ui_Login *>(window))
            selected = login->languageBox->currentText();
        onDiskAtStart = app.readFile(ConfigFile);
        // The application's icon comes once the window is on screen.
        static_cast<void>(QTest::qWaitFor([] { return !QApplication::windowIcon().isNull(); }, 5000));
        iconSizes = QApplication::windowIcon().availableSizes();
        if (auto *login = qobject_cast<Ui_Login *>(window)) {
            loginPicture = login->pictureLabel->pixmap().toImage();
            login->passwordEdit->setText(QStringLiteral("583029"));
            login->loginButton->click();
        }
        State().config.SP_Name = QStringLiteral("ttyAtExit");
        writesBeforeExit = configWrites;
        if (auto *main = qobject_cast<Ui_Main *>(shownWindow()))
            main->close();
        else
            QCoreApplication::exit(1);
    };
    // The folder is chosen as an operator would choose it.
    QByteArray appDir = app.path().toLocal8Bit();
    char program[] = "lumaplex", option[] = "--app-dir", *argv[] = {program, option, appDir.data(), nullptr};
    int argc = 3;

    const int exitCode = runLumaplex(argc, argv);
    setAtomicCommitGate(nullptr);
    QCOMPARE(exitCode, 0);
    QCOMPARE(seen, QStringList{first});
    QCOMPARE(blank, QString());
    QCOMPARE(selected, language);
    QCOMPARE(iconSizes, (QList<QSize>{{64, 64}, {128, 128}}));
    if (first == "Ui_Login") {
        const QImage shown(app.file(QStringLiteral("/APP/Image/loginui_pic.png")));
        QVERIFY(!shown.isNull() && loginPicture == shown.convertToFormat(loginPicture.format()));
    }
    if (config.isEmpty())
        QVERIFY(onDiskAtStart.contains("\r\nKey_UI_Login=1\r\n") &&
                onDiskAtStart.contains("\r\nSpassword_Admin=583029\r\nSpassword_User=583029\r\n"));
    else
        QCOMPARE(onDiskAtStart, config);
    QCOMPARE(configWrites - writesBeforeExit, 1);
    QVERIFY(app.readFile(ConfigFile).contains("\r\nSP_Name=ttyAtExit\r\n"));
}

void TestStartup::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // the start of standard output, or of standard error on a mistake

    const QString version = QStringLiteral("lumaplex " LUMAPLEX_VERSION "\n");
    QTest::newRow("--version") << QStringList{"--version"} << 0 << version;
    QTest::newRow("-v") << QStringList{"-v"} << 0 << version;
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: " + Program + " [options]\n";
    QTest::newRow("-h after another option")
        << QStringList{"--app-dir", "/nowhere", "-h"} << 0 << "Usage: " + Program + " [options]\n";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "lumaplex: Unknown option 'bogus'.\n";
    QTest::newRow("--app-dir without a folder")
        << QStringList{"--app-dir"} << 2 << "lumaplex: Missing value after '--app-dir'.\n";
    QTest::newRow("extra argument") << QStringList{"file.ini"} << 2
                                    << "lumaplex: unexpected argument \"file.ini\"\n";
}

// Help and version need no display; a mistake is reported before any window opens.
void TestStartup::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    TestProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), exitCode == 0 ? "xcb" : "offscreen");
    program.setProcessEnvironment(environment);
    program.start(Program, arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString text = QString::fromLocal8Bit(exitCode == 0 ? program.readAllStandardOutput()
                                                              : program.readAllStandardError());
    QVERIFY2(text.startsWith(output) || text.contains("\n" + output), qPrintable(text));
    if (arguments.contains("--help"))
        QVERIFY(text.contains("--app-dir <DIR>") && text.contains("--version"));
}

void TestStartup::filesWhereTheUserCanWrite_data()
{
    QTest::addColumn<QString>("executable"); // below the temporary folder; empty: the built program
    QTest::addColumn<QString>("dataTree");   // where the data tree is copied
    QTest::addColumn<QString>("settings");   // where the settings are expected
    QTest::addColumn<bool>("readOnly");      // the data tree's settings folder may not be written

    const QString home = QStringLiteral("/home/data/lumaplex");
    QTest::newRow("build tree") << QString("/tree/lumaplex") << QString("/tree") << QString("/tree") << false;
    QTest::newRow("read-only copy") << QString("/tree/lumaplex") << QString("/tree") << home << true;
    QTest::newRow("installed") << QString("/usr/bin/lumaplex") << QString("/usr/share/lumaplex") << home
                               << false;
    QTest::newRow("--app-dir") << QString() << QString("/chosen") << QString("/chosen") << false;
}

// The program is started as a user would start it and stopped by SIGTERM: the settings of the first start
// are where the user can write them, the shipped files stay as they were, and nothing goes anywhere else.
void TestStartup::filesWhereTheUserCanWrite()
{
    QFETCH(QString, executable);
    QFETCH(QString, dataTree);
    QFETCH(QString, settings);
    QFETCH(bool, readOnly);
    TestAppDir root;
    root.installDataTree(dataTree);
    QStringList arguments;
    if (executable.isEmpty())
        arguments << "--app-dir" << root.file(dataTree);
    else
        QVERIFY(QDir().mkpath(QFileInfo(root.file(executable)).path()) &&
                QFile::copy(Program, root.file(executable)));
    const QString settingsFolder = root.file(dataTree + "/APP/ConfigFile");
    const auto restore = qScopeGuard([&] {
        QFile(settingsFolder).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (readOnly)
        QVERIFY(QFile(settingsFolder).setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    const QMap<QString, QString> shipped = filesBelow(root.file(dataTree), dataTree != settings);
    const QString besideBuilt = QStringLiteral(LUMAPLEX_BIN_DIR) + ConfigFile;
    const QString builtBefore = QFileInfo(besideBuilt).lastModified().toString(Qt::ISODateWithMs);

    TestProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root.file("/home"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root.file("/home/data"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(executable.isEmpty() ? Program : root.file(executable), arguments);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root.file(settings + ConfigFile)), 30000);
    program.terminate();
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);

    QVERIFY(root.readFile(settings + ConfigFile).contains("\r\nSpassword_User=583029\r\n"));
    QVERIFY(root.readFile(settings + "/APP/ConfigFile/language-Other.ini").contains("\r\nS_Clear="));
    QCOMPARE(filesBelow(root.file(dataTree), dataTree != settings), shipped);
    QCOMPARE(QFileInfo(besideBuilt).lastModified().toString(Qt::ISODateWithMs), builtBefore);
}

// Start-up shows the first window before it examines the picture files, but examines them in the same run:
// a picture that Qt would save differently is rewritten while the program runs.
void TestStartup::picturesExaminedOnceTheWindowIsUp()
{
    TestAppDir app;
    app.installDataTree();
    const QString picture = QStringLiteral("/TitleBar/Image/App.png");
    const QByteArray normal = app.readFile(picture);
    QByteArray loose;
    QBuffer buffer(&loose);
    QVERIFY(QImage::fromData(normal).save(&buffer, "png", 100) && loose != normal);
    app.writeFile(picture, loose);

    TestProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(Program, {"--app-dir", app.path()});
    QTRY_COMPARE_WITH_TIMEOUT(app.readFile(picture), normal, 30000);
    program.terminate();
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
}

QTEST_APPLESS_MAIN(TestStartup)
#include "tst_startup.moc"
