// The floor of any Qt Widgets program for bench_startup: one QLabel as the only window, as large as the
// login dialog (70 % by 40 % of the primary screen), showing one line of text. Built with the same Qt as the
// program it is compared with.

#include <QApplication>
#include <QLabel>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Lumaplex"));
    label.setAlignment(Qt::AlignCenter);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    label.resize(7 * screen.width() / 10, 4 * screen.height() / 10);
    label.show();
    return app.exec();
}
