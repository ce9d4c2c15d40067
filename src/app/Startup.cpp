#include "app/Startup.h"

#include "app/AppState.h"
#include "app/QuitOnSignal.h"
#include "config/AppPaths.h"
#include "config/ConfigFile.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

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
    Config_CheckAtStartup();

    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(State().text.Ui_Main_AppName.trimmed());
    auto *layout = new QVBoxLayout(window.get());
    layout->addWidget(new QLabel(State().text.Ui_Main_AppName.trimmed(), window.get()));
    window->resize(480, 270);
    window->show();

    const int exitCode = app->exec();
    window.reset();
    Config_SaveAtExitOnce();
    app.reset();
    return exitCode;
}
