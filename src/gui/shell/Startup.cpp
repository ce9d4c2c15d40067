#include "shell/Startup.h"

#include "config/AppState.h"
#include "session/QuitOnSignal.h"
#include "config/AppPaths.h"
#include "config/ConfigFile.h"
#include "shell/Ui_Main.h"
#include "login/Ui_Login.h"

#include <QApplication>
#include <QFile>

#include <memory>

bool Config_CheckAtStartup()
{
    const bool existed = Config_LoadOrCreate();
    QFile styleSheet(AppPaths::styleSheetFile());
    if (styleSheet.exists() && styleSheet.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromLatin1(styleSheet.readAll()));
    return existed;
}

int runLumaplex(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    auto app = std::make_unique<QApplication>(argc, argv);
    QuitOnSignal quitOnSignal;
    const bool configExisted = Config_CheckAtStartup();

    auto mainWindow = std::make_unique<Ui_Main>();
    auto login = std::make_unique<Ui_Login>();
    QObject::connect(login.get(), &Ui_Login::SGL_SETUP_UI_MAIN, mainWindow.get(), &Ui_Main::SLT_SETUP_UI_MAIN);
    if (configExisted && State().config.Key_UI_Login == QLatin1String("0")) {
        mainWindow->ReloadUIText(false);
        mainWindow->show();
    } else {
        login->ReloadUIText(false);
        login->show();
    }

    const int exitCode = app->exec();
    // The first of these destructors writes the configuration back; the second finds it done.
    login.reset();
    mainWindow.reset();
    app.reset();
    return exitCode;
}
