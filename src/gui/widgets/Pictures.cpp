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
#include <QVector>

#include <utility>

namespace {

QString doubledName(const QString &path)
{
    QString doubled = path;
    doubled.insert(path.size() - QStringLiteral(".png").size(), QStringLiteral("@2x"));
    return doubled;
}

// A picture file read from disk, to be compared with what Qt would save.
struct Examination
{
    QString path;
    QByteArray bytes;
    QImage image;
};

// Rewrites the file when Qt would save the picture differently; through a temporary file, so that a crash
// while saving never leaves a truncated picture behind.
void examine(const Examination &file)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (file.image.save(&buffer, "png") && buffer.data() != file.bytes)
        writeFileAtomically(file.path, buffer.data());
}

bool examinationDeferred = false;
QVector<Examination> deferredExaminations;

// Loads the picture, normalising the file on disk the first time it is seen in this run (later, while
// examination is deferred, unless `now`).
QImage loadNormalised(const QString &path, bool now = false)
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
    if (examinationDeferred && !now)
        deferredExaminations.append({path, bytes, image});
    else
        examine({path, bytes, image});
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
    loadNormalised(path, true);
}

void DeferPictureExamination()
{
    examinationDeferred = true;
}

void ExamineDeferredPictures()
{
    examinationDeferred = false;
    const QVector<Examination> files = std::exchange(deferredExaminations, {});
    for (const Examination &file : files)
        examine(file);
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
