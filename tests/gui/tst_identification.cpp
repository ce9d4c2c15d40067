// Identification and synchronisation as the main window runs them: the "MODEL TYPE" reply (known model,
// unknown model, the second reply of a link), the read requests of the four pages that follow, the reply
// time-outs, and lines that arrive while a reply's message box is open.

#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"
#include "gui/ReplyFeed.h"

#include "config/AppState.h"
#include "shell/Ui_Main.h"
#include "link/LinkChannel.h"
#include "link/ServiceSerialPort.h"
#include "link/ServiceTcpClient.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ValueTables.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/MyComboBox.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestIdentification : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void knownModel_data();
    void knownModel();
    void unknownModel_data();
    void unknownModel();
    void secondModelTypeIgnored();
    void modelReplyAfterAMismatchInTheSameBatch();
    void reopenedLinkIdentifiesAgain();
    void replyTimeout_data();
    void replyTimeout();
    void linkParametersWrittenOverSerial();
    void linkParametersReadBack();
    void linesArrivingWhileAMessageIsOpen();

private:
    std::unique_ptr<TestAppDir> appDir;
    std::unique_ptr<Ui_Main> window;
};

namespace {
const QString MachineNotMatch = QStringLiteral("The device does not match with the PC tool!");
const QString ReadDeviceFail = QStringLiteral("Failed to identify device!Error Code:");
const QString CommunicationFail = QStringLiteral("Unable to communicate with device!Error Code:");

const QByteArrayList OutputReads = {"GET OUT RESOLUTION\r", "GET OUT HDCP\r", "GET OUT VKA\r",
                                    "GET OUT ITC\r", "GET OUT 4K-AUTO\r"};
const QByteArrayList MultiviewReads = {"GET MULTIVIEW-SYNC\r"};
const QByteArrayList AudioReads = {"GET AUDIO SOURCE\r", "GET AUDIO VOL\r", "GET AUDIO-MUTE\r"};
const QByteArrayList Tn386AudioReads = {"GET MAIN-AUDIO ONOFF\r", "GET MIC1 ONOFF\r", "GET MIC1 VOL\r",
                                        "GET MIC2 ONOFF\r", "GET MIC2 VOL\r"};

QByteArrayList systemReads(quint32 linkType)
{
    return {"GET IN EDIDMODE\r", linkType == LinkTcpClient ? "GET NETWORK-INFO\r" : "GET BAUDRATE\r"};
}

LinkChannel &channelOf(quint32 linkType)
{
    return linkType == LinkSerial ? SerialChannel() : TcpChannel();
}
} // namespace

void TestIdentification::initTestCase()
{
    appDir = std::make_unique<TestAppDir>();
    appDir->installDataTree();
}

void TestIdentification::cleanupTestCase()
{
    appDir.reset();
}

void TestIdentification::init()
{
    resetAppState();
    MessageBoxSeam::reset();
    MessageBoxSeam::activate();
    ReplyFeed::drainAllQueues();
    window = std::make_unique<Ui_Main>();
}

void TestIdentification::cleanup()
{
    window.reset();
    ReplyFeed::drainAllQueues();
    MessageBoxSeam::reset();
}

