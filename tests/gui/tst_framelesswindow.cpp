// The frameless window and dialog: title-bar layout and parts, pictures and style, the resize bands,
// maximise and restore, and dragging by the title bar.

#include "core/TestAppDir.h"
#include "widgets/FramelessChrome.h"
#include "widgets/FramelessHitTest.h"
#include "widgets/MyFramelessDialog.h"
#include "widgets/MyFramelessWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <QtTest>

#include <memory>

namespace {

QImage asArgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The picture a button's icon shows at the size of the file it was made from.
QImage iconImage(const QPushButton *button)
{
    return asArgb(button->icon().pixmap(QSize(48, 48)).toImage());
}

int lightness(QRgb pixel)
{
    return QColor(pixel).lightness();
}

} // namespace

class TestFramelessWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void startsFromThePrimaryScreen();
    void titleBarLayout_data();
    void titleBarLayout();
    void titleBarFollowsResize();
    void partsCarryTheirObjectNames();
    void picturesAndStyleFromTheDataTree();
    void missingPicturesLeaveThePartsEmpty();
    void centralContentFillsTheContentArea();
    void hitTestCodes_data();
    void hitTestCodes();
    void hoverShowsResizeCursors_data();
    void hoverShowsResizeCursors();
    void fixedSizeDialogOffersNoResize();
    void maximiseButtonTogglesStateAndPicture();
    void doubleClickOnTitleBarRestores();
    void dragByTitleBar();
    void dragStartedInContentDoesNotMoveWindow();
    void dialogDragsByTitleBarToo();
    void returnInADialogFieldKeepsItOpen();
    void titleBarIsDarkAndCloseTurnsRedOnHover();

private:
    std::unique_ptr<TestAppDir> appDir;
};

// One application directory for all tests (copying the data tree is slow); a test that removes parts of it
// gets them back before the next one runs.
void TestFramelessWindow::initTestCase()
{
    appDir = std::make_unique<TestAppDir>();
    QVERIFY(appDir->isValid());
}

void TestFramelessWindow::init()
{
    if (!QFile::exists(appDir->file("/TitleBar/Image/MaxSize.png")) ||
        !QFile::exists(appDir->file("/TitleBar/StyleSheet/SystemTitle.qss")))
        appDir->installDataTree();
    QVERIFY(QFile::exists(appDir->file("/TitleBar/Image/MaxSize.png")));
}

void TestFramelessWindow::cleanupTestCase()
{
    appDir.reset();
}

void TestFramelessWindow::startsFromThePrimaryScreen()
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const int w = qMin(screen.width(), 1920);
    const int h = qMin(screen.height(), 1080);
    const QSize expected(qMax(7 * w / 10, 480), qMax(4 * h / 10, 270));

    MyFramelessWindow window;
    QCOMPARE(window.pos(), QPoint(120, 120));
    QCOMPARE(window.size(), expected);
    QCOMPARE(window.minimumSize(), QSize(480, 270));
    QCOMPARE(int(window.windowFlags()), 0x4801);

    MyFramelessDialog dialog;
    QCOMPARE(dialog.pos(), QPoint(120, 120));
    QCOMPARE(dialog.size(), expected);
    QCOMPARE(int(dialog.windowFlags()), 0x4801);
}

void TestFramelessWindow::titleBarLayout_data()
{
    QTest::addColumn<bool>("isDialog");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("textWidth");
    QTest::newRow("window 800") << false << 800 << 608;
    QTest::newRow("dialog 800") << true << 800 << 704;
    QTest::newRow("window at minimum width") << false << 480 << 288;
    QTest::newRow("dialog at minimum width") << true << 480 << 384;
}

