// The pages of the real main window without a device: what an operator's action puts on the wire where the
// page decides alone (limits, confirmations, coupled choices, EDID checks), what reply lines change on the
// pages, and how the connection page checks its settings and reports a failed link.

#include "core/RequestRecorder.h"
#include "core/TestProcess.h"
#include "gui/MainWindowDriver.h"

#include "session/LinkSession.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/MyComboBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTest>
#include <QVariantList>
#include <QWidget>

#include <memory>

using Look = QVariantList (*)(Ui_Main *w);
Q_DECLARE_METATYPE(Look)
// What the pages show, e.g. LOOK(out->hdcpCombo->currentIndex(), au->commonVolumeField->text()).
#define LOOK(...)                                                                                            \
    [](Ui_Main *w) {                                                                                         \
        [[maybe_unused]] const auto *out = w->outputPage;                                                    \
        [[maybe_unused]] const auto *mv = w->multiviewPage;                                                  \
        [[maybe_unused]] const auto *au = w->audioPage;                                                      \
        return QVariantList{__VA_ARGS__};                                                                    \
    }

namespace {

constexpr int NotAsked = -1, No = 0, Yes = 1; // answers to a confirmation

const QByteArray PipSync = "MULTIVIEW-SYNC PIP HDMI1 HDMI2 NULL NULL RightBottom SMALL\r";
const QByteArray PipUserSync = "MULTIVIEW-SYNC PIP HDMI1 HDMI2 NULL NULL USER USER\r";
const QByteArray SingleSync = "MULTIVIEW-SYNC SINGLE HDMI2 NULL NULL NULL 1920x1080p60 OFF\r";

QByteArray edidBlock(int extensions, bool header = true, bool checksum = true)
{
    QByteArray block = (header ? QByteArray::fromHex("00FFFFFFFFFFFF00") : QByteArray(8, '\1')) +
                       QByteArray(118, '\7') + char(extensions) + '\0';
    int sum = 0;
    for (const char byte : block)
        sum += uchar(byte);
    block[127] = char((256 - sum % 256 + (checksum ? 0 : 1)) % 256);
    return block;
}

// Chooses a file holding `bytes` for the user EDID and presses its write button.
bool writeEdid(MainWindowDriver &d, const QByteArray &bytes)
{
    d.appDir.writeFile(QStringLiteral("/edid/monitor.bin"), bytes);
    FileChooserSeam::pushChosenPath(d.appDir.file(QStringLiteral("/edid/monitor.bin")));
    return d.click(d.window()->systemPage->loadButton) && d.click(d.window()->systemPage->edidWriteButton);
}

bool marked(const QWidget *widget)
{
    return widget->property("changedOnDevice").toBool();
}

QByteArray edidRequest(const QByteArray &image)
{
    return "SET EDID-USER " + image.toHex(' ').toUpper() + '\r';
}

// The connection page with link `link` (0 none) open or opening: only that link's button, which offers to
// disconnect, and locked settings; without a link both buttons connect and the settings can be edited. The
// fixed line format and network mode never can.
void verifyLinkState(const Ui_Uart_Network *p, quint32 link)
{
    QCOMPARE(State().LinkType, link);
    QCOMPARE(p->serialConnectButton->text(), link == LinkSerial ? "Disconnect" : "Connect");
    QCOMPARE(p->networkConnectButton->text(), link == LinkTcpClient ? "Disconnect" : "Connect");
    QCOMPARE(p->serialConnectButton->isEnabled(), link != LinkTcpClient);
    QCOMPARE(p->networkConnectButton->isEnabled(), link != LinkSerial);
    for (QWidget *input : QList<QWidget *>{p->portBox, p->baudBox, p->ipEdit, p->portEdit, p->maskEdit,
                                           p->gatewayEdit, p->localIpBox})
        QCOMPARE(input->isEnabled(), link == LinkNone);
    for (QWidget *fixed :
         {p->dataBitsBox, p->parityBox, p->stopBitsBox, p->flowControlBox, p->networkModeBox})
        QVERIFY(!fixed->isEnabled());
    QVERIFY(link != LinkNone || !p->statusOk);
}

} // namespace

class TestPages : public QObject
{
    Q_OBJECT

private slots:
    void init() { driver = std::make_unique<MainWindowDriver>(); }
    void cleanup() { driver.reset(); }

    void actionSendsRequest_data();
    void actionSendsRequest();
    void replyShowsOnPages_data();
    void replyShowsOnPages();
    void connectionPageChecksAndReports_data();
    void connectionPageChecksAndReports();
    void linkHeldByGateway();

private:
    Ui_Main *w() const { return driver->window(); }
    std::unique_ptr<MainWindowDriver> driver;
};