void TestIdentification::knownModel_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<quint32>("linkType");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("inputs");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::addColumn<bool>("outputShows4KAuto");
    QTest::addColumn<int>("firmwareParts");

    const quint32 tcp = LinkTcpClient;
    const quint32 serial = LinkSerial;
    QTest::newRow("RKA204QE over TCP")
        << QByteArray("RKA204QE") << tcp << 0 << 5
        << OutputReads + MultiviewReads + AudioReads + systemReads(tcp) << true << 3;
    QTest::newRow("RKA204QE over RS-232")
        << QByteArray("RKA204QE") << serial << 0 << 5
        << OutputReads + MultiviewReads + AudioReads + systemReads(serial) << true << 3;
    QTest::newRow("RKA07QE has no 4K AUTO")
        << QByteArray("RKA07QE") << tcp << 1 << 4
        << OutputReads.mid(0, 4) + MultiviewReads + AudioReads + systemReads(tcp) << false << 2;
    QTest::newRow("RKA386QE") << QByteArray("RKA386QE") << serial << 2 << 9
                              << OutputReads + MultiviewReads + AudioReads + systemReads(serial) << true << 4;
    QTest::newRow("TN386 reads its microphones")
        << QByteArray("TN386") << tcp << 3 << 9
        << OutputReads + MultiviewReads + AudioReads + Tn386AudioReads + systemReads(tcp) << true << 3;
    QTest::newRow("TN204E") << QByteArray("TN204E") << tcp << 4 << 5
                            << OutputReads + MultiviewReads + AudioReads + systemReads(tcp) << true << 2;
    QTest::newRow("model after other text")
        << QByteArray("TN204E extra") << tcp << 4 << 5
        << OutputReads + MultiviewReads + AudioReads + systemReads(tcp) << true << 2;
}

void TestIdentification::knownModel()
{
    QFETCH(QByteArray, name);
    QFETCH(quint32, linkType);
    QFETCH(int, model);
    QFETCH(int, inputs);
    QFETCH(QByteArrayList, requests);
    QFETCH(bool, outputShows4KAuto);
    QFETCH(int, firmwareParts);

    ReplyFeed::openLink(window.get(), linkType);
    QVERIFY(!window->connectionPage->statusOk);
    QSignalSpy sendRequests(window.get(), &Ui_Main::SGL_UnifyUpdateEmit);

    ReplyFeed::feed(window.get(), {"MODEL TYPE " + name + '\r'});

    const AppState &s = State();
    QCOMPARE(int(s.CurrentModel), model);
    QCOMPARE(int(s.InputCount), inputs);
    QVERIFY(s.ModelIdentified);
    QVERIFY(window->connectionPage->statusOk);
    QCOMPARE(s.LinkType, linkType);
    QVERIFY(s.LinkParamReadPending);
    // Every page asked, in page order, on the open link only.
    QCOMPARE(takeQueuedRequests(channelOf(linkType)), requests);
    QVERIFY(takeQueuedRequests(channelOf(linkType == LinkSerial ? LinkTcpClient : LinkSerial)).isEmpty());
    QVERIFY(sendRequests.count() >= 4);
    // The pages adapted to the model before asking.
    QCOMPARE(window->outputPage->autoCombo->isHidden(), !outputShows4KAuto);
    QCOMPARE(window->systemPage->firmwareCombo->count(), firmwareParts);
    QCOMPARE(window->audioPage->commonFrame->isHidden(), model == ModelTN386);
    // No status line, no message.
    QVERIFY(window->connectionPage->statusText->toPlainText().isEmpty());
    QVERIFY(MessageBoxSeam::texts().isEmpty());
}

void TestIdentification::unknownModel_data()
{
    QTest::addColumn<quint32>("linkType");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("unknown name over TCP") << quint32(LinkTcpClient) << QByteArray("MODEL TYPE RKA999\r");
    QTest::newRow("unknown name over RS-232") << quint32(LinkSerial) << QByteArray("MODEL TYPE RKA999\r");
    QTest::newRow("case matters") << quint32(LinkTcpClient) << QByteArray("MODEL TYPE rka204qe\r");
    QTest::newRow("name as part of a word") << quint32(LinkTcpClient) << QByteArray("MODEL TYPE TN386X\r");
    QTest::newRow("empty value") << quint32(LinkTcpClient) << QByteArray("MODEL TYPE\r");
}

