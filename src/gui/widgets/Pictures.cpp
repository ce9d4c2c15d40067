#include "widgets/Pictures.h"

#include "config/AppPaths.h"
#include "config/AtomicFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QSet>

namespace {

QString doubledName(const QString &path)
{
    QString doubled = path;
    doubled.insert(path.size() - QStringLiteral(".png").size(), QStringLiteral("@2x"));
    return doubled;
}

// Loads the picture, normalising the file on disk the first time it is seen in this run.
QImage loadNormalised(const QString &path)
{
    static QSet<QString> examined;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    const QByteArray bytes = file.readAll();
    QImage image = QImage::fromData(bytes);
    if (image.isNull() || examined.contains(path) || !AppPaths::dataTreeWritable() ||
        QFileInfo(path).completeSuffix() != QLatin1String("png"))
        return image;
    examined.insert(path);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    // Through a temporary file: a crash while saving must not leave a truncated picture behind.
    if (image.save(&buffer, "png") && buffer.data() != bytes)
        writeFileAtomically(path, buffer.data());
    return image;
}

} // namespace

QString PictureFileForScreen(const QString &path)
{
    if (qApp->devicePixelRatio() <= 1.0 || !path.endsWith(QLatin1String(".png")))
        return path;
    const QString doubled = doubledName(path);
    return QFileInfo::exists(doubled) ? doubled : path;
}

void NormalizePng(const QString &path)
{
    loadNormalised(path);
}

void ShowPicture(QLabel *label, const QString &path)
{
    const QImage image = loadNormalised(PictureFileForScreen(path));
    if (!label || image.isNull())
        return;
    label->setPixmap(QPixmap::fromImage(image));
    label->setScaledContents(true);
}

QPixmap LoadPicture(const QString &path)
{
    const QString shown = PictureFileForScreen(path);
    QPixmap pixmap = QPixmap::fromImage(loadNormalised(shown));
    if (shown != path)
        pixmap.setDevicePixelRatio(2.0);
    return pixmap;
}

QIcon LoadIcon(const QString &path)
{
    QIcon icon;
    for (const QString &file : {path, doubledName(path)}) {
        const QImage image = loadNormalised(file);
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
