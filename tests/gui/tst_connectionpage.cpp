// The connection page: its texts and fixed lists, the local address list, opening and closing the TCP link
// against a server on 127.0.0.1 and the serial link on a pseudo-terminal, the failures that bring it back to
// idle, and the status box.

#include "core/LoopbackPeer.h"
#include "core/PtyPair.h"
#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "link/LinkChannel.h"
#include "link/ServiceSerialPort.h"
#include "link/ServiceTcpClient.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/Catalogue.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/MyComboBox.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTextBlock>
#include <QThread>
#include <QtTest>

#include <memory>

class TestConnectionPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void initialTexts();
    void initialLists();
    void laterReload_data();
    void laterReload();
    void networkValidationFailure_data();
    void networkValidationFailure();
    void noLocalAddress();
    void localAddressList();
    void tcpConnectAndDisconnect();
    void tcpConnectRefused();
    void disconnectBeforeTheConnectStatus();
    void connectRequestOfAClosedLinkIsDropped();
    void staleReports_data();
    void staleReports();
    void tcpLinkLostAndNotRestored();
    void destroyingThePageClosesTheLink();
    void serialSettingsAndOpenFailure_data();
    void serialSettingsAndOpenFailure();
    void serialPortLost();
    void portLostWithoutSerialLink();
    void statusText();
    void statusBoxKeepsTheNewest400Lines();
    void statusPicture();

private:
    void useLoopbackDevice(quint16 port);
    QList<QWidget *> settingWidgets() const;
    void verifyIdle();

    std::unique_ptr<TestAppDir> appDir;
    std::unique_ptr<Ui_Uart_Network> page;
};

namespace {
constexpr int WaitMs = 10000;
const QString Connect = QStringLiteral("Connect");
const QString Disconnect = QStringLiteral("Disconnect");
const QString ParamFail = QStringLiteral("Network Info error!!!please check it!");
const QString NetworkFail = QStringLiteral("please check your local ip config information!Error Code:");
const QString SerialFail = QStringLiteral("Serial Port Connect Failed!Error Code:");
const QString ReconnectFail = QStringLiteral("Network connect error,please reconnect network!!!");

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

void drainQueues()
{
    takeQueuedRequests(TcpChannel());
    takeQueuedRequests(SerialChannel());
}

// The page as a TCP connect leaves it, without a transport thread running.
void openWithoutTransport(Ui_Uart_Network *page)
{
    State().LinkType = LinkTcpClient;
    page->networkConnectButton->setText(State().text.S_ConnectDisconnect[1]);
    page->serialConnectButton->setEnabled(false);
    page->UpdateLinkInputsEnabled(true);
}

bool stopThread(QThread &thread)
{
    thread.quit();
    return thread.wait(WaitMs);
}
} // namespace

void TestConnectionPage::init()
{
    appDir = std::make_unique<TestAppDir>();
    appDir->installDataTree();
    MessageBoxSeam::reset();
    MessageBoxSeam::activate();
    drainQueues();
    page = std::make_unique<Ui_Uart_Network>();
    page->resize(1200, 600);
    // The main window relays the page's send request to both transports; this test stands in for it.
    connect(page.get(), &Ui_Uart_Network::SGL_UpdateEmit, &TcpService(),
            &ServiceTcpClient::SLT_RealSendData_TcpClient);
    connect(page.get(), &Ui_Uart_Network::SGL_UpdateEmit, &SerialService(),
            &ServiceSerialPort::SLT_RealSendData_SerialPort);
}

void TestConnectionPage::cleanup()
{
    page.reset();
    QVERIFY(stopThread(TcpThread()));
    QVERIFY(stopThread(SerialThread()));
    drainQueues();
    MessageBoxSeam::reset();
    appDir.reset();
}

QList<QWidget *> TestConnectionPage::settingWidgets() const
{
    // The (hidden) PC port edit is left out: it starts disabled, although closing a link enables it.
    return {page->portBox,  page->baudBox,     page->ipEdit,    page->portEdit,
            page->maskEdit, page->gatewayEdit, page->localIpBox};
}