void TestIdentification::unknownModel()
{
    QFETCH(quint32, linkType);
    QFETCH(QByteArray, line);

    ReplyFeed::openLink(window.get(), linkType);
    window->connectionPage->SetStatusImage(true);
    ReplyFeed::feed(window.get(), {line});

    QCOMPARE(MessageBoxSeam::texts(), QStringList{MachineNotMatch});
    QVERIFY(!window->connectionPage->statusOk);
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QCOMPARE(State().CurrentModel, NoModel);
    QCOMPARE(window->connectionPage->serialConnectButton->text(), QStringLiteral("Connect"));
    QCOMPARE(window->connectionPage->networkConnectButton->text(), QStringLiteral("Connect"));
    QVERIFY(window->connectionPage->serialConnectButton->isEnabled());
    QVERIFY(window->connectionPage->networkConnectButton->isEnabled());
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
    QVERIFY(takeQueuedRequests(SerialChannel()).isEmpty());
    QVERIFY(window->connectionPage->statusText->toPlainText().isEmpty());
}

void TestIdentification::secondModelTypeIgnored()
{
    ReplyFeed::openLink(window.get(), LinkTcpClient);
    ReplyFeed::feed(window.get(), {"MODEL TYPE RKA204QE\r"});
    takeQueuedRequests(TcpChannel());

    ReplyFeed::feed(window.get(), {"MODEL TYPE TN386\r", "MODEL TYPE XYZ\r"});

    QCOMPARE(State().CurrentModel, quint8(ModelRKA204QE));
    QCOMPARE(State().InputCount, 5u);
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
    QVERIFY(MessageBoxSeam::texts().isEmpty());
    QVERIFY(window->connectionPage->statusOk);
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
}

void TestIdentification::modelReplyAfterAMismatchInTheSameBatch()
{
    // Both replies were taken from the queue together; the mismatch closed the link before the second one
    // is handled, which then belongs to a link that no longer exists.
    ReplyFeed::openLink(window.get(), LinkTcpClient);
    ReplyFeed::feed(window.get(), {"MODEL TYPE RKA999\r", "MODEL TYPE RKA204QE\r", "OUT HDCP FORCE-OFF\r"});

    QCOMPARE(MessageBoxSeam::texts(), QStringList{MachineNotMatch});
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QCOMPARE(State().CurrentModel, NoModel);
    QVERIFY(!window->connectionPage->statusOk);
    QVERIFY(!State().ModelIdentified);
    QCOMPARE(window->outputPage->hdcpCombo->currentIndex(), 0);
    QVERIFY(window->connectionPage->statusText->toPlainText().isEmpty());
}

void TestIdentification::reopenedLinkIdentifiesAgain()
{
    ReplyFeed::openLink(window.get(), LinkTcpClient);
    ReplyFeed::feed(window.get(), {"MODEL TYPE NOPE\r"});
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(!State().ModelIdentified);

    ReplyFeed::openLink(window.get(), LinkTcpClient);
    ReplyFeed::feed(window.get(), {"MODEL TYPE RKA386QE\r"});
    QCOMPARE(State().CurrentModel, quint8(ModelRKA386QE));
    QVERIFY(window->connectionPage->statusOk);
    QCOMPARE(takeQueuedRequests(TcpChannel()).size(), 11);

    // Closing the link keeps the model; the next link asks again and takes the new answer.
    window->connectionPage->networkConnectButton->click();
    QVERIFY(!State().ModelIdentified);
    QCOMPARE(State().CurrentModel, quint8(ModelRKA386QE));
    ReplyFeed::openLink(window.get(), LinkSerial);
    ReplyFeed::feed(window.get(), {"MODEL TYPE TN204E\r"});
    QCOMPARE(State().CurrentModel, quint8(ModelTN204E));
    QCOMPARE(takeQueuedRequests(SerialChannel()).last(), QByteArray("GET BAUDRATE\r"));
    QCOMPARE(MessageBoxSeam::texts(), QStringList{MachineNotMatch});
}