void TestFramelessWindow::titleBarLayout()
{
    QFETCH(bool, isDialog);
    QFETCH(int, width);
    QFETCH(int, textWidth);

    std::unique_ptr<QWidget> widget;
    FramelessChrome *chrome = nullptr;
    if (isDialog) {
        auto *dialog = new MyFramelessDialog;
        chrome = dialog->chrome();
        widget.reset(dialog);
    } else {
        auto *window = new MyFramelessWindow;
        chrome = window->chrome();
        widget.reset(window);
    }
    widget->resize(width, 400);
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));

    QCOMPARE(chrome->centralWidget->geometry(), QRect(0, 0, width, 400));
    QCOMPARE(chrome->titleBar->geometry(), QRect(0, 0, width, 48));
    QCOMPARE(chrome->titleBarIcon->geometry(), QRect(0, 0, 48, 48));
    QCOMPARE(chrome->titleBarText->geometry(), QRect(48, 0, textWidth, 48));
    int x = 48 + textWidth;
    if (!isDialog) {
        QCOMPARE(chrome->titleBarMin->geometry(), QRect(x, 0, 48, 48));
        QCOMPARE(chrome->titleBarMax->geometry(), QRect(x + 48, 0, 48, 48));
        x += 96;
    } else {
        QVERIFY(!chrome->titleBarMin);
        QVERIFY(!chrome->titleBarMax);
    }
    QCOMPARE(chrome->titleBarClose->geometry(), QRect(x, 0, 48, 48));
    QCOMPARE(x + 48, width);
    QCOMPARE(chrome->contentWidget->geometry(), QRect(0, 48, width, 352));
}