void TestConnectionPage::verifyIdle()
{
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QCOMPARE(page->serialConnectButton->text(), Connect);
    QCOMPARE(page->networkConnectButton->text(), Connect);
    QVERIFY(page->serialConnectButton->isEnabled());
    QVERIFY(page->networkConnectButton->isEnabled());
    for (QWidget *widget : settingWidgets())
        QVERIFY2(widget->isEnabled(), widget->metaObject()->className());
    QVERIFY(!page->statusOk);
}

void TestConnectionPage::useLoopbackDevice(quint16 port)
{
    page->ipEdit->setText(QStringLiteral("127.0.0.1"));
    page->portEdit->setText(QString::number(port));
    page->maskEdit->setText(QStringLiteral("255.0.0.0"));
    page->gatewayEdit->setText(QStringLiteral("127.0.0.1"));
    // Opening the popup re-reads the local addresses for the device address now typed.
    emit page->localIpBox->SGL_Auto_UpdateComboBox();
}

void TestConnectionPage::initialTexts()
{
    QStringList labels;
    for (const QLabel *label : page->findChildren<QLabel *>()) {
        if (!label->text().isEmpty())
            labels << label->text();
    }
    const QStringList expected = {
        "Uart:", "Baudrate:", "DataBit:", "Parity:",  "StopBit:", "FlowControl:", "Network:",
        "IP:",   "Port:",     "SubMask:", "Gateway:", "PC IP:",   "PC Port:"};
    for (const QString &text : expected)
        QVERIFY2(labels.contains(text), qPrintable(text));
    QStringList groups;
    for (const QGroupBox *group : page->findChildren<QGroupBox *>())
        groups << group->title();
    groups.sort();
    QCOMPARE(groups, (QStringList{"Network", "PC Network Info", "RS232", "Status"}));
    QCOMPARE(page->serialConnectButton->text(), Connect);
    QCOMPARE(page->networkConnectButton->text(), Connect);
    QCOMPARE(page->clearButton->text(), QStringLiteral("Clear"));

    // The edits show the device's settings; the PC port is fixed, disabled and hidden with its label.
    QCOMPARE(page->ipEdit->text(), QStringLiteral("192.168.0.247"));
    QCOMPARE(page->portEdit->text(), QStringLiteral("2000"));
    QCOMPARE(page->maskEdit->text(), QStringLiteral("255.255.255.0"));
    QCOMPARE(page->gatewayEdit->text(), QStringLiteral("192.168.0.1"));
    QCOMPARE(page->pcPortEdit->text(), QStringLiteral("1001"));
    QVERIFY(!page->pcPortEdit->isEnabled());
    QVERIFY(page->pcPortEdit->isHidden());
    for (const QLabel *label : page->findChildren<QLabel *>()) {
        if (label->text() == QLatin1String("PC Port:"))
            QVERIFY(label->isHidden());
    }
    QVERIFY(!page->statusOk);
    QVERIFY(!page->statusPicture->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(page->portBox->count(), 0);
    QCOMPARE(page->contentsMargins(), QMargins(6, 0, 6, 0));
    QCOMPARE(page->orientation(), Qt::Vertical);
}

void TestConnectionPage::initialLists()
{
    struct Fixed
    {
        QComboBox *box;
        QStringList items;
        int index;
        bool enabled;
    };
    const QList<Fixed> fixed = {
        {page->baudBox, {"9600", "19200", "38400", "57600", "115200"}, 0, true},
        {page->dataBitsBox, {"5", "6", "7", "8"}, 3, false},
        {page->parityBox, {"None", "Even", "Odd", "Space", "Mark"}, 0, false},
        {page->stopBitsBox, {"1", "1.5", "2"}, 0, false},
        {page->flowControlBox, {"None", "Hardware", "Software"}, 0, false},
        {page->networkModeBox, {"TCP-Client", "TCP-Server", "UDP"}, 1, false},
    };
    for (const Fixed &box : fixed) {
        QCOMPARE(itemsOf(box.box), box.items);
        QCOMPARE(box.box->currentIndex(), box.index);
        QCOMPARE(box.box->isEnabled(), box.enabled);
    }
    QVERIFY(page->statusText->isReadOnly());
    QCOMPARE(page->statusText->wordWrapMode(), QTextOption::WrapAnywhere);
    QCOMPARE(page->statusText->maximumBlockCount(), 400);
}

void TestConnectionPage::laterReload_data()
{
    QTest::addColumn<quint32>("linkType");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<QString>("serialText");
    QTest::addColumn<QString>("networkText");

    QTest::newRow("no link") << quint32(LinkNone) << "57600" << 3 << Connect << Connect;
    QTest::newRow("serial link") << quint32(LinkSerial) << "115200" << 4 << Disconnect << Connect;
    QTest::newRow("TCP link") << quint32(LinkTcpClient) << "19200" << 1 << Connect << Disconnect;
    QTest::newRow("baud rate not in the list") << quint32(LinkNone) << "1234" << 2 << Connect << Connect;
}

void TestConnectionPage::laterReload()
{
    QFETCH(quint32, linkType);
    QFETCH(QString, baud);
    QFETCH(int, baudIndex);
    QFETCH(QString, serialText);
    QFETCH(QString, networkText);

    page->baudBox->setCurrentIndex(2);
    page->portBox->addItem(QStringLiteral("ttyUSB0"));
    page->portBox->addItem(QStringLiteral("ttyUSB1"));
    page->AppendStatusText(QStringLiteral("kept"));
    ConfigValues &c = State().config;
    c.SP_Name = QStringLiteral("ttyS7");
    c.SP_BaudRate = baud;
    c.SP_RemoteIp = QStringLiteral("10.1.2.3");
    c.SP_RemotePort = QStringLiteral("4001");
    c.SP_RemoteSubmask = QStringLiteral("255.255.0.0");
    c.SP_RemoteGateway = QStringLiteral("10.1.0.1");
    State().LinkType = linkType;

    page->ReloadUIText(false, true);

    QCOMPARE(itemsOf(page->portBox), QStringList{"ttyS7"});
    QCOMPARE(page->baudBox->currentIndex(), baudIndex);
    QCOMPARE(page->serialConnectButton->text(), serialText);
    QCOMPARE(page->networkConnectButton->text(), networkText);
    QCOMPARE(page->ipEdit->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(page->portEdit->text(), QStringLiteral("4001"));
    QCOMPARE(page->maskEdit->text(), QStringLiteral("255.255.0.0"));
    QCOMPARE(page->gatewayEdit->text(), QStringLiteral("10.1.0.1"));
    QCOMPARE(page->pcPortEdit->text(), QStringLiteral("1001"));
    // The fixed lists and the status box are left as they are.
    QCOMPARE(page->dataBitsBox->currentIndex(), 3);
    QCOMPARE(page->networkModeBox->currentIndex(), 1);
    QCOMPARE(page->statusText->toPlainText(), QStringLiteral("kept\n"));
    State().LinkType = LinkNone;
}

void TestConnectionPage::networkValidationFailure_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gateway");

    QTest::newRow("port 65535") << "127.0.0.1"
                                << "65535"
                                << "255.0.0.0"
                                << "127.0.0.1";
    QTest::newRow("port 0") << "127.0.0.1"
                            << "0"
                            << "255.0.0.0"
                            << "127.0.0.1";
    QTest::newRow("empty port") << "127.0.0.1"
                                << ""
                                << "255.0.0.0"
                                << "127.0.0.1";
    QTest::newRow("two dots") << "127.0.1"
                              << "2000"
                              << "255.0.0.0"
                              << "127.0.0.1";
    QTest::newRow("field above 255") << "127.0.0.256"
                                     << "2000"
                                     << "255.0.0.0"
                                     << "127.0.0.1";
    QTest::newRow("bad mask") << "127.0.0.1"
                              << "2000"
                              << "255.0.0"
                              << "127.0.0.1";
    QTest::newRow("empty gateway") << "127.0.0.1"
                                   << "2000"
                                   << "255.0.0.0"
                                   << "";
}

void TestConnectionPage::networkValidationFailure()
{
    QFETCH(QString, ip);
    QFETCH(QString, port);
    QFETCH(QString, mask);
    QFETCH(QString, gateway);

    page->ipEdit->setText(ip);
    page->portEdit->setText(port);
    page->maskEdit->setText(mask);
    page->gatewayEdit->setText(gateway);
    emit page->localIpBox->SGL_Auto_UpdateComboBox();
    QSignalSpy connectRequests(page.get(), &Ui_Uart_Network::SGL_PretendConnect_TcpClient);

    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);

    QCOMPARE(MessageBoxSeam::texts(), QStringList{ParamFail});
    QCOMPARE(connectRequests.count(), 0);
    QVERIFY(!TcpThread().isRunning());
    verifyIdle();
    // Nothing is taken over from the refused edits.
    QCOMPARE(State().config.SP_RemoteIp, QStringLiteral("192.168.0.247"));
    QCOMPARE(State().config.SP_RemotePort, QStringLiteral("2000"));
    // With the link type back at 0, a page command queues nothing.
    GetOutHdcp();
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
}

