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

// Examines the pictures shown so far (Pictures.h) once the window has been painted for the first time.
class ExaminePicturesAfterFirstPaint : public QObject
{
public:
    explicit ExaminePicturesAfterFirstPaint(QWidget *window) : QObject(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After the paint, once the window is on screen.
            QTimer::singleShot(0, this, [] { ExamineDeferredPictures(); });
        }
        return false;
    }
};

} // namespace

bool Config_CheckAtStartup(QString *failure)
{
    const bool existed = Config_LoadOrCreate(failure);
    QFile styleSheet(AppPaths::styleSheetFile());
    if (styleSheet.exists() && styleSheet.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromLatin1(styleSheet.readAll()));
    return existed;
}

int runLumaplex(int argc, char *argv[])
{
    if (!answerInformationOptions(argc, argv))
        return 0;
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
    // Nothing but the first window may keep the operator waiting: the picture files are examined after it.
    DeferPictureExamination();
    QApplication::setWindowIcon(LoadIcon(AppPaths::file(QStringLiteral("/APP/Image/lumaplex.png"))));
    QuitOnSignal quitOnSignal;
    QString startFailure;
    const bool configExisted = Config_CheckAtStartup(&startFailure);

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
    if (configExisted && State().config.Key_UI_Login == QLatin1String("0")) {
        mainWindow = std::make_unique<Ui_Main>();
        mainWindow->ReloadUIText(false);
        first = mainWindow.get();
    } else {
        login->ReloadUIText(false);
    }
    new ExaminePicturesAfterFirstPaint(first);
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
