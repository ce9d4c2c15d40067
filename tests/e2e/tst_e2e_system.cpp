// The System page used as an operator uses it, against lumaplex-sim: EDID mode, firmware versions, the user
// EDID upload, the device's link parameters (whose write moves the link) and the factory reset.

#include "gui/E2eFixture.h"

#include "config/AppState.h"
#include "shell/Ui_Main.h"
#include "link/LinkChannel.h"
#include "link/ServiceTcpClient.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/MyComboBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QtTest>

namespace {

// A 256-byte EDID with a valid base block and one extension block.
QByteArray validEdid()
{
    QByteArray edid(256, '\0');
    const char header[] = {0, char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), 0};
    edid.replace(0, 8, QByteArray(header, 8));
    for (int i = 8; i < 126; ++i)
        edid[i] = char(i * 7);
    edid[126] = 1;
    for (int i = 128; i < 255; ++i)
        edid[i] = char(i * 3 + 1);
    for (int block = 0; block < 2; ++block) {
        int sum = 0;
        for (int i = block * 128; i < block * 128 + 127; ++i)
            sum += uchar(edid[i]);
        edid[block * 128 + 127] = char((256 - sum % 256) % 256);
    }
    return edid;
}

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestE2eSystem : public QObject, public E2eFixture
{
    Q_OBJECT

private slots:
    void init() { openSession(); }
    void cleanup() { closeSession(); }

    void systemPage();
    void networkWriteMovesTheLink();
    void baudRateWriteOverSerialLine();
    void factoryResetDropsLink();
};

void TestE2eSystem::systemPage()
{
    QVERIFY(connectTo("RKA386QE"));
    Ui_System *page = ui->window()->systemPage;
    const LanguageTexts &t = State().text;
    QVERIFY(ui->showPage(page));

    int from = mark();
    QVERIFY(ui->choose(page->edidModeCombo, 7));
    QVERIFY(received(from, {"SET IN EDIDMODE 1080p60-5.1"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("edid/mode").toString(), QStringLiteral("1080p60-5.1"), ReplyTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(ui->statusText().trimmed().endsWith(statusLine(t.Slabel_EdidSelect)),
                             ReplyTimeoutMs);

    const struct
    {
        int part;
        const char *request;
        const char *version;
    } parts[] = {{1, "GET SUB-VERSION", "V1.0.1"},
                 {3, "GET KEYBOARD-VERSION", "V1.0.2"},
                 {2, "GET EXPAND-VERSION", "V1.0.0"},
                 {0, "GET VERSION", "V1.0.3"}};
    QCOMPARE(page->firmwareCombo->count(), 4);
    for (const auto &part : parts) {
        from = mark();
        QVERIFY(ui->choose(page->firmwareCombo, part.part));
        QVERIFY(received(from, {part.request}));
        QTRY_COMPARE_WITH_TIMEOUT(page->versionField->text(), QString::fromLatin1(part.version),
                                  ReplyTimeoutMs);
    }

    // A user EDID chosen in the file chooser and uploaded: 256 bytes as hexadecimal words on one line.
    const QByteArray edid = validEdid();
    ui->appDir.writeFile("/edid/monitor.bin", edid);
    const QString path = ui->appDir.file("/edid/monitor.bin");
    FileChooserSeam::pushChosenPath(path);
    QVERIFY(ui->click(page->loadButton));
    QCOMPARE(page->pathField->text(), path);
    QCOMPARE(FileChooserSeam::openedDirs(), QStringList{"."});
    from = mark();
    QVERIFY(ui->click(page->edidWriteButton));
    QVERIFY(received(from, {"SET EDID-USER " + QString::fromLatin1(edid.toHex(' ').toUpper())}));
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), QStringList{t.SMSG_EdidWriteOk}, ReplyTimeoutMs);
    QCOMPARE(device("edid/user").toString(), QString::fromLatin1(edid.toHex().toUpper()));

    // Reading the link parameters shows them without a message and keeps the link.
    const int syncOvers = ui->syncOverCount();
    from = mark();
    QVERIFY(ui->click(page->networkReadButton));
    QTRY_COMPARE_WITH_TIMEOUT(ui->syncOverCount(), syncOvers + 1, ReplyTimeoutMs);
    QVERIFY(ui->click(page->rs232ReadButton));
    QVERIFY(received(from, {"GET NETWORK-INFO", "GET BAUDRATE"}));
    QTRY_COMPARE_WITH_TIMEOUT(ui->syncOverCount(), syncOvers + 2, ReplyTimeoutMs);
    QCOMPARE(page->portField->text(), QString::number(sim->port()));
    QCOMPARE(page->baudCombo->currentText(), QStringLiteral("9600"));
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    QCOMPARE(ui->messages().size(), 1);

    // A declined reset sends nothing.
    MessageBoxSeam::pushAnswer(false);
    QVERIFY(ui->click(page->resetButton));
    QCOMPARE(ui->messages().last(), t.SMSG_ResetMessage);
    from = mark();
    QVERIFY(ui->click(page->readAllButton));
    QVERIFY(received(from, {"GET IN EDIDMODE", "GET NETWORK-INFO"}));
}

void TestE2eSystem::networkWriteMovesTheLink()
{
    QVERIFY(connectTo("RKA204QE"));
    Ui_System *page = ui->window()->systemPage;
    Ui_Uart_Network *connection = ui->window()->connectionPage;
    const LanguageTexts &t = State().text;
    const quint16 oldPort = sim->port();
    const quint16 newPort = freeLoopbackPort();
    QVERIFY(newPort != 0 && newPort != oldPort);
    QVERIFY(ui->showPage(page));
    QCOMPARE(page->portField->text(), QString::number(oldPort));

    int from = mark();
    QVERIFY(ui->type(page->portField, QString::number(newPort)));
    QVERIFY(ui->click(page->networkWriteButton));
    QVERIFY(
        received(from, {QStringLiteral("SET NETWORK-INFO 127.0.0.1 %1 255.0.0.0 127.0.0.1").arg(newPort)}));
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), QStringList{t.SMSG_SyncConfigInfo + "\r\n" + t.SMSG_ReConnect},
                              ReplyTimeoutMs);
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(!connection->statusOk);
    QCOMPARE(connection->portEdit->text(), QString::number(newPort));
    QCOMPARE(connection->networkConnectButton->text(), t.S_ConnectDisconnect[0]);
    QTRY_COMPARE_WITH_TIMEOUT(sim->port(), newPort, ReplyTimeoutMs);

    // The operator connects again: the connection page already holds the new port.
    from = mark();
    const int syncOvers = ui->syncOverCount();
    QVERIFY(ui->showPage(connection));
    QVERIFY(ui->click(connection->networkConnectButton));
    QVERIFY(ui->waitForSyncOver(syncOvers + 1, SyncTimeoutMs));
    QCOMPARE(sim->connections(), 2);
    QCOMPARE(sim->requests().value(from), QStringLiteral("GET MODEL TYPE"));
    QCOMPARE(sim->requests().last(), QStringLiteral("GET NETWORK-INFO"));
    QCOMPARE(page->portField->text(), QString::number(newPort));
    QCOMPARE(State().config.SP_RemotePort, QString::number(newPort));
    QVERIFY(connection->statusOk);
    QCOMPARE(ui->messages().size(), 1);
}