void TestConnectionPage::noLocalAddress()
{
    useLoopbackDevice(2000);
    page->localIpBox->clear();
    QSignalSpy connectRequests(page.get(), &Ui_Uart_Network::SGL_PretendConnect_TcpClient);

    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);

    QCOMPARE(MessageBoxSeam::texts(), QStringList{NetworkFail});
    QCOMPARE(connectRequests.count(), 0);
    QVERIFY(!TcpThread().isRunning());
    verifyIdle();
    QCOMPARE(State().config.SP_RemoteIp, QStringLiteral("192.168.0.247"));
}

void TestConnectionPage::localAddressList()
{
    // The device on this machine: the loopback interface's address is offered.
    useLoopbackDevice(2000);
    const QStringList loopbackItems = itemsOf(page->localIpBox);
    QVERIFY2(!loopbackItems.filter(QRegularExpression(QStringLiteral("^127\\.0\\.0\\.1<.+>$"))).isEmpty(),
             qPrintable(loopbackItems.join(' ')));
    for (const QString &item : loopbackItems)
        QVERIFY2(item.startsWith(QStringLiteral("127.")), qPrintable(item));

    // A device elsewhere never gets the loopback address offered.
    page->ipEdit->setText(QStringLiteral("192.168.0.247"));
    page->maskEdit->setText(QStringLiteral("255.255.255.0"));
    emit page->localIpBox->SGL_Auto_UpdateComboBox();
    const QStringList lanItems = itemsOf(page->localIpBox);
    for (const QString &item : lanItems) {
        QVERIFY2(!item.startsWith(QStringLiteral("127.")), qPrintable(item));
        QVERIFY2(QRegularExpression(QStringLiteral("^192\\.168\\.0\\.\\d+<.+>$")).match(item).hasMatch(),
                 qPrintable(item));
    }

    // A device address that no interface can share.
    page->ipEdit->setText(QStringLiteral("192.0.2.1"));
    page->maskEdit->setText(QStringLiteral("255.255.255.255"));
    emit page->localIpBox->SGL_Auto_UpdateComboBox();
    QCOMPARE(page->localIpBox->count(), 0);
}

