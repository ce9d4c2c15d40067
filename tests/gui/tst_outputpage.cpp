#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "link/LinkChannel.h"
#include "pages/Ui_Output.h"
#include "protocol/ValueTables.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestOutputPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void constructionGeometry();
    void comboItemsEqualProtocolIndexes();
    void choicesSendOneRequest_data();
    void choicesSendOneRequest();
    void repliesNeverSendRequests();
    void userResolutionFollowsTheReply();
    void userResolutionWrite_data();
    void userResolutionWrite();
    void modelRule_data();
    void modelRule();
    void languageReloadRefillsAndRereads();

private:
    TestAppDir *appDir = nullptr;
    Ui_Output *page = nullptr;
};

void TestOutputPage::init()
{
    appDir = new TestAppDir;
    State().LinkType = LinkTcpClient;
    takeQueuedRequests(TcpChannel());
    page = new Ui_Output;
}

void TestOutputPage::cleanup()
{
    delete page;
    takeQueuedRequests(TcpChannel());
    delete appDir;
}

void TestOutputPage::constructionGeometry()
{
    QCOMPARE(page->settingsFrame->geometry(), QRect(4, 4, 1072, 94));
    QCOMPARE(page->resolutionLabel->geometry(), QRect(4, 4, 160, 26));
    QCOMPARE(page->resolutionCombo->geometry(), QRect(168, 4, 200, 26));
    QCOMPARE(page->userResolutionLabel->geometry(), QRect(372, 4, 360, 26));
    QCOMPARE(page->widthField->geometry(), QRect(736, 4, 60, 26));
    QCOMPARE(page->heightField->geometry(), QRect(800, 4, 60, 26));
    QCOMPARE(page->userWriteButton->geometry(), QRect(968, 4, 100, 26));
    QCOMPARE(page->vkaLabel->geometry(), QRect(4, 34, 160, 26));
    QCOMPARE(page->itcCombo->geometry(), QRect(536, 34, 200, 26));
    QCOMPARE(page->hdcpLabel->geometry(), QRect(4, 64, 160, 26));
    QCOMPARE(page->autoCombo->geometry(), QRect(536, 64, 200, 26));
    QCOMPARE(page->readAllButton->geometry(), QRect(4, 108, 100, 26));
    // The user timing's fields only take digits up to 9999.
    QTest::keyClicks(page->widthField, QStringLiteral("12a345"));
    QCOMPARE(page->widthField->text(), QStringLiteral("1234"));
}

void TestOutputPage::comboItemsEqualProtocolIndexes()
{
    QCOMPARE(page->resolutionCombo->count(), 16);
    QCOMPARE(page->resolutionCombo->itemText(7), QStringLiteral("1920x1080p60"));
    QCOMPARE(page->resolutionCombo->itemText(15), QStringLiteral("USER"));
    QCOMPARE(page->hdcpCombo->itemText(1), QStringLiteral("Force-2.2"));
    QCOMPARE(page->vkaCombo->itemText(1), QStringLiteral("Black Screen"));
    QCOMPARE(page->itcCombo->itemText(0), QStringLiteral("On"));
    QCOMPARE(page->autoCombo->itemText(1), QStringLiteral("Off"));
}

void TestOutputPage::choicesSendOneRequest_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<quint32>("pauseMs");
    QTest::newRow("resolution") << "resolution" << 7 << QByteArray("SET OUT RESOLUTION 1920x1080p60\r") << 10000u;
    QTest::newRow("user resolution") << "resolution" << 15 << QByteArray("SET OUT RESOLUTION USER\r") << 10000u;
    QTest::newRow("hdcp") << "hdcp" << 1 << QByteArray("SET OUT HDCP FORCE-2.2\r") << 0u;
    QTest::newRow("vka") << "vka" << 1 << QByteArray("SET OUT VKA BLACKSCREEN\r") << 0u;
    QTest::newRow("itc") << "itc" << 0 << QByteArray("SET OUT ITC ON\r") << 0u;
    QTest::newRow("4k auto") << "auto" << 1 << QByteArray("SET OUT 4K-AUTO OFF\r") << 0u;
}

void TestOutputPage::choicesSendOneRequest()
{
    QFETCH(QString, combo);
    QFETCH(int, index);
    QFETCH(QByteArray, request);
    QFETCH(quint32, pauseMs);
    const QMap<QString, QComboBox *> combos = {{"resolution", page->resolutionCombo},
                                               {"hdcp", page->hdcpCombo},
                                               {"vka", page->vkaCombo},
                                               {"itc", page->itcCombo},
                                               {"auto", page->autoCombo}};
    QSignalSpy emitted(page, &Ui_Output::SGL_UpdateEmit);
    emit combos[combo]->activated(index);
    QList<ReplyRule> rules;
    QCOMPARE(takeQueuedRequests(TcpChannel(), &rules), QByteArrayList{request});
    QCOMPARE(rules.first().waitMs, pauseMs);
    QCOMPARE(emitted.count(), 1);
    // Choosing USER only sends the request: the user fields follow the device's reply.
    QVERIFY(page->userResolutionLabel->isVisibleTo(page));
}