void TestIdentification::replyTimeout_data()
{
    QTest::addColumn<quint32>("linkType");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("readPending");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("linkClosed");
    QTest::addColumn<bool>("readPendingAfter");

    const quint32 tcp = LinkTcpClient;
    const quint32 serial = LinkSerial;
    QTest::newRow("model query over TCP")
        << tcp << "GET MODEL TYPE\r" << false << ReadDeviceFail + "GET MODEL TYPE\r" << true << false;
    QTest::newRow("model query over RS-232")
        << serial << "GET MODEL TYPE\r" << false << ReadDeviceFail + "GET MODEL TYPE\r" << true << false;
    QTest::newRow("other query") << tcp << "GET OUT HDCP\r" << true << CommunicationFail + "GET OUT HDCP\r"
                                 << false << true;
    QTest::newRow("change request") << serial << "SET OUT VKA BLACKSCREEN\r" << false
                                    << CommunicationFail + "SET OUT VKA BLACKSCREEN\r" << false << false;
    QTest::newRow("network query ends the read-back")
        << tcp << "GET NETWORK-INFO\r" << true << CommunicationFail + "GET NETWORK-INFO\r" << false << false;
    QTest::newRow("baud rate query ends the read-back")
        << serial << "GET BAUDRATE\r" << true << CommunicationFail + "GET BAUDRATE\r" << false << false;
}

void TestIdentification::replyTimeout()
{
    QFETCH(quint32, linkType);
    QFETCH(QString, command);
    QFETCH(bool, readPending);
    QFETCH(QString, message);
    QFETCH(bool, linkClosed);
    QFETCH(bool, readPendingAfter);

    ReplyFeed::openLink(window.get(), linkType);
    window->connectionPage->SetStatusImage(true);
    State().ModelIdentified = true;
    State().LinkParamReadPending = readPending;

    // The transport has released the rule of the timed-out command itself; the main window leaves the
    // channel's rule (which by now may belong to the next command) alone.
    channelOf(linkType).currentRule.expectReply = 1;

    // The transport's report reaches the main window through its signal.
    if (linkType == LinkTcpClient)
        emit TcpService().SGL_WaitReplyTimeout_TcpClient(command);
    else
        emit SerialService().SGL_WaitReplyTimeout_SerialPort(command);

    QCOMPARE(MessageBoxSeam::texts(), QStringList{message});
    QCOMPARE(State().LinkType, linkClosed ? quint32(LinkNone) : linkType);
    QCOMPARE(window->connectionPage->statusOk, !linkClosed);
    QCOMPARE(State().ModelIdentified, !linkClosed);
    QCOMPARE(State().LinkParamReadPending, readPendingAfter);
    QCOMPARE(int(channelOf(linkType).currentRule.expectReply), 1);
    channelOf(linkType).currentRule.expectReply = 0;
}

void TestIdentification::linkParametersWrittenOverSerial()
{
    // The device's baud rate was written (not read): it now listens at the new rate, so the link is closed
    // and the connection page shows the rate to reconnect with.
    ReplyFeed::openLink(window.get(), LinkSerial);
    State().LinkParamReadPending = false;

    ReplyFeed::feed(window.get(), {"BAUDRATE 57600\r"});

    QCOMPARE(MessageBoxSeam::texts(), QStringList{"1-Sync Config Info....\r\n2-Please ReConnect App!"});
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QCOMPARE(State().config.SP_BaudRate, QStringLiteral("57600"));
    QCOMPARE(window->connectionPage->baudBox->currentText(), QStringLiteral("57600"));
    QCOMPARE(window->connectionPage->serialConnectButton->text(), QStringLiteral("Connect"));
    QVERIFY(window->connectionPage->networkConnectButton->isEnabled());
    QVERIFY(!State().LinkParamReadPending);
    QCOMPARE(window->connectionPage->statusText->toPlainText(),
             QStringLiteral("Sync Baudrate: Message.\n\n->Sync Over!<-\n"));
}

