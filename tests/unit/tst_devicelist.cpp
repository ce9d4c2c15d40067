// The saved-device list on disk (round trip, the recent connections, damaged or foreign files kept aside and
// never written over) and the address ranges a network sweep accepts.

#include "core/TestAppDir.h"

#include "session/NetworkSweep.h"
#include "session/SavedDevices.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTest>

namespace {

SavedDevice tcp(const QString &address, quint16 port, const QString &name = {})
{
    SavedDevice device;
    device.name = name;
    device.address = address;
    device.port = port;
    return device;
}

// name|link text|model|time of each device, for comparing lists.
QStringList rows(const QList<SavedDevice> &devices)
{
    QStringList rows;
    for (const SavedDevice &d : devices)
        rows << QStringList{d.name,    d.linkText(), d.mask,
                            d.gateway, d.model,      d.lastConnected.toString(Qt::ISODateWithMs)}
                    .join('|');
    return rows;
}

} // namespace

class TestDeviceList : public QObject
{
    Q_OBJECT

private slots:
    void roundTripAndRecent();
    void damagedFileKeptAside_data();
    void damagedFileKeptAside();
    void sweepRanges_data();
    void sweepRanges();
};

void TestDeviceList::roundTripAndRecent()
{
    TestAppDir app;
    const QString path = SavedDeviceFile::path();
    QCOMPARE(path, app.file("/APP/ConfigFile/devices.json"));
    QVERIFY(SavedDeviceFile::load(path).problem.isEmpty()); // no file yet: an empty list

    SavedDeviceList list;
    SavedDevice lobby = tcp("192.168.0.247", 2000, "Lobby");
    lobby.mask = "255.255.255.0";
    lobby.gateway = "192.168.0.1";
    SavedDevice rack;
    rack.name = "Rack 2";
    rack.serial = true;
    rack.address = "/dev/ttyUSB0";
    list.devices = {lobby, rack};
    // Twelve connections, the Lobby device again at last: the ten newest stay, each link once, newest first.
    const QDateTime start = QDateTime::fromString("2025-03-01T14:03:07.125Z", Qt::ISODateWithMs);
    for (int i = 0; i < 12; ++i)
        list.recordConnection(tcp(QStringLiteral("10.0.0.%1").arg(i), 2000), "TN386", start.addSecs(i));
    list.recordConnection(lobby, "RKA386QE", start.addSecs(60));
    SavedDevice rackAt57600 = rack;
    rackAt57600.baud = 57600;
    list.recordConnection(rackAt57600, "RKA07QE", start.addSecs(61));
    QCOMPARE(list.recent.size(), 10);
    QCOMPARE(list.recent[0].linkText() + list.recent[0].name,
             QStringLiteral("serial /dev/ttyUSB0 57600Rack 2"));
    QCOMPARE(list.recent[1].linkText() + list.recent[1].name, QStringLiteral("tcp 192.168.0.247:2000Lobby"));
    QCOMPARE(list.recent[2].linkText(), QStringLiteral("tcp 10.0.0.11:2000"));
    QCOMPARE(list.recent[9].linkText(), QStringLiteral("tcp 10.0.0.4:2000"));
    QCOMPARE(rows(list.devices),
             (QStringList{"Lobby|tcp 192.168.0.247:2000|255.255.255.0|192.168.0.1|RKA386QE|"
                          "2025-03-01T14:04:07.125Z",
                          "Rack 2|serial /dev/ttyUSB0 57600|||RKA07QE|2025-03-01T14:04:08.125Z"}));

    QString error;
    QVERIFY2(SavedDeviceFile::save(path, list, &error), qPrintable(error));
    const QJsonObject root = QJsonDocument::fromJson(app.readFile("/APP/ConfigFile/devices.json")).object();
    QCOMPARE(root.value("format").toString(), QStringLiteral("lumaplex-devices"));
    QCOMPARE(root.value("version").toInt(), 1);
    QCOMPARE(root.value("devices")[1].toObject().value("baud").toInt(), 57600);
    const SavedDeviceFile::Loaded loaded = SavedDeviceFile::load(path);
    QVERIFY(loaded.problem.isEmpty());
    QCOMPARE(rows(loaded.list.devices), rows(list.devices));
    QCOMPARE(rows(loaded.list.recent), rows(list.recent));
}

