// The file chooser seam: a test picks the file in the operator's place and sees where the chooser opened.

#include "widgets/FileChooser.h"
#include "widgets/FileChooserSeam.h"

#include <QApplication>
#include <QWidget>
#include <QtTest>

class TestFileChooser : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { FileChooserSeam::reset(); }

    void queuedPathsAreChosenInOrder();
    void emptyQueueCancels();
    void resetTurnsTheSeamOff();
};

void TestFileChooser::queuedPathsAreChosenInOrder()
{
    QWidget parent;
    FileChooserSeam::pushChosenPath(QStringLiteral("/tmp/edid/first.bin"));
    FileChooserSeam::pushChosenPath(QStringLiteral("/tmp/edid/second.bin"));
    QVERIFY(FileChooserSeam::isActive());
    QCOMPARE(FileChooserSeam::pendingPaths(), 2);

    const QString filter = QStringLiteral("Bin File(*.bin)");
    QCOMPARE(ChooseOpenFile(&parent, QStringLiteral("Select Edid File"), QStringLiteral("/home/op"), filter),
             QStringLiteral("/tmp/edid/first.bin"));
    QCOMPARE(ChooseOpenFile(&parent, QStringLiteral("Select Edid File"), QStringLiteral("/tmp/edid"), filter),
             QStringLiteral("/tmp/edid/second.bin"));
    QCOMPARE(FileChooserSeam::openedDirs(), (QStringList{"/home/op", "/tmp/edid"}));
    QCOMPARE(FileChooserSeam::pendingPaths(), 0);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestFileChooser::emptyQueueCancels()
{
    QWidget parent;
    FileChooserSeam::activate();
    QVERIFY(ChooseOpenFile(&parent, QString(), QStringLiteral("/srv"), QString()).isEmpty());
    QCOMPARE(FileChooserSeam::openedDirs(), QStringList{"/srv"});
}

void TestFileChooser::resetTurnsTheSeamOff()
{
    FileChooserSeam::pushChosenPath(QStringLiteral("/tmp/a.bin"));
    QWidget parent;
    ChooseOpenFile(&parent, QString(), QStringLiteral("/x"), QString());
    FileChooserSeam::pushChosenPath(QStringLiteral("/tmp/b.bin"));
    FileChooserSeam::reset();
    QVERIFY(!FileChooserSeam::isActive());
    QVERIFY(FileChooserSeam::openedDirs().isEmpty());
    QCOMPARE(FileChooserSeam::pendingPaths(), 0);
}

QTEST_MAIN(TestFileChooser)
#include "tst_filechooser.moc"
