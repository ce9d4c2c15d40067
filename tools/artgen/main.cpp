// lumaplex-artgen DATADIR [ICONDIR]: draws every picture of the run-time data tree (login picture, logos,
// message and status icons, title-bar glyphs and the multiview previews) below DATADIR, and the application
// icon of the desktop's icon theme below ICONDIR (as hicolor/NxN/apps/lumaplex.png).

#include "ArtWriter.h"
#include "IconArt.h"
#include "LoginArt.h"
#include "MultiviewArt.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() != 2 && args.size() != 3) {
        err << "usage: lumaplex-artgen DATADIR [ICONDIR]\n";
        return 2;
    }
    ArtWriter writer(args.at(1));
    IconArt::writeAll(writer);
    LoginArt::writeAll(writer);
    MultiviewArt::writeAll(writer);
    ArtWriter icons(args.value(2));
    if (args.size() == 3)
        IconArt::writeThemeIcons(icons);
    QTextStream(stdout) << "lumaplex-artgen: " << writer.written() << " pictures in " << args.at(1) << ", "
                        << icons.written() << " icons\n";
    const int failed = writer.failed() + icons.failed();
    if (failed > 0) {
        err << "lumaplex-artgen: " << failed << " pictures could not be written\n";
        return 1;
    }
    return 0;
}