void TestPages::actionSendsRequest_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<QByteArrayList>("replies"); // what the device reported before
    QTest::addColumn<int>("answer");             // to the confirmation
    QTest::addColumn<Act>("act");
    QTest::addColumn<QByteArrayList>("sent");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<Act>("after"); // what the page shows then
    const auto add = [](const char *name, quint8 model, Act act, const QByteArrayList &sent,
                        const QByteArrayList &replies = {}, Act after = nullptr, int answer = NotAsked,
                        const QStringList &messages = {}) {
        QTest::newRow(name) << model << replies << answer << act << sent << messages << after;
    };
    const quint8 rka = ModelRKA204QE;
    const quint8 tn = ModelTN386;

    add("resolution USER: the user timing follows the answer", rka, ACT(d.choose(out->resolutionCombo, 15)),
        {"SET OUT RESOLUTION USER\r"}, {"OUT RESOLUTION 1920x1080p60\r"}, ACT(out->widthField->isHidden()));
    add("user timing 0 x 720", rka,
        ACT(d.type(out->widthField, "0") && d.type(out->heightField, "720") && d.click(out->userWriteButton)),
        {"SET RESO-USER 0 720\r"});
    // An empty field is no number: nothing is written rather than a width of 0.
    add("user timing without width", rka, ACT(d.type(out->widthField, "") && d.click(out->userWriteButton)),
        {});
    add("mode button: the mode follows the answer", rka, ACT(d.click(mv->modeButtons.at(ModePip))),
        {"SET MULTIVIEW PIP\r"}, {SingleSync}, ACT(mv->modeButtons.at(ModeSingle)->isFlat()));
    add("PIP position USER makes the size USER", rka, ACT(d.choose(mv->positionCombo, 4)),
        {"SET PIP POS USER\r"}, {PipSync}, ACT(mv->sizeCombo->currentIndex() == 3));
    add("PIP size USER makes the position USER", rka, ACT(d.choose(mv->sizeCombo, 3)),
        {"SET PIP SIZE USER\r"}, {PipSync}, ACT(mv->positionCombo->currentIndex() == 4));
    add("leaving position USER makes the size LARGE", rka, ACT(d.choose(mv->positionCombo, 1)),
        {"SET PIP POS RightTop\r"}, {PipUserSync}, ACT(mv->sizeCombo->currentIndex() == 2));
    add("window source: the mark follows the answer", rka, ACT(d.click(mv->sources->sourceButtons.at(9 + 4))),
        {"SET WINDOW2 IN USB-C\r"}, {PipSync}, ACT(flatSource(mv, 1) == 1));
    add("scene saved under a new name", rka,
        ACT(d.type(mv->layouts->nameField, "Studio") && d.choose(mv->layouts->saveCombo, 2)),
        {"SET SAVE SCENE 3\r"}, {},
        ACT(mv->layouts->loadCombo->itemText(2) == "Studio" &&
            mv->layouts->saveCombo->itemText(2) == "Studio" && mv->layouts->nameField->text().isEmpty()),
        Yes, {"Save Confirm?"});
    add("scene save declined", rka,
        ACT(d.type(mv->layouts->nameField, "Studio") && d.choose(mv->layouts->saveCombo, 2)), {}, {},
        ACT(mv->layouts->loadCombo->itemText(2) == "Layout-3"), No, {"Save Confirm?"});
    // Input names live in the tool only; the audio page lists a new name at once.
    add("input renamed", rka,
        ACT((QTest::mouseDClick(mv->sources->sourceLabels.at(2), Qt::LeftButton),
             d.typeAndEnter(mv->sources->renameField, "Camera"))),
        {}, {},
        ACT(mv->sources->sourceLabels.at(2)->text() == "Camera" &&
            au->commonSourceCombo->itemText(3) == "Camera"));
    add("volume 60 over the TN386 limit", tn, ACT(d.typeAndEnter(au->overallVolumeField, "60")), {});
    // The second microphone's controls, each labelled, act on it alone.
    add("microphone 2", tn,
        ACT(d.typeAndEnter(au->micVolumeField[1], "40") && d.click(au->micVolumeUp[1]) &&
            d.click(au->micVolumeDown[1]) && d.click(au->micOff[1])),
        {"SET MIC2 VOL 40\r", "SET MIC2 VOL+\r", "SET MIC2 VOL-\r", "SET MIC2 ONOFF OFF\r"}, {},
        ACT(au->micVolumeUp[1]->text() == "+" && au->micVolumeDown[1]->text() == "-"));
    add("volume that is no number", rka, ACT(d.typeAndEnter(au->commonVolumeField, "6x")), {});
    add("reset declined", rka, ACT(d.click(sys->resetButton)), {}, {}, nullptr, No,
        {"Confirm to reset the device to factory settings?"});
    add("firmware part clears the version", rka, ACT(d.choose(sys->firmwareCombo, 1)), {"GET SUB-VERSION\r"},
        {"VERSION V1.2\r"}, ACT(sys->versionField->text().isEmpty()));
    add("EDID mode User", rka, ACT(d.choose(sys->edidModeCombo, 18)), {"SET IN EDIDMODE USER\r"});
    const QByteArray zeros(128, '\0');
    add("EDID of one block, padded", rka, ACT(writeEdid(d, edidBlock(0))),
        {edidRequest(edidBlock(0) + zeros)});
    add("EDID with two extensions, second block unchecked", rka,
        ACT(writeEdid(d, edidBlock(2) + edidBlock(0, false, false) + "tail")),
        {edidRequest(edidBlock(2) + edidBlock(0, false, false))});
    add("EDID write before a file is chosen", rka, ACT(d.click(sys->edidWriteButton)), {}, {}, nullptr,
        NotAsked, {"error,please first select your EDID file"});
    add("EDID without header", rka, ACT(writeEdid(d, edidBlock(0, false))), {}, {}, nullptr, NotAsked,
        {"this not is EDID File!"});
    add("EDID with a bad second checksum", rka, ACT(writeEdid(d, edidBlock(1) + edidBlock(0, false, false))),
        {}, {}, nullptr, NotAsked, {"EDID check fail,please check your EDID file!"});
    // A read of the link settings takes the answer over without closing the link (only a write does).
    add("baud rate read keeps the link", rka,
        ACT(d.click(sys->rs232ReadButton) && (d.feed({"BAUDRATE 19200\r"}), true)), {"GET BAUDRATE\r"},
        {"NETWORK-INFO 127.0.0.1 2000 255.0.0.0 127.0.0.1\r"},
        ACT(State().LinkType == LinkTcpClient && sys->baudCombo->currentText() == "19200"));
    add("network settings with port 65535", rka,
        ACT(d.type(sys->portField, "65535") && d.click(sys->networkWriteButton)), {}, {}, nullptr, NotAsked,
        {"Network Info error!!!please check it!"});
}

