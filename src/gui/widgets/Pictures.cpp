#include "widgets/Pictures.h"

#include "config/AtomicFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>

void NormalizePng(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.completeSuffix() != QLatin1String("png"))
        return;
    QImage image;
    if (!image.load(path))
        return;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "png"))
        return;
    // Through a temporary file: a crash while saving must not leave a truncated picture behind.
    writeFileAtomically(path, buffer.data());
}

void ShowPicture(QLabel *label, const QString &path)
{
    NormalizePng(path);
    if (!label || !QFileInfo::exists(path))
        return;
    label->setPixmap(QPixmap::fromImage(QImage(path)));
    label->setScaledContents(true);
}
