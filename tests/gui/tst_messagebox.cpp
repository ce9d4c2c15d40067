// Message boxes: the test seam that answers in the operator's place, and the real modal boxes (title,
// icon, buttons, answer, placement over the parent's window).

#include "core/TestAppDir.h"
#include "widgets/MessageBox.h"
#include "widgets/MessageBoxSeam.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// What a real box showed while it was open.
struct SeenBox
{
    bool seen = false;
    QString title;
    QString text;
    QStringList buttons;
    QList<QMessageBox::ButtonRole> roles;
    QRect geometry;
    QImage icon;
};

// Polls for the modal message box from inside its own event loop, notes what it shows and clicks the button
// labelled `answer` (an empty answer closes the box without a button). A box that never appears, or a
// missing button, never leaves a test hanging: the box is then rejected, and the poll gives up after 10 s.
void answerNextBox(const QString &answer, SeenBox *seen)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        const bool giveUp = clock->elapsed() > 10000;
        if ((!box || !box->isVisible()) && !giveUp)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (!box)
            return;
        seen->seen = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->geometry = box->geometry();
        seen->icon = box->iconPixmap().toImage();
        QAbstractButton *target = nullptr;
        for (QAbstractButton *button : box->buttons()) {
            seen->buttons.append(button->text());
            seen->roles.append(box->buttonRole(button));
            if (button->text() == answer)
                target = button;
        }
        if (target)
            target->click();
        else
            box->reject();
    });
    timer->start();
}

} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void seamRecordsMessagesWithoutABox();
    void seamAnswersQuestionsInOrder();
    void seamWithoutAnswersSaysNo();
    void resetTurnsTheSeamOff();
    void realMessageBox();
    void realConfirmBox_data();
    void realConfirmBox();

private:
    // A top-level window with a page placed inside it, as the main window holds its tab pages.
    void makeWindow();

    std::unique_ptr<TestAppDir> appDir;
    std::unique_ptr<QWidget> window;
    QWidget *page = nullptr;
};

void TestMessageBox::initTestCase()
{
    appDir = std::make_unique<TestAppDir>();
    QVERIFY(appDir->isValid());
    appDir->installDataTree();
    QVERIFY(QFile::exists(appDir->file("/APP/Image/MessageShow_pic.png")));
}

void TestMessageBox::init()
{
    MessageBoxSeam::reset();
    makeWindow();
}

void TestMessageBox::cleanupTestCase()
{
    MessageBoxSeam::reset();
    window.reset();
    appDir.reset();
}

void TestMessageBox::makeWindow()
{
    window = std::make_unique<QWidget>();
    window->setGeometry(100, 80, 600, 400);
    page = new QWidget(window.get());
    page->setGeometry(220, 170, 300, 200);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMessageBox::seamRecordsMessagesWithoutABox()
{
    MessageBoxSeam::activate();
    QVERIFY(MessageBoxSeam::isActive());
    ShowMessage(QStringLiteral("Serial port not opened!3"), page);
    ShowMessage(QStringLiteral("Sync over"), page);
    QCOMPARE(MessageBoxSeam::texts(), (QStringList{"Serial port not opened!3", "Sync over"}));
    const QList<MessageBoxSeam::Record> records = MessageBoxSeam::records();
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[0].kind, MessageBoxSeam::Kind::Message);
    QCOMPARE(records[1].kind, MessageBoxSeam::Kind::Message);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(page->findChildren<QMessageBox *>().isEmpty());
}