void TestPages::actionSendsRequest()
{
    QFETCH(quint8, model);
    QFETCH(QByteArrayList, replies);
    QFETCH(int, answer);
    QFETCH(Act, act);
    QFETCH(QByteArrayList, sent);
    QFETCH(QStringList, messages);
    QFETCH(Act, after);
    driver->openLink(LinkTcpClient); // without a transport
    driver->identify(model);
    driver->feed(replies);
    MainWindowDriver::clearMessages();
    if (answer != NotAsked)
        MessageBoxSeam::pushAnswer(answer == Yes);
    RequestRecorder recorder(*w()->session);

    QVERIFY(act(*driver, w()));
    QCOMPARE(recorder.lines(), sent);
    QCOMPARE(MainWindowDriver::messages(), messages);
    QVERIFY(!after || after(*driver, w()));
}

void TestPages::replyShowsOnPages_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<Look>("look");
    QTest::addColumn<QVariantList>("shown");
    QTest::addColumn<QByteArrayList>("sent"); // what the replies make the tool ask
    const auto add = [](const char *name, quint8 model, const QByteArrayList &lines, Look look,
                        const QVariantList &shown, const QByteArrayList &sent = {}) {
        QTest::newRow(name) << model << lines << look << shown << sent;
    };
    const quint8 rka = ModelRKA204QE;
    const QString window2Display = QStringLiteral("Window2 Display:\u2193");
    const QString window1Capture = QStringLiteral("Window1 Capture:\u2193");

    add("user resolution", rka, {"OUT RESOLUTION USER\r", "RESO-USER 1600 900\r"},
        LOOK(out->resolutionCombo->currentIndex(), out->widthField->isHidden(), out->widthField->text(),
             out->heightField->text()),
        {15, false, "1600", "900"}, {"GET RESO-USER\r"});
    add("resolution not in the list", rka, {"OUT RESOLUTION 1920x1080p60\r", "OUT RESOLUTION 800x600\r"},
        LOOK(out->resolutionCombo->currentIndex(), out->widthField->isHidden(),
             w->connectionPage->statusText->toPlainText()),
        {7, true, "Sync Resolution: Message.\nSync Resolution: Message.\n"});
    add("PIP report with a user size", rka, {"MULTIVIEW-SYNC PIP HDMI4 USB-C NULL NULL RightTop USER\r"},
        LOOK(mv->positionCombo->currentIndex(), mv->sizeCombo->currentIndex(), mv->rectangleLabel->isHidden(),
             mv->rectangleLabel->text()),
        {1, 3, false, window2Display}, {"GET PIP USER\r"});
    add("PBP presenter layout", rka,
        {"MULTIVIEW-SYNC PBP HDMI1 HDMI2 NULL NULL FULL 3 3\r", "PBP-PRESENTER 1 2 3 4\r"},
        LOOK(mv->rectangleLabel->text(), mv->hStartField->text(), mv->vSizeField->text()),
        {window1Capture, "1", "4"}, {"GET PBP-PRESENTER\r"});
    add("window sources", rka, {PipSync, "WINDOW2 IN HDMI3\r", "WINDOW1 IN HDMI5\r"},
        LOOK(flatSource(mv, 1), flatSource(mv, 0)), {2, 0});
    add("volume over the TN386 limit", ModelTN386, {"AUDIO VOL 51\r", "MIC2 VOL 33\r"},
        LOOK(au->overallVolumeField->text(), au->micVolumeField[1]->text()), {"", "33"});
    // A change the device made on its own marks the widgets of that value, and only those.
    add("microphone 2 switched on the device", ModelTN386, {"MIC2 ONOFF ON\r", "MIC2 ONOFF OFF\r"},
        LOOK(marked(au->micOn[0]), marked(au->micOff[0]), marked(au->micOn[1]), marked(au->micOff[1])),
        {false, false, true, true});
    // Only the answer that releases an upload confirms it; any other is told as it came.
    add("EDID upload confirmed", rka, {"EDID-USER OK\r"}, LOOK(MainWindowDriver::messages()),
        {QStringList{"EDID Write Success."}});
    add("EDID upload refused", rka, {"EDID-USER ERROR\r"}, LOOK(MainWindowDriver::messages()),
        {QStringList{"The device did not take the EDID. Its answer:ERROR"}});
    add("second model reply", rka, {"MODEL TYPE TN386\r"},
        LOOK(w->session->device().context().CurrentModel, au->commonFrame->isHidden()),
        {ModelRKA204QE, false});
}