void TestFramelessWindow::titleBarFollowsResize()
{
    MyFramelessWindow window;
    window.resize(800, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FramelessChrome *chrome = window.chrome();

    window.resize(1000, 500);
    QTRY_COMPARE(chrome->titleBarText->width(), 808);
    QCOMPARE(chrome->titleBarClose->geometry().right(), 999);
    QCOMPARE(chrome->contentWidget->height(), 452);

    window.showMaximized();
    QTRY_VERIFY(window.isMaximized());
    QTRY_COMPARE(chrome->centralWidget->size(), window.size());
    QCOMPARE(chrome->titleBarText->width(), window.width() - 192);
}

void TestFramelessWindow::partsCarryTheirObjectNames()
{
    MyFramelessWindow window;
    FramelessChrome *chrome = window.chrome();
    QCOMPARE(window.findChild<QWidget *>("CentralWidget"), chrome->centralWidget);
    QCOMPARE(window.findChild<QLabel *>("TitleBarIcon"), chrome->titleBarIcon);
    QCOMPARE(window.findChild<QLabel *>("TitleBarText"), chrome->titleBarText);
    QCOMPARE(window.findChild<QPushButton *>("TitleBarMin"), chrome->titleBarMin);
    QCOMPARE(window.findChild<QPushButton *>("TitleBarMax"), chrome->titleBarMax);
    QCOMPARE(window.findChild<QPushButton *>("TitleBarClose"), chrome->titleBarClose);
    QCOMPARE(chrome->titleBar->parentWidget(), chrome->centralWidget);
    QCOMPARE(chrome->contentWidget->parentWidget(), chrome->centralWidget);
    QCOMPARE(chrome->contentWidget->layout(), chrome->contentLayout);

    MyFramelessDialog dialog;
    QVERIFY(dialog.findChild<QPushButton *>("TitleBarClose"));
    QVERIFY(!dialog.findChild<QPushButton *>("TitleBarMin"));
    QVERIFY(!dialog.findChild<QPushButton *>("TitleBarMax"));
}

void TestFramelessWindow::picturesAndStyleFromTheDataTree()
{
    MyFramelessWindow window;
    FramelessChrome *chrome = window.chrome();
    QCOMPARE(asArgb(chrome->titleBarIcon->pixmap(Qt::ReturnByValue).toImage()),
             asArgb(QImage(appDir->file("/TitleBar/Image/App.png"))));
    QVERIFY(chrome->titleBarIcon->hasScaledContents());
    QCOMPARE(iconImage(chrome->titleBarMin), asArgb(QImage(appDir->file("/TitleBar/Image/MinSize.png"))));
    QCOMPARE(iconImage(chrome->titleBarMax), asArgb(QImage(appDir->file("/TitleBar/Image/MaxSize.png"))));
    QCOMPARE(iconImage(chrome->titleBarClose), asArgb(QImage(appDir->file("/TitleBar/Image/Close.png"))));
    QCOMPARE(window.styleSheet(),
             QString::fromUtf8(appDir->readFile("/TitleBar/StyleSheet/SystemTitle.qss")));
    QVERIFY(window.styleSheet().contains("#TitleBarClose:hover"));

    window.setTitleText(QStringLiteral("Lumaplex"));
    QCOMPARE(chrome->titleBarText->text(), QStringLiteral("Lumaplex"));
    window.setTitleIcon(appDir->file("/APP/Image/mainui_logo.png"));
    QCOMPARE(asArgb(chrome->titleBarIcon->pixmap(Qt::ReturnByValue).toImage()),
             asArgb(QImage(appDir->file("/APP/Image/mainui_logo.png"))));
}

void TestFramelessWindow::missingPicturesLeaveThePartsEmpty()
{
    QVERIFY(QDir(appDir->file("/TitleBar")).removeRecursively());
    MyFramelessDialog dialog;
    FramelessChrome *chrome = dialog.chrome();
    QVERIFY(chrome->titleBarIcon->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(chrome->titleBarClose->icon().isNull());
    QVERIFY(dialog.styleSheet().isEmpty());
    // A title icon that does not exist leaves the previous picture in place.
    dialog.setTitleIcon(appDir->file("/APP/Image/loginui_logo.png"));
    QVERIFY(!chrome->titleBarIcon->pixmap(Qt::ReturnByValue).isNull());
    dialog.setTitleIcon(appDir->file("/APP/Image/none.png"));
    QCOMPARE(asArgb(chrome->titleBarIcon->pixmap(Qt::ReturnByValue).toImage()),
             asArgb(QImage(appDir->file("/APP/Image/loginui_logo.png"))));
}

void TestFramelessWindow::centralContentFillsTheContentArea()
{
    MyFramelessDialog dialog;
    dialog.resize(600, 400);
    auto *page = new QWidget;
    dialog.setCentralContent(page);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(page->parentWidget(), dialog.chrome()->contentWidget);
    QCOMPARE(dialog.chrome()->contentLayout->contentsMargins(), QMargins(0, 0, 0, 0));
    QTRY_COMPARE(page->geometry(), QRect(0, 0, 600, 352));
}

void TestFramelessWindow::hitTestCodes_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("edges");
    const int w = 800;
    const int h = 600;
    const int none = 0;
    const int left = Qt::LeftEdge;
    const int right = Qt::RightEdge;
    const int top = Qt::TopEdge;
    const int bottom = Qt::BottomEdge;
    using namespace FramelessHitTest;
    QTest::newRow("(0,0) is outside the bands") << QPoint(0, 0) << int(Caption) << none;
    QTest::newRow("(3,3) top-left") << QPoint(3, 3) << int(TopLeft) << (top | left);
    QTest::newRow("(1,1) top-left") << QPoint(1, 1) << int(TopLeft) << (top | left);
    QTest::newRow("(5,5) top-left") << QPoint(5, 5) << int(TopLeft) << (top | left);
    QTest::newRow("(6,6) inside") << QPoint(6, 6) << int(Caption) << none;
    QTest::newRow("(0,300) left pixel 0") << QPoint(0, 300) << int(Caption) << none;
    QTest::newRow("(1,300) left") << QPoint(1, 300) << int(Left) << left;
    QTest::newRow("(5,300) left") << QPoint(5, 300) << int(Left) << left;
    QTest::newRow("(400,0) top pixel 0") << QPoint(400, 0) << int(Caption) << none;
    QTest::newRow("(400,5) top") << QPoint(400, 5) << int(Top) << top;
    QTest::newRow("(w-5,300) right") << QPoint(w - 5, 300) << int(Right) << right;
    QTest::newRow("(w-6,300) inside") << QPoint(w - 6, 300) << int(Caption) << none;
    QTest::newRow("(w-1,300) right") << QPoint(w - 1, 300) << int(Right) << right;
    QTest::newRow("(w,300) outside") << QPoint(w, 300) << int(Caption) << none;
    QTest::newRow("(w,3) outside") << QPoint(w, 3) << int(Caption) << none;
    QTest::newRow("(400,h-5) bottom") << QPoint(400, h - 5) << int(Bottom) << bottom;
    QTest::newRow("(400,h-1) bottom") << QPoint(400, h - 1) << int(Bottom) << bottom;
    QTest::newRow("(400,h) outside") << QPoint(400, h) << int(Caption) << none;
    QTest::newRow("(w-1,3) top-right") << QPoint(w - 1, 3) << int(TopRight) << (top | right);
    QTest::newRow("(3,h-1) bottom-left") << QPoint(3, h - 1) << int(BottomLeft) << (bottom | left);
    QTest::newRow("(w-1,h-1) bottom-right") << QPoint(w - 1, h - 1) << int(BottomRight) << (bottom | right);
    QTest::newRow("(w-5,h-5) bottom-right") << QPoint(w - 5, h - 5) << int(BottomRight) << (bottom | right);
    QTest::newRow("(0,h-1) bottom, not left") << QPoint(0, h - 1) << int(Bottom) << bottom;
    QTest::newRow("(400,300) client") << QPoint(400, 300) << int(Caption) << none;
}

void TestFramelessWindow::hitTestCodes()
{
    QFETCH(QPoint, pos);
    QFETCH(int, code);
    QFETCH(int, edges);
    QCOMPARE(FramelessHitTest::hitTestCode(pos, QSize(800, 600)), code);
    QCOMPARE(int(FramelessHitTest::hitTestEdges(pos, QSize(800, 600))), edges);
}

void TestFramelessWindow::hoverShowsResizeCursors_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("shape");
    QTest::newRow("left band") << QPoint(2, 200) << int(Qt::SizeHorCursor);
    QTest::newRow("right band") << QPoint(797, 200) << int(Qt::SizeHorCursor);
    QTest::newRow("bottom band") << QPoint(400, 397) << int(Qt::SizeVerCursor);
    QTest::newRow("top band over the title bar") << QPoint(400, 2) << int(Qt::SizeVerCursor);
    QTest::newRow("top-left corner") << QPoint(3, 3) << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom-right corner") << QPoint(799, 399) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-right corner") << QPoint(797, 2) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-left corner") << QPoint(2, 397) << int(Qt::SizeBDiagCursor);
}