void TestOutputPage::repliesNeverSendRequests()
{
    QSignalSpy emitted(page, &Ui_Output::SGL_UpdateEmit);
    page->SyncResolution(7);
    page->SyncHDCP(2);
    page->SyncVKA(1);
    page->SyncITC(1);
    page->Sync4KAUTO(0);
    page->SyncUserResolution(1920, 1200);
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
    QCOMPARE(emitted.count(), 0);
    QCOMPARE(page->resolutionCombo->currentIndex(), 7);
    QCOMPARE(page->hdcpCombo->currentText(), QStringLiteral("Force-Off"));
    QCOMPARE(page->vkaCombo->currentIndex(), 1);
    QCOMPARE(page->itcCombo->currentIndex(), 1);
    QCOMPARE(page->autoCombo->currentIndex(), 0);
    QCOMPARE(page->widthField->text(), QStringLiteral("1920"));
    QCOMPARE(page->heightField->text(), QStringLiteral("1200"));
}

void TestOutputPage::userResolutionFollowsTheReply()
{
    page->SyncResolution(7);
    QCOMPARE(page->settingsFrame->size(), QSize(740, 94));
    QVERIFY(!page->userResolutionLabel->isVisibleTo(page));
    QVERIFY(!page->widthField->isVisibleTo(page));
    QVERIFY(!page->userWriteButton->isVisibleTo(page));

    QSignalSpy emitted(page, &Ui_Output::SGL_UpdateEmit);
    page->SyncResolution(15);
    QCOMPARE(page->settingsFrame->size(), QSize(1072, 94));
    QVERIFY(page->userResolutionLabel->isVisibleTo(page));
    QVERIFY(page->heightField->isVisibleTo(page));
    QVERIFY(page->userReadButton->isVisibleTo(page));
    QCOMPARE(takeQueuedRequests(TcpChannel()), QByteArrayList{"GET RESO-USER\r"});
    QCOMPARE(emitted.count(), 1);
}

void TestOutputPage::userResolutionWrite_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::newRow("both") << "1920" << "1080" << QByteArrayList{"SET RESO-USER 1920 1080\r"};
    QTest::newRow("zero is a number") << "0" << "720" << QByteArrayList{"SET RESO-USER 0 720\r"};
    QTest::newRow("empty width sends nothing") << "" << "1080" << QByteArrayList{};
    QTest::newRow("empty height sends nothing") << "1280" << "" << QByteArrayList{};
}

void TestOutputPage::userResolutionWrite()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QByteArrayList, requests);
    page->widthField->setText(width);
    page->heightField->setText(height);
    QTest::mouseClick(page->userWriteButton, Qt::LeftButton);
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);

    page->userReadButton->click();
    QCOMPARE(takeQueuedRequests(TcpChannel()), QByteArrayList{"GET RESO-USER\r"});
}

void TestOutputPage::modelRule_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("autoVisible");
    QTest::addColumn<QByteArrayList>("readAll");
    const QByteArrayList four = {"GET OUT RESOLUTION\r", "GET OUT HDCP\r", "GET OUT VKA\r", "GET OUT ITC\r"};
    QTest::newRow("RKA204QE") << 0 << true << (four + QByteArrayList{"GET OUT 4K-AUTO\r"});
    QTest::newRow("RKA07QE") << 1 << false << four;
    QTest::newRow("RKA386QE") << 2 << true << (four + QByteArrayList{"GET OUT 4K-AUTO\r"});
    QTest::newRow("TN386") << 3 << true << (four + QByteArrayList{"GET OUT 4K-AUTO\r"});
    QTest::newRow("TN204E") << 4 << true << (four + QByteArrayList{"GET OUT 4K-AUTO\r"});
}

void TestOutputPage::modelRule()
{
    QFETCH(int, model);
    QFETCH(bool, autoVisible);
    QFETCH(QByteArrayList, readAll);
    QVERIFY(page->autoCombo->isVisibleTo(page));
    State().CurrentModel = quint8(model);
    page->ApplyModel();
    QCOMPARE(page->autoLabel->isVisibleTo(page), autoVisible);
    QCOMPARE(page->autoCombo->isVisibleTo(page), autoVisible);
    QSignalSpy emitted(page, &Ui_Output::SGL_UpdateEmit);
    page->readAllButton->click();
    QCOMPARE(takeQueuedRequests(TcpChannel()), readAll);
    QCOMPARE(emitted.count(), 1);
}

void TestOutputPage::languageReloadRefillsAndRereads()
{
    page->SyncHDCP(2);
    State().text.ScomboBox_VKA[0] = QStringLiteral("Blau");
    page->ReloadUIText(false, true);
    QCOMPARE(page->hdcpCombo->currentIndex(), 0);
    QCOMPARE(page->vkaCombo->itemText(0), QStringLiteral("Blau"));
    QCOMPARE(takeQueuedRequests(TcpChannel()).size(), 5);
    page->ReloadUIText(false, false);
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
}

QTEST_MAIN(TestOutputPage)
#include "tst_outputpage.moc"