void TestPages::replyShowsOnPages()
{
    QFETCH(quint8, model);
    QFETCH(QByteArrayList, lines);
    QFETCH(Look, look);
    QFETCH(QVariantList, shown);
    QFETCH(QByteArrayList, sent);
    driver->openLink(LinkTcpClient); // without a transport
    driver->identify(model);
    RequestRecorder recorder(*w()->session);

    driver->feed(lines);
    QCOMPARE(look(w()), shown);
    QCOMPARE(recorder.lines(), sent);
}

void TestPages::connectionPageChecksAndReports_data()
{
    QTest::addColumn<QStringList>("settings"); // IP, port, mask, gateway; or the serial port alone
    QTest::addColumn<bool>("opens");           // the link is opened (and reported on later)
    QTest::addColumn<QString>("message");

    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString closedPort = QString::number(probe.serverPort());
    probe.close();
    const QString invalid = QStringLiteral("Network Info error!!!please check it!");
    const QString network = QStringLiteral("please check your local ip config information!Error Code:");
    const auto add = [](const char *name, const QStringList &settings, bool opens, const QString &message) {
        QTest::newRow(name) << settings << opens << message;
    };
    add("port 65534", {"127.0.0.1", "65534", "255.0.0.0", "127.0.0.1"}, true, QString());
    add("port 1, empty field", {"127.0.0.1", "1", "255.0.0.0", "127.0..1"}, true, QString());
    add("port 65535", {"127.0.0.1", "65535", "255.0.0.0", "127.0.0.1"}, false, invalid);
    add("port 0", {"127.0.0.1", "0", "255.0.0.0", "127.0.0.1"}, false, invalid);
    add("two dots", {"127.0.1", "2000", "255.0.0.0", "127.0.0.1"}, false, invalid);
    add("field above 255", {"127.0.0.256", "2000", "255.0.0.0", "127.0.0.1"}, false, invalid);
    add("first field above 255", {"256.0.0.1", "2000", "255.0.0.0", "127.0.0.1"}, false, invalid);
    add("no local address in the subnet", {"192.0.2.1", "2000", "255.255.255.255", "192.0.2.254"}, false,
        network);
    // A device that refuses is no matter of the local address; the system says why.
    add("connection refused", {"127.0.0.1", closedPort, "255.0.0.0", "127.0.0.1"}, true,
        "Could not connect to the device, please check its IP address and port!Error Code:5 (Connection "
        "refused)");
    add("serial port missing", {"/no-such-tty"}, true,
        "Serial Port Connect Failed!Error Code:3 (No such file or directory)");
}