void TestFramelessWindow::hoverShowsResizeCursors()
{
    QFETCH(QPoint, pos);
    QFETCH(int, shape);
    MyFramelessWindow window;
    window.setGeometry(0, 0, 800, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWindow *handle = window.windowHandle();

    QTest::mouseMove(handle, pos);
    QTRY_COMPARE(int(window.cursor().shape()), shape);
    // Back inside, the arrow returns.
    QTest::mouseMove(handle, QPoint(400, 200));
    QTRY_COMPARE(int(window.cursor().shape()), int(Qt::ArrowCursor));
}

void TestFramelessWindow::fixedSizeDialogOffersNoResize()
{
    MyFramelessDialog dialog;
    dialog.setFixedSize(340, 432);
    dialog.move(0, 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseMove(dialog.windowHandle(), QPoint(2, 200));
    QCOMPARE(int(dialog.cursor().shape()), int(Qt::ArrowCursor));
    QTest::mouseMove(dialog.windowHandle(), QPoint(338, 430));
    QCOMPARE(int(dialog.cursor().shape()), int(Qt::ArrowCursor));
}

void TestFramelessWindow::maximiseButtonTogglesStateAndPicture()
{
    MyFramelessWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FramelessChrome *chrome = window.chrome();
    const QImage maxPicture = asArgb(QImage(appDir->file("/TitleBar/Image/MaxSize.png")));
    const QImage restorePicture = asArgb(QImage(appDir->file("/TitleBar/Image/NormalSize.png")));
    QVERIFY(maxPicture != restorePicture);

    QTest::mouseClick(chrome->titleBarMax, Qt::LeftButton);
    QTRY_VERIFY(window.isMaximized());
    QVERIFY(window.isMaximizedByButton());
    QCOMPARE(iconImage(chrome->titleBarMax), restorePicture);

    QTest::mouseClick(chrome->titleBarMax, Qt::LeftButton);
    QTRY_VERIFY(!window.isMaximized());
    QVERIFY(!window.isMaximizedByButton());
    QCOMPARE(iconImage(chrome->titleBarMax), maxPicture);
}

void TestFramelessWindow::doubleClickOnTitleBarRestores()
{
    MyFramelessWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FramelessChrome *chrome = window.chrome();
    const QImage maxPicture = asArgb(QImage(appDir->file("/TitleBar/Image/MaxSize.png")));

    QTest::mouseClick(chrome->titleBarMax, Qt::LeftButton);
    QTRY_VERIFY(window.isMaximized());

    // A double click in the content area does nothing...
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    QVERIFY(window.isMaximized());
    // ...one on the title bar restores the window.
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 24));
    QTRY_VERIFY(!window.isMaximized());
    QVERIFY(!window.isMaximizedByButton());
    QCOMPARE(iconImage(chrome->titleBarMax), maxPicture);

    // It never maximises.
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 24));
    QVERIFY(!window.isMaximized());
}

