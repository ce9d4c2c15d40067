#include "shell/Startup.h"

#include "config/AppPaths.h"
#include "config/AppState.h"
#include "config/ConfigFile.h"
#include "config/Version.h"
#include "login/Ui_Login.h"
#include "session/QuitOnSignal.h"
#include "shell/CommandLine.h"
#include "shell/Ui_Main.h"
#include "widgets/Pictures.h"
#include "widgets/SaveReport.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QStandardPaths>
#include <QTimer>

#include <memory>
#include <thread>

#ifdef LUMAPLEX_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace {

// --app-dir, or the folders that suit where the program lies (a build tree, a portable copy, an
// installation).
void useFolders(const QString &appDir)
{
    if (!appDir.isEmpty()) {
        AppPaths::setApplicationDir(appDir);
        return;
    }
    AppPaths::setFolders(
        AppPaths::chooseFolders(QCoreApplication::applicationDirPath(),
                                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

// Fontconfig reads its configuration (some fifty XML files) and its font caches the first time any window
// needs a font, which is most of what any Qt window costs before it is painted. Here that runs on another
// core from the first moment, while the application connects to the display and reads its files; the
// first window is made once it is done, and Qt then finds fontconfig ready.
class FontconfigWarmUp
{
public:
    FontconfigWarmUp()
    {
#ifdef LUMAPLEX_FONTCONFIG
        worker = std::thread([] { FcInit(); });
#endif
    }
    ~FontconfigWarmUp()
    {
        wait();
    }
    FontconfigWarmUp(const FontconfigWarmUp &) = delete;
    FontconfigWarmUp &operator=(const FontconfigWarmUp &) = delete;

    void wait()
    {
        if (worker.joinable())
            worker.join();
    }

private:
    std::thread worker;
};

// What the first window does not need before it is on screen: once it has been painted for the first
// time, the application's icon (the task bar's) is loaded and the pictures shown so far are examined
// (Pictures.h).
class AfterFirstPaint : public QObject
{
public:
    explicit AfterFirstPaint(QWidget *window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After the paint, once the window is on screen.
            QTimer::singleShot(0, this, [] {
                QApplication::setWindowIcon(
                    LoadIcon(AppPaths::file(QStringLiteral("/APP/Image/lumaplex.png"))));
                ExamineDeferredPictures();
            });
        }
        return false;
    }
};

} // namespace

bool Config_CheckAtStartup(QString *failure)
{
    const bool existed = Config_LoadOrCreate(failure);
    // The frameless windows' title bars are styled by the application's style sheet too (their rules name
    // the title bar's parts alone): one style for every widget costs less than a second one per window.
    QString styleSheet;
    QFile application(AppPaths::styleSheetFile());
    if (application.open(QIODevice::ReadOnly))
        styleSheet = QString::fromLatin1(application.readAll());
    QFile titleBars(AppPaths::titleBarStyleSheetFile());
    if (titleBars.open(QIODevice::ReadOnly))
        styleSheet += QLatin1Char('\n') + QString::fromUtf8(titleBars.readAll());
    if (!styleSheet.isEmpty())
        qApp->setStyleSheet(styleSheet);
    return existed;
}

int runLumaplex(int argc, char *argv[])
{
    if (!answerInformationOptions(argc, argv))
        return 0;
    FontconfigWarmUp fonts;
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Always on in Qt 6.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
#endif
    // Whole scale factors, as Qt 5 has them by default (Qt 6 would pass 1.5 through): a screen at 150 %
    // draws the "@2x" pictures at 2, the same in both builds.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    auto app = std::make_unique<QApplication>(argc, argv);
    const CommandLine commandLine = readCommandLine(QCoreApplication::arguments());
    if (!commandLine.run)
        return commandLine.exitCode;
    QCoreApplication::setApplicationName(QStringLiteral("lumaplex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMAPLEX_VERSION));
    // The desktop entry's name: docks and task bars match the windows to the entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumaplex.Lumaplex"));
    useFolders(commandLine.appDir);
    // Nothing but the first window may keep the operator waiting: the picture files are examined after it,
    // and those of the login dialog are decoded on another core while the dialog is made.
    DeferPictureExamination();
    QuitOnSignal quitOnSignal;
    QString startFailure;
    const bool configExisted = Config_CheckAtStartup(&startFailure);
    const bool loginFirst = !configExisted || State().config.Key_UI_Login != QLatin1String("0");
    if (loginFirst)
        PrefetchPictures(Ui_Login::pictureFiles());
    fonts.wait();

    // The main window and its pages are built when they are first needed: at once when the login is
    // skipped, otherwise when the login is answered, so that the login dialog appears without waiting for
    // them.
    std::unique_ptr<Ui_Main> mainWindow;
    auto login = std::make_unique<Ui_Login>();
    QObject::connect(login.get(), &Ui_Login::SGL_SETUP_UI_MAIN, login.get(), [&mainWindow] {
        if (!mainWindow)
            mainWindow = std::make_unique<Ui_Main>();
        mainWindow->SLT_SETUP_UI_MAIN();
    });
    QWidget *first = login.get();
    if (!loginFirst) {
        mainWindow = std::make_unique<Ui_Main>();
        mainWindow->ReloadUIText(false);
        first = mainWindow.get();
    } else {
        login->ReloadUIText(false);
    }
    new AfterFirstPaint(first);
    first->show();
    QTimer::singleShot(0, first, [&] { ReportSaveFailure(startFailure, first); });

    const int exitCode = app->exec();
    // A run that ended before its first window was painted still examines what it showed.
    ExamineDeferredPictures();
    // The exit save, told over the window the operator saw last when it fails; the windows' own exit saves
    // then find it done.
    QWidget *last = mainWindow ? static_cast<QWidget *>(mainWindow.get()) : login.get();
    ReportSaveFailure(Config_SaveAtExitOnce(), last);
    login.reset();
    mainWindow.reset();
    app.reset();
    return exitCode;
}