void TestConnectionPage::tcpConnectAndDisconnect()
{
    LoopbackPeer device;
    QVERIFY(device.isListening());
    useLoopbackDevice(device.port());
    QSignalSpy connectRequests(page.get(), &Ui_Uart_Network::SGL_PretendConnect_TcpClient);

    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);

    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    QCOMPARE(page->networkConnectButton->text(), Disconnect);
    QVERIFY(!page->serialConnectButton->isEnabled());
    for (QWidget *widget : settingWidgets())
        QVERIFY(!widget->isEnabled());
    QVERIFY(!page->pcPortEdit->isEnabled());
    QVERIFY(TcpThread().isRunning());
    QCOMPARE(connectRequests.count(), 1);
    QCOMPARE(connectRequests.first().at(0).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(connectRequests.first().at(1).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(connectRequests.first().at(2).toString(), QString::number(device.port()));
    QCOMPARE(State().config.SP_RemoteIp, QStringLiteral("127.0.0.1"));
    QCOMPARE(State().config.SP_RemotePort, QString::number(device.port()));
    QCOMPARE(State().config.SP_RemoteSubmask, QStringLiteral("255.0.0.0"));
    QCOMPARE(State().config.SP_RemoteGateway, QStringLiteral("127.0.0.1"));

    // The connect status makes the page ask for the model.
    QVERIFY(device.waitForCommands(1, WaitMs));
    QCOMPARE(device.commandTexts().first(), QByteArray("GET MODEL TYPE\r"));
    QCOMPARE(device.clientAddress(), QHostAddress(QHostAddress::LocalHost));
    QVERIFY(MessageBoxSeam::texts().isEmpty());
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    for (QWidget *widget : settingWidgets())
        QVERIFY(!widget->isEnabled());

    State().ModelIdentified = true;
    page->SetStatusImage(true);
    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);
    QVERIFY(!TcpThread().isRunning());
    verifyIdle();
    QVERIFY(!State().ModelIdentified);
    QVERIFY(device.waitForHangUp(WaitMs));
    QVERIFY(MessageBoxSeam::texts().isEmpty());
}

