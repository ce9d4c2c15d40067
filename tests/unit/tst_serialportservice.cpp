// The serial transport's own behaviour on pseudo-terminal pairs: the open result, the line settings the
// port gets, the loss of the port under an open link, and a second connect request.

#include "core/LinkFixture.h"
#include "core/PtyPair.h"
#include "link/LinkService.h"
#include "protocol/ReplyRule.h"
#include "link/ServiceSerialPort.h"

#include <QSerialPort>
#include <QtTest>

#include <termios.h>
#include <time.h>

namespace {

constexpr int WaitMs = 3000;

LinkEvent lastStatus(LinkFixture &link)
{
    return link.log().eventsOf(LinkEvent::ConnectStatus).last();
}

qint64 processCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

class TestSerialPortService : public QObject
{
    Q_OBJECT

private slots:
    // Other parts connect to these by name and parameter names, in this order.
    void declaresItsSignalsAndSlots()
    {
        const QStringList expected{
            "SGL_TryCheckSend()|",
            "SGL_UpdateRecvData_SerialPort()|",
            "SGL_UpdateSendData_SerialPort(QString)|Text",
            "SGL_ConnectStatus_SerialPort(bool,int)|status,ErrorCode",
            "SGL_WaitReplyTimeout_SerialPort(QString)|cmd",
            "SGL_PortLost_SerialPort(int)|ErrorCode",
            "SLT_MatchTimer_Timeout()|",
            "SLT_WaitTimer_Timeout()|",
            "SLT_SerialPortError(QSerialPort::SerialPortError)|error",
            "SLT_SyncConnect_SerialPort(QString,QString,QString,QString,QString,QString)|MyPortName,"
            "MyBaudRate,MyDataBit,MyParity,MyStopBit,MyFlowControl",
            "SLT_SyncDisconnect_SerialPort()|",
            "SLT_RealSendData_SerialPort()|",
            "SLT_RealRecvData_SerialPort()|",
        };
        QCOMPARE(declaredMethods(ServiceSerialPort::staticMetaObject), expected);
    }

    void openingAMissingPortFails()
    {
        LinkFixture link{LinkFixture::Serial};
        link.startThread();
        link.requestSerialConnect("/dev/lumaplex-no-such-port");
        QVERIFY(link.log().waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
        QCOMPARE(lastStatus(link).status, false);
        QCOMPARE(lastStatus(link).code, 3);
        QVERIFY(link.service().workerObjects().isEmpty());
    }

    // A pseudo-terminal keeps the speed, the stop bits and the flow control it is given; it always reports
    // eight data bits without parity, whatever was set, so those two settings cannot be observed here.
    void lineSettingsReachTheTerminal_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<speed_t>("speed");
        QTest::addColumn<bool>("twoStopBits");
        QTest::addColumn<bool>("hardwareFlow");
        QTest::newRow("115200 8N1") << QStringList{"115200", "8", "0", "1", "0"} << speed_t(B115200) << false
                                    << false;
        QTest::newRow("9600 7E2") << QStringList{"9600", "7", "2", "2", "0"} << speed_t(B9600) << true
                                  << false;
        QTest::newRow("19200 8O1 RTS/CTS")
            << QStringList{"19200", "8", "3", "1", "1"} << speed_t(B19200) << false << true;
    }

    void lineSettingsReachTheTerminal()
    {
        QFETCH(QStringList, settings);
        QFETCH(speed_t, speed);
        QFETCH(bool, twoStopBits);
        QFETCH(bool, hardwareFlow);

        LinkFixture link{LinkFixture::Serial};
        link.startThread();
        link.requestSerialConnect(link.pty()->slavePath(), settings);
        QVERIFY(link.log().waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
        QCOMPARE(lastStatus(link).status, true);
        QCOMPARE(lastStatus(link).code, 0);

        termios terminal{};
        QCOMPARE(tcgetattr(link.pty()->slaveDescriptor(), &terminal), 0);
        QCOMPARE(cfgetospeed(&terminal), speed);
        QCOMPARE(cfgetispeed(&terminal), speed);
        QCOMPARE(bool(terminal.c_cflag & CSTOPB), twoStopBits);
        QCOMPARE(bool(terminal.c_cflag & CRTSCTS), hardwareFlow);
    }

    void losingThePortIsReportedOnce()
    {
        LinkFixture link{LinkFixture::Serial};
        QVERIFY(link.open());
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));

        link.pty()->closeFarSide();
        QVERIFY(link.log().waitFor(LinkEvent::PortLost, 1, WaitMs));
        // Reading the pty after its far side closed fails (EIO).
        const int code = link.log().eventsOf(LinkEvent::PortLost).first().code;
        QVERIFY2(code == QSerialPort::ReadError || code == QSerialPort::ResourceError,
                 qPrintable(QString::number(code)));
        // No second report and no busy loop on the dead port (such a loop would burn a whole core).
        const qint64 cpuBefore = processCpuNs();
        QVERIFY(!link.log().waitFor(LinkEvent::PortLost, 2, 500));
        QVERIFY(processCpuNs() - cpuBefore < 200 * 1000000LL);

        // The link is stopped: no reply time-out for the command in flight, nothing more is sent.
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.requestSend();
        QVERIFY(!link.log().waitFor(LinkEvent::Sent, 2, 1200));
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 0);
        QCOMPARE(link.log().count(LinkEvent::PortLost), 1);

        // The disconnect that answers the report frees the port and the timers.
        QVERIFY(link.stop());
        QVERIFY(link.service().workerObjects().isEmpty());
        QCOMPARE(link.channel().isOpen.load(), quint8(0));
    }

    void secondConnectReplacesTheLink()
    {
        LinkFixture link{LinkFixture::Serial};
        QVERIFY(link.open());
        link.queue("SET OUT RESOLUTION 1920x1080@60", pauseReplyRule("OUT RESOLUTION", 10000));
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));

        PtyPair second;
        QVERIFY(second.isValid());
        link.requestSerialConnect(second.slavePath());
        QVERIFY(link.log().waitFor(LinkEvent::ConnectStatus, 2, WaitMs));
        QCOMPARE(lastStatus(link).status, true);

        // A fresh link: the old queue and the old pause are gone.
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.requestSend();
        QVERIFY(second.waitForCommands(1, WaitMs));
        QCOMPARE(second.receivedBytes(), QByteArray("GET OUT VKA\r"));
        QCOMPARE(link.peer().receivedBytes(), QByteArray("SET OUT RESOLUTION 1920x1080@60\r"));
    }
};

QTEST_GUILESS_MAIN(TestSerialPortService)
#include "tst_serialportservice.moc"
