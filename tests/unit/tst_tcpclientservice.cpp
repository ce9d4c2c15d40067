// The TCP client transport's own behaviour against servers on the loopback network: connect result and
// time limit, the local address it binds to, the port text, reconnection before a send, and a second
// connect request.

#include "core/LinkFixture.h"
#include "core/LoopbackPeer.h"
#include "link/LinkService.h"
#include "protocol/ReplyRule.h"
#include "link/ServiceTcpClient.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>

namespace {

constexpr int WaitMs = 3000;

LinkEvent lastStatus(LinkFixture &link)
{
    return link.log().eventsOf(LinkEvent::ConnectStatus).last();
}

// A loopback port on which nothing listens.
quint16 closedLoopbackPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class TestTcpClientService : public QObject
{
    Q_OBJECT

private slots:
    // Other parts connect to these by name and parameter names, in this order.
    void declaresItsSignalsAndSlots()
    {
        const QStringList expected{
            "SGL_TryCheckSend()|",
            "SGL_UpdateRecvData_TcpClient()|",
            "SGL_UpdateSendData_TcpClient(QString)|Text",
            "SGL_ConnectStatus_TcpClient(bool,int)|status,ErrorCode",
            "SGL_ReConnectStatus_TcpClient(bool)|status",
            "SGL_WaitReplyTimeout_TcpClient(QString)|cmd",
            "SLT_MatchTimer_Timeout()|",
            "SLT_WaitTimer_Timeout()|",
            "SLT_SocketError(QAbstractSocket::SocketError)|error",
            "SLT_SyncConnect_TcpClient(QString,QString,QString)|LocalIp,RemoteIp,RemotePort",
            "SLT_SyncDisconnect_TcpClient()|",
            "SLT_RealSendData_TcpClient()|",
            "SLT_RealRecvData_TcpClient()|",
        };
        QCOMPARE(declaredMethods(ServiceTcpClient::staticMetaObject), expected);
    }

    void connectToClosedPortFails()
    {
        LinkFixture link{LinkFixture::Tcp};
        const quint16 port = closedLoopbackPort();
        QVERIFY(port != 0);
        link.startThread();
        QElapsedTimer clock;
        clock.start();
        link.requestTcpConnect("127.0.0.1", "127.0.0.1", QString::number(port));
        QVERIFY(link.log().waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
        // Refused at once on loopback; the connect attempt never waits more than its 500 ms.
        QVERIFY(clock.elapsed() < 1500);
        QCOMPARE(lastStatus(link).status, false);
        QCOMPARE(lastStatus(link).code, 5);
        QVERIFY(link.service().workerObjects().isEmpty());
    }

    void connectsFromTheChosenLocalAddress_data()
    {
        QTest::addColumn<QString>("localIp");
        QTest::newRow("127.0.0.1") << "127.0.0.1";
        QTest::newRow("127.0.0.2") << "127.0.0.2";
    }

    void connectsFromTheChosenLocalAddress()
    {
        QFETCH(QString, localIp);
        LinkFixture link{LinkFixture::Tcp};
        link.startThread();
        link.requestTcpConnect(localIp, "127.0.0.1", QString::number(link.loopback()->port()));
        QVERIFY(link.log().waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
        QCOMPARE(lastStatus(link).status, true);
        QCOMPARE(lastStatus(link).code, 0);
        QVERIFY(QTest::qWaitFor([&link] { return link.loopback()->hasConnection(); }, WaitMs));
        QCOMPARE(link.loopback()->clientAddress(), QHostAddress(localIp));
    }

    void portTextIsCutToSixteenBits()
    {
        LinkFixture link{LinkFixture::Tcp};
        link.startThread();
        const qint64 above = qint64(link.loopback()->port()) + 65536;
        link.requestTcpConnect("127.0.0.1", "127.0.0.1", QString::number(above));
        QVERIFY(link.log().waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
        QCOMPARE(lastStatus(link).status, true);
        QVERIFY(QTest::qWaitFor([&link] { return link.loopback()->connectionCount() == 1; }, WaitMs));
    }

    void reconnectsWhenTheDeviceClosedTheConnection()
    {
        LinkFixture link{LinkFixture::Tcp};
        QVERIFY(link.open());
        LoopbackPeer &device = *link.loopback();
        QVERIFY(QTest::qWaitFor([&device] { return device.connectionCount() == 1; }, WaitMs));
        device.dropConnection();
        QVERIFY(QTest::qWaitFor(
            [&link] { return link.service().lastErrorCode() == QAbstractSocket::RemoteHostClosedError; },
            WaitMs));

        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.requestSend();
        QVERIFY(device.waitForCommands(1, WaitMs));
        QCOMPARE(device.connectionCount(), 2);
        QCOMPARE(device.receivedBytes(), QByteArray("GET OUT HDCP\r"));
        QCOMPARE(link.log().count(LinkEvent::ReconnectStatus), 0);
        QCOMPARE(link.service().lastErrorCode(), LinkService::NoErrorSinceConnect);

        device.reply("OUT HDCP FORCE-2.2\r");
        QVERIFY(link.log().waitFor(LinkEvent::Received, 1, WaitMs));
        QCOMPARE(link.log().lines(), QList<QByteArray>{"OUT HDCP FORCE-2.2\r"});
    }

    void dropDuringTheGapReconnectsBeforeTheWrite()
    {
        LinkFixture link{LinkFixture::Tcp};
        QVERIFY(link.open());
        LoopbackPeer &device = *link.loopback();
        QVERIFY(QTest::qWaitFor([&device] { return device.connectionCount() == 1; }, WaitMs));

        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        // 5 ms into the send step's 50 ms gap the device hangs up; the worker sees it before the gap ends.
        link.runInWorker(5, [&device] {
            QMetaObject::invokeMethod(
                &device, [&device] { device.dropConnection(); }, Qt::BlockingQueuedConnection);
        });
        link.requestSend();
        // The command is not lost in the dead socket: it goes out on the new connection.
        QVERIFY(device.waitForCommands(1, WaitMs));
        QCOMPARE(device.connectionCount(), 2);
        QCOMPARE(device.receivedBytes(), QByteArray("GET OUT HDCP\r"));
        device.reply("OUT HDCP FORCE-2.2\r");
        QVERIFY(link.log().waitFor(LinkEvent::Received, 1, WaitMs));
        QCOMPARE(link.log().count(LinkEvent::Sent), 1);
        QCOMPARE(link.log().count(LinkEvent::ReconnectStatus), 0);
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 0);
    }

    void failedReconnectionIsReportedAndRetried()
    {
        LinkFixture link{LinkFixture::Tcp};
        QVERIFY(link.open());
        LoopbackPeer &device = *link.loopback();
        device.stopListening();
        QVERIFY(QTest::qWaitFor(
            [&link] { return link.service().lastErrorCode() != LinkService::NoErrorSinceConnect; }, WaitMs));

        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.requestSend();
        QVERIFY(link.log().waitFor(LinkEvent::ReconnectStatus, 1, WaitMs));
        QCOMPARE(link.log().eventsOf(LinkEvent::ReconnectStatus).first().status, false);
        // The command still passed through the send step, into a socket without connection.
        QVERIFY(link.log().waitFor(LinkEvent::Sent, 1, WaitMs));
        QCOMPARE(link.log().eventsOf(LinkEvent::Sent).first().text, QString("GET OUT HDCP\r"));

        // The device is back: after the first command's time-out the next send connects again.
        QVERIFY(device.listenAgain());
        QVERIFY(device.waitForCommands(1, WaitMs));
        QCOMPARE(device.receivedBytes(), QByteArray("GET OUT VKA\r"));
        QCOMPARE(device.connectionCount(), 2);
        QCOMPARE(link.log().count(LinkEvent::ReconnectStatus), 1);
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 1);
    }

    void secondConnectReplacesTheLink()
    {
        LinkFixture link{LinkFixture::Tcp};
        QVERIFY(link.open());
        LoopbackPeer &first = *link.loopback();
        QVERIFY(QTest::qWaitFor([&first] { return first.hasConnection(); }, WaitMs));
        link.queue("SET OUT RESOLUTION 1920x1080@60", pauseReplyRule("OUT RESOLUTION", 10000));
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.requestSend();
        QVERIFY(first.waitForCommands(1, WaitMs));

        LoopbackPeer second;
        link.requestTcpConnect("127.0.0.1", "127.0.0.1", QString::number(second.port()));
        QVERIFY(link.log().waitFor(LinkEvent::ConnectStatus, 2, WaitMs));
        QCOMPARE(lastStatus(link).status, true);
        QVERIFY(first.waitForHangUp(WaitMs));

        // A fresh link: the old queue and the old pause are gone.
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.requestSend();
        QVERIFY(second.waitForCommands(1, WaitMs));
        QCOMPARE(second.receivedBytes(), QByteArray("GET OUT VKA\r"));
        QCOMPARE(first.receivedBytes(), QByteArray("SET OUT RESOLUTION 1920x1080@60\r"));
    }
};

QTEST_GUILESS_MAIN(TestTcpClientService)
#include "tst_tcpclientservice.moc"