void TestConnectionPage::tcpConnectRefused()
{
    quint16 closedPort = 0;
    {
        LoopbackPeer gone;
        QVERIFY(gone.isListening());
        closedPort = gone.port();
    }
    useLoopbackDevice(closedPort);
    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);
    QCOMPARE(page->networkConnectButton->text(), Disconnect);

    QTRY_COMPARE_WITH_TIMEOUT(MessageBoxSeam::texts(), QStringList{NetworkFail + QStringLiteral("5")},
                              WaitMs);
    verifyIdle();
    QVERIFY(!TcpThread().isRunning());
    QVERIFY(!State().ModelIdentified);
}

void TestConnectionPage::disconnectBeforeTheConnectStatus()
{
    // The operator closes the link before the transport reported the connect: a late report must neither
    // lock the settings of the idle page nor ask the device of a closed link anything.
    LoopbackPeer device;
    useLoopbackDevice(device.port());
    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);
    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);
    QVERIFY(!TcpThread().isRunning());
    // Whatever the stopped thread reported is waiting in this thread's queue by now.
    QCoreApplication::sendPostedEvents();
    verifyIdle();
    QVERIFY(MessageBoxSeam::texts().isEmpty());
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
}

void TestConnectionPage::connectRequestOfAClosedLinkIsDropped()
{
    // A connect request that the transport's thread never got to, because the link was closed at once,
    // does not run when the next link is opened.
    LoopbackPeer device;
    useLoopbackDevice(device.port());
    openWithoutTransport(page.get());
    emit page->SGL_PretendConnect_TcpClient(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1"),
                                            QString::number(device.port()));
    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);
    verifyIdle();

    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);
    QVERIFY(device.waitForCommands(1, WaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(!page->ipEdit->isEnabled(), WaitMs);
    QVERIFY(!device.waitForCommands(2, 1500));
    QCOMPARE(device.commandTexts(), QList<QByteArray>{"GET MODEL TYPE\r"});
    QCOMPARE(device.connectionCount(), 1);
    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);
    verifyIdle();
}

void TestConnectionPage::staleReports_data()
{
    QTest::addColumn<quint32>("activeLink");
    QTest::addColumn<QString>("report");

    QTest::newRow("TCP connected after the link was closed") << quint32(LinkNone) << "tcp ok";
    QTest::newRow("TCP failed after the link was closed") << quint32(LinkNone) << "tcp failed";
    QTest::newRow("TCP failed while a serial link is open") << quint32(LinkSerial) << "tcp failed";
    QTest::newRow("TCP connected while a serial link is open") << quint32(LinkSerial) << "tcp ok";
    QTest::newRow("TCP not restored while a serial link is open") << quint32(LinkSerial) << "tcp lost";
    QTest::newRow("serial opened after the link was closed") << quint32(LinkNone) << "serial ok";
    QTest::newRow("serial failed while a TCP link is open") << quint32(LinkTcpClient) << "serial failed";
}

