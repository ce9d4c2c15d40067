// The whole program run in this process as main() runs it, in a temporary application directory: the window
// the operator sees first, what is on disk then, and the one configuration write at exit.

#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "config/AtomicFile.h"
#include "login/Ui_Login.h"
#include "shell/Startup.h"
#include "shell/Ui_Main.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace {

const QString ConfigFile = QStringLiteral("/APP/ConfigFile/config.ini");

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
};

void TestStartup::firstWindow_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("first");

    QTest::newRow("first start") << QByteArray() << "Ui_Login";
    QTest::newRow("login switched off") << QByteArray("Key_UI_Login=0\r\n") << "Ui_Main";
}

void TestStartup::firstWindow()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, first);
    TestAppDir app;
    app.installDataTree();
    if (!config.isEmpty())
        app.writeFile(ConfigFile, config);
    int configWrites = 0;
    setAtomicCommitGate([&](const QString &path) {
        configWrites += path.endsWith(QLatin1String("config.ini"));
        return true;
    });
    QStringList seen;
    QByteArray onDiskAtStart;
    int writesBeforeExit = -1;
    // The operator logs in with the default password when asked, changes a setting and closes the window.
    whenRunning = [&] {
        QWidget *window = shownWindow();
        seen << (window ? window->metaObject()->className() : "none");
        onDiskAtStart = app.readFile(ConfigFile);
        if (auto *login = qobject_cast<Ui_Login *>(window)) {
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
    char program[] = "lumaplex", *argv[] = {program, nullptr};
    int argc = 1;

    const int exitCode = runLumaplex(argc, argv);
    setAtomicCommitGate(nullptr);
    QCOMPARE(exitCode, 0);
    QCOMPARE(seen, QStringList{first});
    if (config.isEmpty())
        QVERIFY(onDiskAtStart.contains("\r\nKey_UI_Login=1\r\n") &&
                onDiskAtStart.contains("\r\nSpassword_Admin=583029\r\nSpassword_User=583029\r\n"));
    else
        QCOMPARE(onDiskAtStart, config);
    QCOMPARE(configWrites - writesBeforeExit, 1);
    QVERIFY(app.readFile(ConfigFile).contains("\r\nSP_Name=ttyAtExit\r\n"));
}

QTEST_APPLESS_MAIN(TestStartup)
#include "tst_startup.moc"
