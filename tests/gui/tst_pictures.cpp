// Picture files: the in-place PNG rewrite that runs before every picture is shown, and showing a picture in
// a label.

#include "config/AtomicFile.h"
#include "widgets/Pictures.h"

#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QtTest>

namespace {

// A small picture saved without compression, so that the rewrite with default settings gives other bytes.
QByteArray uncompressedPng()
{
    QImage image(24, 16, QImage::Format_ARGB32);
    image.fill(QColor(0x2f, 0x6f, 0xd6));
    for (int x = 0; x < 24; ++x)
        image.setPixel(x, x % 16, qRgba(255, 255, 255, 128));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png", 100);
    return buffer.data();
}

QImage argb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rewritesOnlyLowerCasePng_data();
    void rewritesOnlyLowerCasePng();
    void brokenOrMissingFilesAreLeftAlone();
    void rewriteIsAtomic();
    void showPictureFillsTheLabel();
    void missingPictureLeavesTheLabel();

private:
    QString dirPath() const { return dir->path(); }
    QString write(const QString &name, const QByteArray &bytes) const;

    std::unique_ptr<QTemporaryDir> dir;
};

void TestPictures::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestPictures::cleanup()
{
    setAtomicCommitGate({});
    dir.reset();
}

QString TestPictures::write(const QString &name, const QByteArray &bytes) const
{
    const QString path = dirPath() + '/' + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

void TestPictures::rewritesOnlyLowerCasePng_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("rewritten");
    QTest::newRow("picture.png") << QStringLiteral("picture.png") << true;
    QTest::newRow("upper-case PNG") << QStringLiteral("picture.PNG") << false;
    QTest::newRow("mixed-case Png") << QStringLiteral("picture.Png") << false;
    QTest::newRow("double suffix tar.png") << QStringLiteral("picture.tar.png") << false;
    QTest::newRow("no suffix") << QStringLiteral("picture") << false;
}

void TestPictures::rewritesOnlyLowerCasePng()
{
    QFETCH(QString, name);
    QFETCH(bool, rewritten);
    const QByteArray original = uncompressedPng();
    const QString path = write(name, original);

    NormalizePng(path);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    QCOMPARE(after != original, rewritten);
    // Rewritten or not, it is the same picture.
    QImage reread;
    QVERIFY(reread.loadFromData(after, "png"));
    QCOMPARE(argb(reread), argb(QImage::fromData(original, "png")));
    // Nothing else is left in the folder.
    QCOMPARE(QDir(dirPath()).entryList(QDir::Files), QStringList{name});
}

void TestPictures::brokenOrMissingFilesAreLeftAlone()
{
    const QByteArray garbage("\x89PNG\r\n\x1a\n this is not really a picture", 40);
    const QString broken = write(QStringLiteral("broken.png"), garbage);
    NormalizePng(broken);
    QFile file(broken);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), garbage);

    const QString empty = write(QStringLiteral("empty.png"), QByteArray());
    NormalizePng(empty);
    QCOMPARE(QFileInfo(empty).size(), qint64(0));

    NormalizePng(dirPath() + QStringLiteral("/missing.png"));
    QVERIFY(!QFile::exists(dirPath() + QStringLiteral("/missing.png")));
    QCOMPARE(QDir(dirPath()).entryList(QDir::Files).size(), 2);
}

void TestPictures::rewriteIsAtomic()
{
    const QByteArray original = uncompressedPng();
    const QString path = write(QStringLiteral("logo.png"), original);

    // The rewrite is interrupted just before the new file would replace the old one.
    QStringList gated;
    setAtomicCommitGate([&](const QString &target) {
        gated.append(target);
        return false;
    });
    NormalizePng(path);
    QCOMPARE(gated, QStringList{path});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), original);
    file.close();
    QCOMPARE(QDir(dirPath()).entryList(QDir::Files | QDir::Hidden), QStringList{"logo.png"});

    setAtomicCommitGate({});
    NormalizePng(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() != original);
}

void TestPictures::showPictureFillsTheLabel()
{
    const QString path = write(QStringLiteral("status.png"), uncompressedPng());
    QLabel label;
    label.resize(64, 64);
    ShowPicture(&label, path);
    QVERIFY(label.hasScaledContents());
    QCOMPARE(label.pixmap(Qt::ReturnByValue).size(), QSize(24, 16));
    QCOMPARE(argb(label.pixmap(Qt::ReturnByValue).toImage()), argb(QImage(path)));
}

void TestPictures::missingPictureLeavesTheLabel()
{
    const QString path = write(QStringLiteral("success.png"), uncompressedPng());
    QLabel label;
    ShowPicture(&label, path);
    const QImage shown = argb(label.pixmap(Qt::ReturnByValue).toImage());

    ShowPicture(&label, dirPath() + QStringLiteral("/fail.png"));
    QCOMPARE(argb(label.pixmap(Qt::ReturnByValue).toImage()), shown);

    QLabel empty;
    empty.setText(QStringLiteral("no picture"));
    ShowPicture(&empty, dirPath() + QStringLiteral("/fail.png"));
    QVERIFY(empty.pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(empty.text(), QStringLiteral("no picture"));
    QVERIFY(!empty.hasScaledContents());
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
