#include "widgets/ScreenGeometry.h"

#include <QGuiApplication>
#include <QScreen>

QSize cappedPrimaryScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(1920, 1080);
    return QSize(qMin(size.width(), 1920), qMin(size.height(), 1080));
}