void TestMessageBox::seamAnswersQuestionsInOrder()
{
    MessageBoxSeam::pushAnswer(true);
    MessageBoxSeam::pushAnswer(false);
    MessageBoxSeam::pushAnswer(true);
    QVERIFY(MessageBoxSeam::isActive());
    QCOMPARE(MessageBoxSeam::pendingAnswers(), 3);

    QCOMPARE(ShowConfirm(QStringLiteral("Save?"), page), true);
    // A message in between takes no answer.
    ShowMessage(QStringLiteral("Saved"), page);
    QCOMPARE(MessageBoxSeam::pendingAnswers(), 2);
    QCOMPARE(ShowConfirm(QStringLiteral("Load?"), page), false);
    QCOMPARE(ShowConfirm(QStringLiteral("Reset?"), page), true);
    QCOMPARE(MessageBoxSeam::pendingAnswers(), 0);

    const QList<MessageBoxSeam::Record> records = MessageBoxSeam::records();
    QCOMPARE(records.size(), 4);
    QCOMPARE(records[0].text, QStringLiteral("Save?"));
    QCOMPARE(records[0].kind, MessageBoxSeam::Kind::Confirm);
    QCOMPARE(records[1].text, QStringLiteral("Saved"));
    QCOMPARE(records[1].kind, MessageBoxSeam::Kind::Message);
    QCOMPARE(records[3].text, QStringLiteral("Reset?"));
}

void TestMessageBox::seamWithoutAnswersSaysNo()
{
    MessageBoxSeam::activate();
    QCOMPARE(ShowConfirm(QStringLiteral("Reset?"), page), false);
    MessageBoxSeam::pushAnswer(true);
    QCOMPARE(ShowConfirm(QStringLiteral("Save?"), page), true);
    QCOMPARE(ShowConfirm(QStringLiteral("Load?"), page), false);
    QCOMPARE(MessageBoxSeam::texts(), (QStringList{"Reset?", "Save?", "Load?"}));
}

void TestMessageBox::resetTurnsTheSeamOff()
{
    MessageBoxSeam::pushAnswer(true);
    ShowMessage(QStringLiteral("x"), page);
    MessageBoxSeam::reset();
    QVERIFY(!MessageBoxSeam::isActive());
    QVERIFY(MessageBoxSeam::records().isEmpty());
    QCOMPARE(MessageBoxSeam::pendingAnswers(), 0);
}

void TestMessageBox::realMessageBox()
{
    SeenBox seen;
    answerNextBox(QStringLiteral("OK"), &seen);
    ShowMessage(QStringLiteral("Unable to communicate with device!Error Code:GET MODEL TYPE"), page);

    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QStringLiteral(" "));
    QCOMPARE(seen.text, QStringLiteral("Unable to communicate with device!Error Code:GET MODEL TYPE"));
    QCOMPARE(seen.buttons, QStringList{"OK"});
    QCOMPARE(seen.roles, QList<QMessageBox::ButtonRole>{QMessageBox::YesRole});
    QCOMPARE(seen.icon.convertToFormat(QImage::Format_ARGB32),
             QImage(appDir->file("/APP/Image/MessageShow_pic.png")).convertToFormat(QImage::Format_ARGB32));
    // Centred over the page's window, not placed at the page's own offset.
    const QPoint offset = seen.geometry.center() - window->geometry().center();
    QVERIFY2(offset.manhattanLength() <= 2,
             qPrintable(QStringLiteral("box centre off by %1,%2").arg(offset.x()).arg(offset.y())));
    // The box is gone once the call returns.
    QVERIFY(window->findChildren<QMessageBox *>().isEmpty());
}

void TestMessageBox::realConfirmBox_data()
{
    QTest::addColumn<QString>("click");
    QTest::addColumn<bool>("result");
    QTest::newRow("YES") << QStringLiteral("YES") << true;
    QTest::newRow("NO") << QStringLiteral("NO") << false;
    QTest::newRow("closed without a button") << QString() << false;
}

void TestMessageBox::realConfirmBox()
{
    QFETCH(QString, click);
    QFETCH(bool, result);

    SeenBox seen;
    answerNextBox(click, &seen);
    QCOMPARE(ShowConfirm(QStringLiteral("Save the current layout?"), page), result);

    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QStringLiteral(" "));
    QCOMPARE(seen.text, QStringLiteral("Save the current layout?"));
    QCOMPARE(seen.buttons, (QStringList{"YES", "NO"}));
    QVERIFY(seen.roles.contains(QMessageBox::YesRole));
    QVERIFY(seen.roles.contains(QMessageBox::NoRole));
    const QPoint offset = seen.geometry.center() - window->geometry().center();
    QVERIFY(offset.manhattanLength() <= 2);
    QVERIFY(window->findChildren<QMessageBox *>().isEmpty());
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