void TestE2eSystem::baudRateWriteOverSerialLine()
{
    QVERIFY(sim->start({"--model", "RKA07QE", "--no-tcp"}, true));
    QVERIFY(ui->connectSerial(sim->ptyLink(), "9600"));
    QVERIFY(ui->waitForSyncOver(1, SyncTimeoutMs));
    Ui_System *page = ui->window()->systemPage;
    Ui_Uart_Network *connection = ui->window()->connectionPage;
    const LanguageTexts &t = State().text;
    QVERIFY(ui->showPage(page));
    QVERIFY(page->ipField->isHidden());

    int from = mark();
    QVERIFY(ui->choose(page->baudCombo, page->baudCombo->findText("19200")));
    QVERIFY(ui->click(page->rs232WriteButton));
    QVERIFY(received(from, {"SET BAUDRATE 19200"}));
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), QStringList{t.SMSG_SyncConfigInfo + "\r\n" + t.SMSG_ReConnect},
                              ReplyTimeoutMs);
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QCOMPARE(connection->baudBox->currentText(), QStringLiteral("19200"));
    QCOMPARE(connection->portBox->currentText(), sim->ptyLink());
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("line speed now 19200 baud"), 1, ReplyTimeoutMs);
    QCOMPARE(device("baudRate").toInt(), 19200);

    from = mark();
    const int syncOvers = ui->syncOverCount();
    QVERIFY(ui->showPage(connection));
    QVERIFY(ui->click(connection->serialConnectButton));
    QVERIFY(ui->waitForSyncOver(syncOvers + 1, SyncTimeoutMs));
    QCOMPARE(sim->requests().value(from), QStringLiteral("GET MODEL TYPE"));
    QCOMPARE(sim->requests().last(), QStringLiteral("GET BAUDRATE"));
    QCOMPARE(State().config.SP_BaudRate, QStringLiteral("19200"));
    QCOMPARE(page->baudCombo->currentText(), QStringLiteral("19200"));
    QCOMPARE(State().LinkType, quint32(LinkSerial));
    QCOMPARE(ui->messages().size(), 1);
}

void TestE2eSystem::factoryResetDropsLink()
{
    QVERIFY(connectTo("RKA204QE", {}, {"--reset-ms", "300"}));
    Ui_Output *output = ui->window()->outputPage;
    Ui_System *system = ui->window()->systemPage;
    QVERIFY(ui->showPage(output));
    int from = mark();
    QVERIFY(ui->choose(output->hdcpCombo, 1));
    QVERIFY(received(from, {"SET OUT HDCP FORCE-2.2"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("output/hdcp").toString(), QStringLiteral("FORCE-2.2"), ReplyTimeoutMs);

    QVERIFY(ui->showPage(system));
    MessageBoxSeam::pushAnswer(true);
    from = mark();
    QVERIFY(ui->click(system->resetButton));
    QCOMPARE(ui->messages(), QStringList{State().text.SMSG_ResetMessage});
    QVERIFY(received(from, {"SET RESET"}));
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("client disconnected"), 1, ReplyTimeoutMs);
    QCOMPARE(device("output/hdcp").toString(), QStringLiteral("FORCE-1.4"));
    // The tool sees its connection go.
    QTRY_VERIFY_WITH_TIMEOUT(TcpService().lastErrorCode() != LinkService::NoErrorSinceConnect,
                             ReplyTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("listening on tcp"), 2, ReplyTimeoutMs);

    // Once the pause after the reset is over, the next action connects again and reaches the device.
    QVERIFY(ui->showPage(output));
    QVERIFY(ui->choose(output->vkaCombo, 1));
    QVERIFY(received(from, {"SET RESET", "SET OUT VKA BLACKSCREEN"}, PausedTimeoutMs));
    QCOMPARE(sim->connections(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(device("output/vka").toString(), QStringLiteral("BLACKSCREEN"), ReplyTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(ui->statusText().trimmed().endsWith(statusLine(State().text.Slabel_VKA)),
                             ReplyTimeoutMs);
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    QCOMPARE(ui->messages().size(), 1);
}

QTEST_MAIN(TestE2eSystem)
#include "tst_e2e_system.moc"