void TestConnectionPage::staleReports()
{
    QFETCH(quint32, activeLink);
    QFETCH(QString, report);

    const LanguageTexts &t = State().text;
    State().LinkType = activeLink;
    if (activeLink != LinkNone) {
        const bool serial = activeLink == LinkSerial;
        page->serialConnectButton->setText(t.S_ConnectDisconnect[serial ? 1 : 0]);
        page->networkConnectButton->setText(t.S_ConnectDisconnect[serial ? 0 : 1]);
        (serial ? page->networkConnectButton : page->serialConnectButton)->setEnabled(false);
        page->UpdateLinkInputsEnabled(true);
        page->SetStatusImage(true);
    }
    const QString serialText = page->serialConnectButton->text();
    const QString networkText = page->networkConnectButton->text();

    if (report == QLatin1String("tcp ok"))
        page->SLT_ConnectStatus_TcpClient(true, 0);
    else if (report == QLatin1String("tcp failed"))
        page->SLT_ConnectStatus_TcpClient(false, 5);
    else if (report == QLatin1String("tcp lost"))
        page->SLT_ReConnectStatus_TcpClient(false);
    else if (report == QLatin1String("serial ok"))
        page->SLT_ConnectStatus_SerialPort(true, 0);
    else
        page->SLT_ConnectStatus_SerialPort(false, 3);

    QCOMPARE(State().LinkType, activeLink);
    QVERIFY(MessageBoxSeam::texts().isEmpty());
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
    QVERIFY(takeQueuedRequests(SerialChannel()).isEmpty());
    QCOMPARE(page->serialConnectButton->text(), serialText);
    QCOMPARE(page->networkConnectButton->text(), networkText);
    if (activeLink == LinkNone) {
        verifyIdle();
    } else {
        for (QWidget *widget : settingWidgets())
            QVERIFY(!widget->isEnabled());
        QVERIFY(page->statusOk);
    }
    State().LinkType = LinkNone;
}

void TestConnectionPage::tcpLinkLostAndNotRestored()
{
    LoopbackPeer device;
    useLoopbackDevice(device.port());
    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);
    QVERIFY(device.waitForCommands(1, WaitMs));
    device.reply("MODEL TYPE RKA204QE\r");

    // The device goes away for good; the next command finds the link broken and cannot restore it.
    device.stopListening();
    QTRY_VERIFY_WITH_TIMEOUT(!device.hasConnection(), WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            GetOutHdcp();
            emit page->SGL_UpdateEmit();
            return !MessageBoxSeam::texts().isEmpty();
        }(),
        WaitMs);

    QCOMPARE(MessageBoxSeam::texts(), QStringList{ReconnectFail});
    verifyIdle();
    QVERIFY(!TcpThread().isRunning());
}

void TestConnectionPage::destroyingThePageClosesTheLink()
{
    LoopbackPeer device;
    useLoopbackDevice(device.port());
    QTest::mouseClick(page->networkConnectButton, Qt::LeftButton);
    QVERIFY(device.waitForCommands(1, WaitMs));
    page.reset();
    QVERIFY(!TcpThread().isRunning());
    QVERIFY(device.waitForHangUp(WaitMs));
}

void TestConnectionPage::serialSettingsAndOpenFailure_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("flow");
    QTest::addColumn<QStringList>("stored"); // SP_BaudRate, SP_DataBit, SP_Parity, SP_StopBit, SP_FlowControl

    QTest::newRow("fixed line format") << 0 << 3 << 0 << 0 << 0 << QStringList{"9600", "8", "0", "1", "0"};
    QTest::newRow("5 bits, even, 1.5 stop, hardware")
        << 4 << 0 << 1 << 1 << 1 << QStringList{"115200", "5", "2", "3", "1"};
    QTest::newRow("6 bits, odd, 2 stop, software")
        << 1 << 1 << 2 << 2 << 2 << QStringList{"19200", "6", "3", "2", "2"};
    QTest::newRow("7 bits, space") << 2 << 2 << 3 << 0 << 0 << QStringList{"38400", "7", "4", "1", "0"};
    QTest::newRow("mark") << 3 << 3 << 4 << 0 << 0 << QStringList{"57600", "8", "5", "1", "0"};
}

void TestConnectionPage::serialSettingsAndOpenFailure()
{
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, flow);
    QFETCH(QStringList, stored);

    const QString missingPort = appDir->file(QStringLiteral("/no-such-tty"));
    page->portBox->setEditText(missingPort);
    page->baudBox->setCurrentIndex(baud);
    page->dataBitsBox->setCurrentIndex(dataBits);
    page->parityBox->setCurrentIndex(parity);
    page->stopBitsBox->setCurrentIndex(stopBits);
    page->flowControlBox->setCurrentIndex(flow);
    QSignalSpy connectRequests(page.get(), &Ui_Uart_Network::SGL_PretendConnect_SerialPort);

    QTest::mouseClick(page->serialConnectButton, Qt::LeftButton);

    const ConfigValues &c = State().config;
    QCOMPARE(c.SP_Name, missingPort);
    QCOMPARE((QStringList{c.SP_BaudRate, c.SP_DataBit, c.SP_Parity, c.SP_StopBit, c.SP_FlowControl}), stored);
    QCOMPARE(connectRequests.count(), 1);
    QStringList sent;
    for (const QVariant &argument : connectRequests.first())
        sent << argument.toString();
    QCOMPARE(sent, QStringList{missingPort} + stored);
    QCOMPARE(State().LinkType, quint32(LinkSerial));
    QCOMPARE(page->serialConnectButton->text(), Disconnect);
    QVERIFY(!page->networkConnectButton->isEnabled());

    // The port cannot be opened: code 3, back to idle.
    QTRY_COMPARE_WITH_TIMEOUT(MessageBoxSeam::texts(), QStringList{SerialFail + QStringLiteral("3")}, WaitMs);
    verifyIdle();
    QVERIFY(!SerialThread().isRunning());
}

