#include "ArtWriter.h"

#include "config/AtomicFile.h"

#include <QBuffer>

ArtWriter::ArtWriter(const QString &outputDir) : root(outputDir) {}

bool ArtWriter::save(const QString &relative, const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        ++failedCount;
        return false;
    }
    // An unchanged picture is left alone, so repeated builds do not touch the files.
    if (!writeFileAtomically(root + relative, buffer.data())) {
        ++failedCount;
        return false;
    }
    ++writtenCount;
    return true;
}

void ArtWriter::saveBothScales(const QString &relative, const std::function<QImage(int scale)> &draw)
{
    save(relative, draw(1));
    QString doubled = relative;
    doubled.insert(doubled.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
    save(doubled, draw(2));
}

QImage ArtWriter::canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}
