// The Multiview page's preview picture: the file name built from the multiview state, a picture for every
// state the device can report, and the picture shown only when its file exists.

#include "core/MultiviewTestState.h"
#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "link/LinkChannel.h"
#include "pages/MultiviewPicture.h"
#include "pages/Ui_Multiview.h"
#include "protocol/ValueTables.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace {

QImage shownPicture(const Ui_Multiview *page)
{
    return page->picture->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage pictureFile(const TestAppDir *appDir, const QString &name)
{
    return QImage(appDir->file("/APP/Image/MultiView/" + name + ".png"))
        .convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestMultiviewPicture : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pictureName_data();
    void pictureName();
    void everyReportedStateHasAPicture();
    void pictureShownOnlyWhenFileExists();

private:
    TestAppDir *appDir = nullptr;
    Ui_Multiview *page = nullptr;
};

void TestMultiviewPicture::init()
{
    appDir = new TestAppDir;
    State().LinkType = LinkTcpClient;
    takeQueuedRequests(TcpChannel());
    page = new Ui_Multiview;
}

void TestMultiviewPicture::cleanup()
{
    delete page;
    takeQueuedRequests(TcpChannel());
    delete appDir;
}

void TestMultiviewPicture::pictureName_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<int>("modeCount");
    QTest::addColumn<int>("aspect");
    QTest::addColumn<QString>("name");
    QTest::newRow("SINGLE") << 0 << 4 << 3 << 2 << 3 << 1 << "SINGLE";
    QTest::newRow("PIP first") << 1 << 0 << 0 << 0 << 0 << 0 << "PIP_LeftTop_SMALL";
    QTest::newRow("PIP user") << 1 << 4 << 3 << 0 << 0 << 0 << "PIP_USER_USER";
    QTest::newRow("PIP right bottom large") << 1 << 3 << 2 << 5 << 6 << 1 << "PIP_RightBottom_LARGE";
    QTest::newRow("PIP position out of range") << 1 << 5 << 1 << 0 << 0 << 0 << "PIP__MIDDLE";
    QTest::newRow("PIP size out of range") << 1 << 1 << 4 << 0 << 0 << 0 << "PIP_RightTop_";
    QTest::newRow("PBP first full") << 2 << 0 << 0 << 0 << 3 << 0 << "PBP_1_FULL";
    QTest::newRow("3xWIN last 16:9") << 3 << 0 << 0 << 3 << 4 << 1 << "3xWIN_4_169";
    QTest::newRow("4xWIN last 16:9") << 4 << 0 << 0 << 5 << 6 << 1 << "4xWIN_6_169";
    QTest::newRow("mode beyond count") << 2 << 0 << 0 << 3 << 3 << 0 << "PBP__FULL";
    QTest::newRow("no count") << 4 << 0 << 0 << 0 << 0 << 1 << "4xWIN__169";
    QTest::newRow("aspect out of range") << 3 << 0 << 0 << 0 << 4 << 2 << "3xWIN_1_";
    QTest::newRow("unknown mode") << 5 << 0 << 0 << 0 << 4 << 0 << "";
}

void TestMultiviewPicture::pictureName()
{
    QFETCH(int, mode);
    QFETCH(int, position);
    QFETCH(int, size);
    QFETCH(int, modeIndex);
    QFETCH(int, modeCount);
    QFETCH(int, aspect);
    QFETCH(QString, name);
    setMultiviewState(quint32(mode), quint32(position), quint32(size), quint32(modeIndex), quint32(modeCount),
                      quint32(aspect));
    QCOMPARE(multiviewPictureName(State()), name);
    QCOMPARE(multiviewPicturePath(name), appDir->path() + "/APP/Image/MultiView/" + name + ".png");
}

void TestMultiviewPicture::everyReportedStateHasAPicture()
{
    appDir->installDataTree();
    QStringList missing;
    auto check = [&missing] {
        const QString name = multiviewPictureName(State());
        if (!QFileInfo::exists(multiviewPicturePath(name)))
            missing << name;
    };
    setMultiviewState(ModeSingle);
    check();
    for (quint32 position = 0; position < 5; ++position) {
        for (quint32 size = 0; size < 4; ++size) {
            setMultiviewState(ModePip, position, size);
            check();
        }
    }
    const quint32 counts[] = {3, 4, 6}; // PBP, 3xWIN, 4xWIN
    for (quint32 mode = ModePbp; mode <= Mode4xWin; ++mode) {
        const quint32 count = counts[mode - ModePbp];
        for (quint32 index = 0; index < count; ++index) {
            for (quint32 aspect = 0; aspect < 2; ++aspect) {
                setMultiviewState(mode, 0, 0, index, count, aspect);
                check();
            }
        }
    }
    QCOMPARE(missing, QStringList());
}

void TestMultiviewPicture::pictureShownOnlyWhenFileExists()
{
    // Without pictures nothing is shown.
    setMultiviewState(ModeSingle);
    page->UpdatePicture();
    QVERIFY(shownPicture(page).isNull());

    appDir->installDataTree();
    QVERIFY(QFileInfo::exists(appDir->file("/APP/Image/MultiView/SINGLE.png")));
    page->UpdatePicture();
    const QImage single = shownPicture(page);
    QVERIFY(!single.isNull());

    // "3xWIN__FULL" has no file: the previous picture stays.
    setMultiviewState(Mode3xWin, 0, 0, 7, 4, 0);
    page->UpdatePicture();
    QCOMPARE(shownPicture(page), single);

    setMultiviewState(Mode3xWin, 0, 0, 1, 4, 0);
    page->UpdatePicture();
    const QImage split = shownPicture(page);
    QVERIFY(!split.isNull());
    QVERIFY(split != single);
    QCOMPARE(split, pictureFile(appDir, "3xWIN_2_FULL"));

    // The reply operations redraw the preview.
    page->SyncWindowMode(ModePip, false);
    QCOMPARE(shownPicture(page), pictureFile(appDir, "PIP_LeftTop_SMALL"));
    State().PipPosition = 2;
    page->SyncPosition(2);
    QCOMPARE(shownPicture(page), pictureFile(appDir, "PIP_LeftBottom_SMALL"));
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
}

QTEST_MAIN(TestMultiviewPicture)
#include "tst_multiviewpicture.moc"