void TestFramelessWindow::dragByTitleBar()
{
    MyFramelessWindow window;
    window.setGeometry(100, 100, 500, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWindow *handle = window.windowHandle();

    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, QPoint(150, 20));
    QVERIFY(window.chrome()->dragging);
    QCOMPARE(window.chrome()->dragStart, QPoint(150, 20));
    QTest::mouseMove(handle, QPoint(190, 35));
    QTRY_COMPARE(window.pos(), QPoint(140, 115));
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, QPoint(150, 20));
    QVERIFY(!window.chrome()->dragging);

    // Without a button held nothing follows the mouse.
    QTest::mouseMove(handle, QPoint(100, 10));
    QCoreApplication::processEvents();
    QCOMPARE(window.pos(), QPoint(140, 115));
}

void TestFramelessWindow::dragStartedInContentDoesNotMoveWindow()
{
    MyFramelessWindow window;
    auto *page = new QWidget;
    window.setCentralContent(page);
    window.setGeometry(100, 100, 500, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWindow *handle = window.windowHandle();

    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    QVERIFY(window.chrome()->dragging);
    QTest::mouseMove(handle, QPoint(260, 200));
    QTest::mouseMove(handle, QPoint(300, 120));
    QCoreApplication::processEvents();
    QCOMPARE(window.pos(), QPoint(100, 100));
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, QPoint(300, 120));

    // The same window still drags from its title bar, by exactly the mouse's way.
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, QPoint(100, 10));
    QTest::mouseMove(handle, QPoint(90, 30));
    QTRY_COMPARE(window.pos(), QPoint(90, 120));
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, QPoint(100, 10));
}

void TestFramelessWindow::dialogDragsByTitleBarToo()
{
    MyFramelessDialog dialog;
    dialog.setFixedSize(340, 432);
    dialog.move(50, 60);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QWindow *handle = dialog.windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, QPoint(100, 20));
    QTest::mouseMove(handle, QPoint(130, 40));
    QTRY_COMPARE(dialog.pos(), QPoint(80, 80));
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, QPoint(100, 20));
    QVERIFY(!dialog.chrome()->dragging);
}

void TestFramelessWindow::returnInADialogFieldKeepsItOpen()
{
    MyFramelessDialog dialog;
    auto *field = new QLineEdit;
    dialog.setCentralContent(field);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Enter);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.chrome()->titleBarClose->isDefault());
}

void TestFramelessWindow::titleBarIsDarkAndCloseTurnsRedOnHover()
{
    MyFramelessWindow window;
    window.setGeometry(0, 0, 600, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FramelessChrome *chrome = window.chrome();

    const QImage shot = window.grab().toImage();
    QVERIFY(lightness(shot.pixel(300, 40)) < 80);   // title text area
    QVERIFY(lightness(shot.pixel(300, 200)) > 200); // content area

    const QPoint closeCentre = chrome->titleBarClose->geometry().center();
    const QRgb before = chrome->titleBarClose->grab().toImage().pixel(2, 2);
    QVERIFY(lightness(before) < 80);
    // Into the window first, then onto the button, as a real pointer would come.
    QTest::mouseMove(window.windowHandle(), QPoint(300, 200));
    QTest::mouseMove(window.windowHandle(), closeCentre);
    QTRY_VERIFY(chrome->titleBarClose->underMouse());
    QTRY_VERIFY(QColor(chrome->titleBarClose->grab().toImage().pixel(2, 2)).red() > 180);
    const QColor hovered(chrome->titleBarClose->grab().toImage().pixel(2, 2));
    QVERIFY(hovered.green() < 100 && hovered.blue() < 100);
}

QTEST_MAIN(TestFramelessWindow)
#include "tst_framelesswindow.moc"
