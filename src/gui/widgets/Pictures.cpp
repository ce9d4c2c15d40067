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

#include <future>
#include <thread>
#include <utility>
#include <vector>

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

// A picture file read and decoded (a null image when it cannot be read or decoded).
struct Decoded
{
    QByteArray bytes;
    QImage image;
};

Decoded decode(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Decoded decoded{file.readAll(), QImage()};
    decoded.image = QImage::fromData(decoded.bytes);
    return decoded;
}

// The pictures being decoded by the prefetching thread, each taken once.
struct Prefetch
{
    std::vector<std::pair<QString, std::future<Decoded>>> pictures;
    std::thread worker;

    ~Prefetch()
    {
        if (worker.joinable())
            worker.join();
    }
};

Prefetch &prefetch()
{
    static Prefetch state;
    return state;
}

bool takePrefetched(const QString &path, Decoded *decoded)
{
    auto &pictures = prefetch().pictures;
    for (auto it = pictures.begin(); it != pictures.end(); ++it) {
        if (it->first == path) {
            *decoded = it->second.get();
            pictures.erase(it);
            return true;
        }
    }
    return false;
}

// Loads the picture, normalising the file on disk the first time it is seen in this run (later, while
// examination is deferred, unless `now`).
QImage loadNormalised(const QString &path, bool now = false)
{
    static QSet<QString> examined;
    Decoded decoded;
    if (!takePrefetched(path, &decoded))
        decoded = decode(path);
    const QByteArray bytes = decoded.bytes;
    QImage image = decoded.image;
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
    prefetch().pictures.clear();
    examinationDeferred = false;
    const QVector<Examination> files = std::exchange(deferredExaminations, {});
    for (const Examination &file : files)
        examine(file);
}

QStringList PictureFiles(const QString &path)
{
    return {PictureFileForScreen(path)};
}

QStringList IconFiles(const QString &path)
{
    return {path, doubledName(path)};
}

void PrefetchPictures(const QStringList &files)
{
    Prefetch &state = prefetch();
    if (state.worker.joinable())
        return;
    auto promises = std::make_shared<std::vector<std::pair<QString, std::promise<Decoded>>>>();
    for (const QString &file : files) {
        promises->emplace_back(file, std::promise<Decoded>());
        state.pictures.emplace_back(file, promises->back().second.get_future());
    }
    state.worker = std::thread([promises] {
        for (auto &[file, promise] : *promises)
            promise.set_value(decode(file));
    });
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
    for (const QString &file : IconFiles(path)) {
        const QImage image = loadNormalised(file);
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
