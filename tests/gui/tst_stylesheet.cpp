// The shipped application style sheet: the flat push button that marks the selected choice must stand out,
// disabled controls must look greyed, box frames read as cards, and the 26-pixel controls of the pages
// must fit their text.

#include "config/AppPaths.h"
#include "core/TestAppDir.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

QColor centreColour(QWidget *widget)
{
    const QImage shot = widget->grab().toImage();
    // A point inside the button but away from the centred text.
    return QColor(shot.pixel(6, shot.height() / 2));
}

// Lightness of the darkest pixel: the text of a button drawn on a light face.
int darkestLightness(QWidget *widget)
{
    const QImage shot = widget->grab().toImage();
    int darkest = 255;
    for (int y = 3; y < shot.height() - 3; ++y) {
        for (int x = 3; x < shot.width() - 3; ++x)
            darkest = qMin(darkest, QColor(shot.pixel(x, y)).lightness());
    }
    return darkest;
}

// Lightness of the lightest pixel: the text of a button drawn on a dark face.
int lightestLightness(QWidget *widget)
{
    const QImage shot = widget->grab().toImage();
    int lightest = 0;
    for (int y = 3; y < shot.height() - 3; ++y) {
        for (int x = 3; x < shot.width() - 3; ++x)
            lightest = qMax(lightest, QColor(shot.pixel(x, y)).lightness());
    }
    return lightest;
}

bool isAccent(const QColor &colour)
{
    return colour.blue() > 170 && colour.blue() > colour.red() + 80 && colour.lightness() < 170;
}

} // namespace

class TestStyleSheet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void flatButtonReadsAsSelected();
    void selectionFollowsSetFlat();
    void disabledButtonsAreGreyed();
    void boxFramesAreCards();
    void pageControlsFitTheirHeight();

private:
    std::unique_ptr<TestAppDir> appDir;
    std::unique_ptr<QWidget> host;
};

void TestStyleSheet::initTestCase()
{
    appDir = std::make_unique<TestAppDir>();
    appDir->installDataTree();
    QFile file(AppPaths::styleSheetFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Read the way the program reads it at start-up.
    qApp->setStyleSheet(QString::fromLatin1(file.readAll()));
    QVERIFY(!qApp->styleSheet().isEmpty());
    host = std::make_unique<QWidget>();
    host->resize(400, 300);
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host.get()));
}

void TestStyleSheet::cleanupTestCase()
{
    host.reset();
    qApp->setStyleSheet(QString());
    appDir.reset();
}

void TestStyleSheet::flatButtonReadsAsSelected()
{
    auto *selected = new QPushButton(QStringLiteral("PBP"), host.get());
    selected->setGeometry(0, 0, 150, 26);
    selected->setFlat(true);
    auto *other = new QPushButton(QStringLiteral("PIP"), host.get());
    other->setGeometry(0, 30, 150, 26);
    selected->show();
    other->show();

    QVERIFY(isAccent(centreColour(selected)));
    QVERIFY(lightestLightness(selected) > 240); // white text on the accent
    QVERIFY(!isAccent(centreColour(other)));
    QVERIFY(centreColour(other).lightness() > 200); // a light neutral face
    QVERIFY(darkestLightness(other) < 80);          // dark text
    delete selected;
    delete other;
}

void TestStyleSheet::selectionFollowsSetFlat()
{
    // The pages move the selection by switching flat on and off; the look must follow without a restyle.
    auto *button = new QPushButton(QStringLiteral("HDMI1"), host.get());
    button->setGeometry(0, 0, 100, 26);
    button->show();
    QVERIFY(!isAccent(centreColour(button)));
    button->setFlat(true);
    QVERIFY(isAccent(centreColour(button)));
    button->setFlat(false);
    QVERIFY(!isAccent(centreColour(button)));
    delete button;
}

void TestStyleSheet::disabledButtonsAreGreyed()
{
    auto *enabled = new QPushButton(QStringLiteral("MMMM"), host.get());
    enabled->setGeometry(0, 0, 100, 26);
    auto *disabled = new QPushButton(QStringLiteral("MMMM"), host.get());
    disabled->setGeometry(0, 30, 100, 26);
    disabled->setEnabled(false);
    auto *disabledSelected = new QPushButton(QStringLiteral("MMMM"), host.get());
    disabledSelected->setGeometry(0, 60, 100, 26);
    disabledSelected->setFlat(true);
    disabledSelected->setEnabled(false);
    for (QPushButton *b : {enabled, disabled, disabledSelected})
        b->show();

    QVERIFY(darkestLightness(disabled) > darkestLightness(enabled) + 60);
    // A disabled selected button is still recognisably the selected one, but paler.
    const QColor paleAccent = centreColour(disabledSelected);
    QVERIFY(paleAccent.blue() > paleAccent.red() + 30);
    QVERIFY(paleAccent.lightness() > centreColour(enabled).lightness() - 80);
    qDeleteAll(QList<QPushButton *>{enabled, disabled, disabledSelected});
}

void TestStyleSheet::boxFramesAreCards()
{
    auto *frame = new QFrame(host.get());
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Raised);
    frame->setGeometry(0, 0, 200, 100);
    frame->show();
    const QImage shot = frame->grab().toImage();
    QCOMPARE(QColor(shot.pixel(100, 50)), QColor(Qt::white));
    // The card's border is a soft grey line, not the dark 3D box of the base style.
    const QColor border(shot.pixel(100, 0));
    QVERIFY(border.lightness() > 180 && border.lightness() < 250);
    delete frame;
}

void TestStyleSheet::pageControlsFitTheirHeight()
{
    QPushButton button(QStringLiteral("Read"));
    QComboBox combo;
    combo.addItem(QStringLiteral("1920x1080p60"));
    QLineEdit edit(QStringLiteral("9999"));
    for (QWidget *w :
         {static_cast<QWidget *>(&button), static_cast<QWidget *>(&combo), static_cast<QWidget *>(&edit)}) {
        w->ensurePolished();
        QVERIFY2(w->sizeHint().height() <= 26, w->metaObject()->className());
        QVERIFY2(w->minimumSizeHint().height() <= 26, w->metaObject()->className());
    }
}

QTEST_MAIN(TestStyleSheet)
#include "tst_stylesheet.moc"
