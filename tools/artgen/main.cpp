// lumaplex-artgen: draws every picture of the run-time data tree (login picture, logos, message and status
// icons, title-bar glyphs and the multiview previews) below the directory given as the only argument.

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
    if (args.size() != 2) {
        err << "usage: lumaplex-artgen <output directory>\n";
        return 2;
    }
    ArtWriter writer(args.at(1));
    IconArt::writeAll(writer);
    LoginArt::writeAll(writer);
    MultiviewArt::writeAll(writer);
    QTextStream(stdout) << "lumaplex-artgen: " << writer.written() << " pictures in " << args.at(1) << "\n";
    if (writer.failed() > 0) {
        err << "lumaplex-artgen: " << writer.failed() << " pictures could not be written\n";
        return 1;
    }
    return 0;
}