void TestConnectionPage::serialPortLost()
{
    PtyPair device;
    QVERIFY(device.isValid());
    page->portBox->setEditText(device.slavePath());
    QTest::mouseClick(page->serialConnectButton, Qt::LeftButton);
    QVERIFY(device.waitForCommands(1, WaitMs));
    QCOMPARE(device.commandTexts().first(), QByteArray("GET MODEL TYPE\r"));
    QCOMPARE(State().LinkType, quint32(LinkSerial));
    QVERIFY(MessageBoxSeam::texts().isEmpty());
    State().ModelIdentified = true;

    device.closeFarSide();

    QTRY_COMPARE_WITH_TIMEOUT(MessageBoxSeam::texts().size(), 1, WaitMs);
    const QString message = MessageBoxSeam::texts().first();
    QVERIFY2(message == SerialFail + QString::number(QSerialPort::ReadError) ||
                 message == SerialFail + QString::number(QSerialPort::ResourceError),
             qPrintable(message));
    verifyIdle();
    QVERIFY(!State().ModelIdentified);
    QVERIFY(!SerialThread().isRunning());
}

void TestConnectionPage::portLostWithoutSerialLink()
{
    // A late report after the operator closed the link changes nothing.
    page->SLT_PortLost_SerialPort(QSerialPort::ResourceError);
    QVERIFY(MessageBoxSeam::texts().isEmpty());
    verifyIdle();
}

void TestConnectionPage::statusText()
{
    page->AppendStatusText(QStringLiteral("Sync HDCP: Message."));
    // The operator may have put the cursor anywhere: new text still goes to the end.
    QTextCursor cursor = page->statusText->textCursor();
    cursor.movePosition(QTextCursor::Start);
    page->statusText->setTextCursor(cursor);
    page->AppendStatusText(QStringLiteral("\r\n->Sync Over!<-"));
    QCOMPARE(page->statusText->toPlainText(), QStringLiteral("Sync HDCP: Message.\n\n->Sync Over!<-\n"));
    QCOMPARE(page->statusText->blockCount(), 4);

    QTest::mouseClick(page->clearButton, Qt::LeftButton);
    QVERIFY(page->statusText->toPlainText().isEmpty());
}

void TestConnectionPage::statusBoxKeepsTheNewest400Lines()
{
    for (int i = 0; i < 450; ++i)
        page->AppendStatusText(QStringLiteral("line %1").arg(i));
    QVERIFY(page->statusText->blockCount() <= 400);
    QVERIFY(page->statusText->blockCount() >= 399);
    const QStringList lines = page->statusText->toPlainText().split('\n');
    QVERIFY(lines.contains(QStringLiteral("line 449")));
    QVERIFY(lines.contains(QStringLiteral("line 60")));
    QVERIFY(!lines.contains(QStringLiteral("line 0")));
    QVERIFY(!lines.contains(QStringLiteral("line 49")));
}

void TestConnectionPage::statusPicture()
{
    page->SetStatusImage(true);
    QVERIFY(page->statusOk);
    QVERIFY(!page->statusPicture->pixmap(Qt::ReturnByValue).isNull());
    const QImage success = page->statusPicture->pixmap(Qt::ReturnByValue).toImage();
    page->SetStatusImage(false);
    QVERIFY(!page->statusOk);
    QVERIFY(!page->statusPicture->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(page->statusPicture->pixmap(Qt::ReturnByValue).toImage() != success);
}

QTEST_MAIN(TestConnectionPage)
#include "tst_connectionpage.moc"
