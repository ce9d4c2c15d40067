#include "pages/NetworkSettings.h"

#include <QtTest>

class TestNetworkSettings : public QObject
{
    Q_OBJECT
private slots:
    void validate_data();
    void validate();
    void sameSubnet_data();
    void sameSubnet();
    void parseDecimalRange();
};

void TestNetworkSettings::validate_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<bool>("valid");

    const QString mask = QStringLiteral("255.255.255.0");
    const QString gateway = QStringLiteral("192.168.0.1");
    QTest::newRow("defaults") << "192.168.0.247" << "2000" << mask << gateway << true;
    QTest::newRow("port 1") << "192.168.0.247" << "1" << mask << gateway << true;
    QTest::newRow("port 65534") << "192.168.0.247" << "65534" << mask << gateway << true;
    QTest::newRow("port 65535") << "192.168.0.247" << "65535" << mask << gateway << false;
    QTest::newRow("port 0") << "192.168.0.247" << "0" << mask << gateway << false;
    QTest::newRow("port empty") << "192.168.0.247" << "" << mask << gateway << false;
    QTest::newRow("port leading zeros") << "192.168.0.247" << "00080" << mask << gateway << true;
    QTest::newRow("port six digits") << "192.168.0.247" << "000080" << mask << gateway << false;
    QTest::newRow("port letter") << "192.168.0.247" << "20a0" << mask << gateway << false;
    QTest::newRow("empty field counts as 0") << "192.168..1" << "2000" << mask << gateway << true;
    QTest::newRow("two dots") << "192.168.1" << "2000" << mask << gateway << false;
    QTest::newRow("field 256") << "192.168.1.256" << "2000" << mask << gateway << false;
    QTest::newRow("field 255") << "192.168.1.255" << "2000" << mask << gateway << true;
    QTest::newRow("overlong field") << "192.168.1.4294967297" << "2000" << mask << gateway << false;
    QTest::newRow("leading zeros in a field") << "192.168.0001.1" << "2000" << mask << gateway << true;
    QTest::newRow("space") << "192.168.1. 1" << "2000" << mask << gateway << false;
    QTest::newRow("empty ip") << "" << "2000" << mask << gateway << false;
    QTest::newRow("bad mask") << "192.168.0.247" << "2000" << "255.255.255" << gateway << false;
    QTest::newRow("bad gateway") << "192.168.0.247" << "2000" << mask << "192.168.0.x" << false;
    QTest::newRow("loopback") << "127.0.0.1" << "2000" << "255.0.0.0" << "127.0.0.1" << true;
}

void TestNetworkSettings::validate()
{
    QFETCH(QString, ip);
    QFETCH(QString, port);
    QFETCH(QString, mask);
    QFETCH(QString, gateway);
    QFETCH(bool, valid);
    QCOMPARE(ValidateNetworkSettings(ip, port, mask, gateway), valid);
}

void TestNetworkSettings::sameSubnet_data()
{
    QTest::addColumn<QString>("maskA");
    QTest::addColumn<QString>("ipA");
    QTest::addColumn<QString>("maskB");
    QTest::addColumn<QString>("ipB");
    QTest::addColumn<bool>("same");

    const QString mask = QStringLiteral("255.255.255.0");
    QTest::newRow("same /24") << mask << "192.168.0.10" << mask << "192.168.0.247" << true;
    QTest::newRow("other /24") << mask << "192.168.1.10" << mask << "192.168.0.247" << false;
    QTest::newRow("loopback /8") << "255.0.0.0" << "127.0.0.1" << "255.0.0.0" << "127.0.0.1" << true;
    QTest::newRow("loopback vs device") << "255.0.0.0" << "127.0.0.1" << mask << "192.168.0.247" << false;
    QTest::newRow("malformed texts count as zero") << "x" << "y" << "255.255.255.0" << "0.0.0.9" << true;
    QTest::newRow("different masks") << "255.255.0.0" << "10.1.2.3" << "255.0.0.0" << "10.1.9.9" << false;
}

void TestNetworkSettings::sameSubnet()
{
    QFETCH(QString, maskA);
    QFETCH(QString, ipA);
    QFETCH(QString, maskB);
    QFETCH(QString, ipB);
    QFETCH(bool, same);
    QCOMPARE(IsSameSubnet(maskA, ipA, maskB, ipB), same);
}

void TestNetworkSettings::parseDecimalRange()
{
    QCOMPARE(ParseDecimalRange(QStringLiteral("1a2b3"), 0, 5), 123u);
    QCOMPARE(ParseDecimalRange(QStringLiteral("192.168"), 4, 7), 168u);
    QCOMPARE(ParseDecimalRange(QStringLiteral("192"), 1, 1), 0u);
    QCOMPARE(ParseDecimalRange(QStringLiteral("12"), 0, 10), 12u);
}

QTEST_MAIN(TestNetworkSettings)
#include "tst_networksettings.moc"