void TestDeviceList::damagedFileKeptAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("problem");
    const QByteArray head = R"({"format": "lumaplex-devices", "version": 1, )";
    QTest::newRow("cut short") << head << "not JSON";
    QTest::newRow("foreign") << QByteArray(R"({"format": "lumaplex-setup", "version": 1})") << "not a list";
    QTest::newRow("newer") << QByteArray(R"({"format": "lumaplex-devices", "version": 2})") << "version";
    QTest::newRow("no address") << head + R"("devices": [{"name": "A", "link": "tcp", "port": 2000}]})"
                                << "no name or address";
    QTest::newRow("no name") << head + R"("devices": [{"link": "tcp", "address": "10.0.0.1", "port": 2000}]})"
                             << "no name or address";
    QTest::newRow("port 0") << head +
                                   R"("devices": [{"name": "A", "link": "tcp", "address": "h", "port": 0}]})"
                            << "no valid port";
    QTest::newRow("twice")
        << head + R"("devices": [{"name": "A", "link": "serial", "address": "/dev/x", "baud": 0},
                                                    {"name": "A", "link": "serial", "address": "/dev/y", "baud": 0}]})"
        << "given twice";
}

void TestDeviceList::damagedFileKeptAside()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, problem);
    TestAppDir app;
    app.writeFile("/APP/ConfigFile/devices.json", bytes);
    const SavedDeviceFile::Loaded loaded = SavedDeviceFile::load(SavedDeviceFile::path());
    QVERIFY2(loaded.problem.contains(problem), qPrintable(loaded.problem));
    QVERIFY(loaded.list.devices.isEmpty() && loaded.writable);
    QVERIFY(loaded.keptAs.startsWith(SavedDeviceFile::path() + ".damaged-"));
    QVERIFY(!QFile::exists(SavedDeviceFile::path()));
    // The new list goes to a new file; the old one stays as it was.
    QVERIFY(SavedDeviceFile::save(SavedDeviceFile::path(), loaded.list, nullptr));
    QFile kept(loaded.keptAs);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), bytes);
    // A second damaged file is kept beside the first.
    app.writeFile("/APP/ConfigFile/devices.json", bytes);
    const QString second = SavedDeviceFile::load(SavedDeviceFile::path()).keptAs;
    QVERIFY(!second.isEmpty() && second != loaded.keptAs && QFile::exists(loaded.keptAs));
}

void TestDeviceList::sweepRanges_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("problem");
    QTest::addColumn<QString>("first"); // first address swept, or the narrower range proposed
    QTest::addColumn<int>("count");
    QTest::newRow("/24") << "127.0.0.0/24" << int(SweepRange::Fine) << "127.0.0.1" << 254;
    QTest::newRow("host bits") << "192.168.5.77/22" << int(SweepRange::Fine) << "192.168.4.1" << 1022;
    QTest::newRow("/30") << "10.0.0.9/30" << int(SweepRange::Fine) << "10.0.0.9" << 2;
    QTest::newRow("/31") << "10.0.0.9/31" << int(SweepRange::Fine) << "10.0.0.8" << 2;
    QTest::newRow("one address") << " 10.0.0.9 " << int(SweepRange::Fine) << "10.0.0.9" << 1;
    QTest::newRow("/21") << "192.168.5.77/21" << int(SweepRange::TooWide) << "192.168.5.0/24" << 0;
    QTest::newRow("/16") << "127.0.0.0/16" << int(SweepRange::TooWide) << "127.0.0.0/24" << 0;
    QTest::newRow("/0") << "0.0.0.0/0" << int(SweepRange::TooWide) << "0.0.0.0/24" << 0;
    for (const QString bad :
         {"192.168.0/24", "192.168.0.256/24", "10.0.0.1/33", "10.0.0.1/", "lobby", "::1/120"})
        QTest::newRow(qPrintable(bad)) << bad << int(SweepRange::Unreadable) << "" << 0;
}

void TestDeviceList::sweepRanges()
{
    QFETCH(QString, text);
    QFETCH(int, problem);
    QFETCH(QString, first);
    QFETCH(int, count);
    const SweepRange range = parseSweepRange(text);
    QCOMPARE(int(range.problem), problem);
    QCOMPARE(int(range.count), count);
    if (problem == SweepRange::Fine)
        QCOMPARE(QHostAddress(range.first).toString(), first);
    if (problem == SweepRange::TooWide) {
        QCOMPARE(range.suggestion, first);
        QVERIFY(range.problemText().contains(QStringLiteral("holds %1 addresses").arg(range.size)));
    }
}

QTEST_GUILESS_MAIN(TestDeviceList)
#include "tst_devicelist.moc"