void TestPages::connectionPageChecksAndReports()
{
    QFETCH(QStringList, settings);
    QFETCH(bool, opens);
    QFETCH(QString, message);
    Ui_Uart_Network *page = w()->connectionPage;
    const bool serial = settings.size() == 1;
    if (serial) {
        QVERIFY(driver->type(page->portBox->lineEdit(), driver->appDir.file(settings[0])));
        QVERIFY(driver->click(page->serialConnectButton));
    } else {
        QVERIFY(driver->type(page->ipEdit, settings[0]) && driver->type(page->portEdit, settings[1]) &&
                driver->type(page->maskEdit, settings[2]) && driver->type(page->gatewayEdit, settings[3]));
        // Opening the list re-reads the local addresses in the device's subnet: 127.0.0.1 for a device on
        // loopback, none for an address of another subnet or one that is no address.
        const bool onLoopback = QRegularExpression("^127(\\.\\d+){3}$").match(settings[0]).hasMatch();
        QCOMPARE(driver->choose(page->localIpBox, 0), onLoopback);
        QVERIFY(driver->click(page->networkConnectButton));
    }

    if (opens) {
        verifyLinkState(page, serial ? LinkSerial : LinkTcpClient);
        const ConfigValues &c = State().config;
        const QStringList stored{c.SP_RemoteIp, c.SP_RemotePort, c.SP_RemoteSubmask, c.SP_RemoteGateway};
        QVERIFY(serial || stored == settings);
    }
    if (message.isEmpty()) {
        // Disconnected before the result came: the result of the abandoned attempt (a refusal comes within
        // milliseconds on loopback) is never shown.
        QVERIFY(driver->click(page->networkConnectButton));
        QVERIFY(!QTest::qWaitFor([] { return !MainWindowDriver::messages().isEmpty(); }, 1000));
    } else {
        if (!opens)
            QCOMPARE(State().config.SP_RemotePort, QStringLiteral("2000"));
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowDriver::messages(), QStringList{message}, 10000);
    }
    verifyLinkState(page, LinkNone);
}

// A link that a lumaplex-gateway of this computer holds is opened only once the operator agreed; the
// gateway's note of what it holds goes when it ends.
void TestPages::linkHeldByGateway()
{
    QTcpServer device;
    QTcpServer http;
    QVERIFY(device.listen(QHostAddress::LocalHost) && http.listen(QHostAddress::LocalHost));
    const quint16 httpPort = http.serverPort();
    http.close();
    const QString port = QString::number(device.serverPort());
    driver->appDir.writeFile(QStringLiteral("/held.json"),
                             R"({"format": "lumaplex-devices", "version": 1, "devices": [{"name": "Held",
                                 "link": "tcp", "address": "127.0.0.1", "port": )" +
                                 port.toLatin1() + "}]}");
    TestProcess gateway;
    gateway.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-gateway"),
                  {"--devices", driver->appDir.file("/held.json"), "--app-dir", driver->appDir.path(),
                   "--listen", QStringLiteral("127.0.0.1:%1").arg(httpPort)});
    const QString held = driver->appDir.file("/gateway/held-links.json");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(held), 20000);
    Ui_Uart_Network *page = w()->connectionPage;
    QVERIFY(driver->type(page->ipEdit, "127.0.0.1") && driver->type(page->portEdit, port) &&
            driver->type(page->maskEdit, "255.0.0.0") && driver->type(page->gatewayEdit, "127.0.0.1"));
    QVERIFY(driver->choose(page->localIpBox, 0));
    MessageBoxSeam::pushAnswer(false);
    QVERIFY(driver->click(page->networkConnectButton));
    const QString question =
        QStringLiteral("lumaplex-gateway (process %1) on this computer holds tcp 127.0.0.1:%2 open: a serial "
                       "port cannot be shared, and two programs watching one device double its traffic. Open "
                       "it here as well?")
            .arg(gateway.processId())
            .arg(port);
    QCOMPARE(MainWindowDriver::messages(), QStringList{question});
    verifyLinkState(page, LinkNone);
    MessageBoxSeam::pushAnswer(true);
    QVERIFY(driver->click(page->networkConnectButton));
    verifyLinkState(page, LinkTcpClient);
    QVERIFY(driver->click(page->networkConnectButton));
    QVERIFY(gateway.sendSignal(SIGTERM) && gateway.waitForFinished(10000));
    QVERIFY(!QFile::exists(held));
}

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
