#include "ArtWriter.h"

#include "config/AtomicFile.h"

#include <QBuffer>
#include <QFile>

ArtWriter::ArtWriter(const QString &outputDir) : root(outputDir) {}

bool ArtWriter::save(const QString &relative, const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        ++failedCount;
        return false;
    }
    const QString path = root + relative;
    // An unchanged picture is left alone, so repeated builds do not touch the files.
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == buffer.data()) {
        ++writtenCount;
        return true;
    }
    existing.close();
    if (!writeFileAtomically(path, buffer.data())) {
        ++failedCount;
        return false;
    }
    ++writtenCount;
    return true;
}

QImage ArtWriter::canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}