void TestIdentification::linkParametersReadBack()
{
    ReplyFeed::openLink(window.get(), LinkTcpClient);
    State().LinkParamReadPending = true;
    ConfigValues &c = State().config;
    c.SP_RemoteIp = QStringLiteral("10.20.30.40");
    c.SP_RemotePort = QStringLiteral("4321");
    c.SP_Name = QStringLiteral("ttyS3");

    window->SLT_SyncSerialPortNetworkInfo();

    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    QVERIFY(!State().LinkParamReadPending);
    QVERIFY(MessageBoxSeam::texts().isEmpty());
    QCOMPARE(window->connectionPage->ipEdit->text(), QStringLiteral("10.20.30.40"));
    QCOMPARE(window->connectionPage->portEdit->text(), QStringLiteral("4321"));
    QCOMPARE(window->connectionPage->portBox->currentText(), QStringLiteral("ttyS3"));
    QCOMPARE(window->connectionPage->networkConnectButton->text(), QStringLiteral("Disconnect"));
    QCOMPARE(window->systemPage->ipField->text(), QStringLiteral("10.20.30.40"));
    QCOMPARE(window->systemPage->portField->text(), QStringLiteral("4321"));
}

void TestIdentification::linesArrivingWhileAMessageIsOpen()
{
    // One real box: the lines that arrive while it is open wait, and are handled in order once it is closed.
    MessageBoxSeam::reset();
    window->show();
    ReplyFeed::openLink(window.get(), LinkTcpClient);

    bool boxSeen = false;
    bool queueFreeWhileOpen = false;
    int hdcpWhileOpen = -1;
    QPoint boxCentre;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || boxSeen)
            return;
        boxSeen = true;
        boxCentre = box->frameGeometry().center();
        // The transport could append meanwhile: the receive lock is free.
        queueFreeWhileOpen = TcpChannel().recvLock.tryLock(0);
        if (queueFreeWhileOpen)
            TcpChannel().recvLock.unlock();
        ReplyFeed::feed(window.get(), {"OUT HDCP FORCE-OFF\r", "OUT VKA BLACKSCREEN\r"});
        ReplyFeed::feed(window.get(), {"OUT ITC OFF\r"});
        hdcpWhileOpen = window->outputPage->hdcpCombo->currentIndex();
        box->buttons().first()->click();
    });
    poll.start();
    // Whatever happens, no box stays open longer than this.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(widget))
                box->done(0);
        }
    });
    guard.start(20000);

    ReplyFeed::feed(window.get(), {"EDID-USER\r", "OUT 4K-AUTO OFF\r"});
    poll.stop();

    QVERIFY(boxSeen);
    QVERIFY(queueFreeWhileOpen);
    QCOMPARE(hdcpWhileOpen, 0);
    QCOMPARE(window->connectionPage->statusText->toPlainText(),
             QStringLiteral(
                 "Sync 4K AUTO: Message.\nSync HDCP: Message.\nSync VKA: Message.\nSync ITC: Message.\n"));
    QCOMPARE(window->outputPage->hdcpCombo->currentIndex(), 2);
    QCOMPARE(window->outputPage->vkaCombo->currentIndex(), 1);
    QCOMPARE(window->outputPage->itcCombo->currentIndex(), 1);
    QVERIFY(TcpChannel().recvQueue.isEmpty());
    // The box was centred over the main window, not over the page that raised it.
    const QPoint windowCentre = window->frameGeometry().center();
    QVERIFY2((boxCentre - windowCentre).manhattanLength() <= 4,
             qPrintable(QStringLiteral("box centre (%1, %2), window centre (%3, %4)")
                            .arg(boxCentre.x())
                            .arg(boxCentre.y())
                            .arg(windowCentre.x())
                            .arg(windowCentre.y())));
}

QTEST_MAIN(TestIdentification)
#include "tst_identification.moc"
