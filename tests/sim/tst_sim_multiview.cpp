// The simulator's "MULTIVIEW-SYNC" report in every mode and for every model, word by word as the tool reads
// it, the split layout modes, and scenes that save and restore the whole arrangement.

#include "SimHarness.h"

#include "protocol/ValueTables.h"

#include <QtTest>

#include <map>
#include <memory>

using namespace SimHarness;

namespace {
const QStringList modelNames = {"RKA204QE", "RKA07QE", "RKA386QE", "TN386", "TN204E"};
} // namespace

class SimMultiviewTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { sims.clear(); }

    void syncLine_data();
    void syncLine();
    void firstExample();
    void secondExample();
    void layoutModes_data();
    void layoutModes();
    void otherLayoutRefused();
    void scenes();

private:
    SimPool::Running *simFor(const QString &model) { return sims.simFor(model); }
    // Sends the requests in order; false when one of them was not answered.
    static bool sendAll(LineClient &client, const QList<QByteArray> &requests)
    {
        for (const QByteArray &request : requests) {
            if (client.request(request).isEmpty())
                return false;
        }
        return true;
    }

    SimPool sims;
};

void SimMultiviewTest::syncLine_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("mode");
    for (int m = 0; m < modelNames.size(); ++m) {
        for (int mode = 0; mode < Tables::MultiviewModes.count; ++mode)
            QTest::addRow("%s %s", qPrintable(modelNames.at(m)), Tables::MultiviewModes.words[mode])
                << m << mode;
    }
}

void SimMultiviewTest::syncLine()
{
    QFETCH(int, model);
    QFETCH(int, mode);
    auto *sim = simFor(modelNames.at(model));
    QVERIFY(sim);
    LineClient &client = sim->client;
    const WordList &inputs = Tables::inputSources(quint32(model));
    const QByteArray modeWord = Tables::MultiviewModes.at(quint32(mode));

    // Windows on the model's inputs from the last one down, and the mode's own settings away from factory.
    QList<QByteArray> windows;
    QVERIFY(client.request("SET MULTIVIEW " + modeWord) == "MULTIVIEW " + modeWord);
    for (int w = 0; w < 4; ++w) {
        windows << inputs.at(quint32(inputs.count - 1 - w));
        QCOMPARE(client.request("SET WINDOW" + QByteArray::number(w + 1) + " IN " + windows.last()),
                 "WINDOW" + QByteArray::number(w + 1) + " IN " + windows.last());
    }
    const int modeCounts[] = {0, 0, 3, 4, 6};
    const int shownWindows[] = {1, 2, 2, 3, 4};
    QList<QByteArray> trailing;
    if (mode == ModeSingle) {
        QVERIFY(sendAll(client, {"SET AUTO SWITCH ON", "SET IN RESOLUTION 1280x720p60"}));
        trailing = {"1280x720p60", "ON"};
    } else if (mode == ModePip) {
        QVERIFY(sendAll(client, {"SET PIP POS LeftBottom", "SET PIP SIZE MIDDLE"}));
        trailing = {"LeftBottom", "MIDDLE"};
    } else {
        const QByteArray count = QByteArray::number(modeCounts[mode]);
        QVERIFY(sendAll(client, {"SET " + modeWord + " ASPECT 16:9", "SET " + modeWord + " MODE " + count}));
        trailing = {"16:9", count, count};
    }

    const QByteArray reply = client.request("GET MULTIVIEW-SYNC");
    const QList<QByteArray> words = reply.split(' ');
    QCOMPARE(words.value(0), QByteArray("MULTIVIEW-SYNC"));
    const QList<QByteArray> value = words.mid(1);
    QCOMPARE(value.size(), 5 + trailing.size());
    QCOMPARE(value.at(0), modeWord);
    for (int w = 0; w < 4; ++w) {
        if (w < shownWindows[mode]) {
            QVERIFY2(inputs.indexOf(value.at(1 + w)) >= 0, reply.constData());
            QCOMPARE(value.at(1 + w), windows.at(w));
        } else {
            QCOMPARE(value.at(1 + w), QByteArray("NULL"));
        }
    }
    QCOMPARE(value.mid(5), trailing);
    // Each trailing word is one the tool can look up.
    if (mode == ModeSingle) {
        QVERIFY(QRegularExpression("^\\d+x\\d+[pi]\\d+$").match(QString::fromLatin1(value.at(5))).hasMatch());
        QVERIFY(Tables::OnOff.indexOf(value.at(6)) >= 0);
    } else if (mode == ModePip) {
        QVERIFY(Tables::PipPositions.indexOf(value.at(5)) >= 0);
        QVERIFY(Tables::PipSizes.indexOf(value.at(6)) >= 0);
    } else {
        QVERIFY(Tables::Aspects.indexOf(value.at(5)) >= 0);
    }
}

// "MULTIVIEW-SYNC SINGLE HDMI2 NULL NULL NULL 1920x1080p60 OFF"
void SimMultiviewTest::firstExample()
{
    SimProcess sim;
    QVERIFY(sim.start({"--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    QVERIFY(sendAll(client, {"SET MULTIVIEW SINGLE", "SET WINDOW1 IN HDMI2", "SET AUTO SWITCH OFF",
                             "SET IN RESOLUTION 1920x1080p60"}));
    QCOMPARE(client.request("GET MULTIVIEW-SYNC"),
             QByteArray("MULTIVIEW-SYNC SINGLE HDMI2 NULL NULL NULL 1920x1080p60 OFF"));
}

// "MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4"
void SimMultiviewTest::secondExample()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "TN204E", "--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    QVERIFY(sendAll(client, {"SET MULTIVIEW 3xWIN", "SET WINDOW1 IN HDMI1", "SET WINDOW2 IN HDMI3",
                             "SET WINDOW3 IN DP", "SET 3xWIN ASPECT 16:9", "SET 3xWIN MODE 2"}));
    QCOMPARE(client.request("GET MULTIVIEW-SYNC"),
             QByteArray("MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4"));
    QCOMPARE(client.request("GET MAXMODE"), QByteArray("MAXMODE 4"));
}

void SimMultiviewTest::layoutModes_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<int>("count");
    QTest::newRow("PBP") << QByteArray("PBP") << 3;
    QTest::newRow("3xWIN") << QByteArray("3xWIN") << 4;
    QTest::newRow("4xWIN") << QByteArray("4xWIN") << 6;
}

// Layout modes 1 to the layout's count are taken; 0 and count + 1 leave the mode as it was.
void SimMultiviewTest::layoutModes()
{
    QFETCH(QByteArray, layout);
    QFETCH(int, count);
    auto *sim = simFor(QStringLiteral("RKA386QE"));
    QVERIFY(sim);
    LineClient &client = sim->client;
    QCOMPARE(client.request("SET MULTIVIEW " + layout), "MULTIVIEW " + layout);
    QCOMPARE(client.request("GET MAXMODE"), "MAXMODE " + QByteArray::number(count));
    QCOMPARE(client.request("SET " + layout + " ASPECT FULL"), layout + " ASPECT FULL");
    for (int n = 1; n <= count; ++n)
        QCOMPARE(client.request("SET " + layout + " MODE " + QByteArray::number(n)),
                 layout + " MODE " + QByteArray::number(n));
    QCOMPARE(client.request("SET " + layout + " MODE " + QByteArray::number(count + 1)),
             layout + " MODE " + QByteArray::number(count));
    QCOMPARE(client.request("SET " + layout + " MODE 0"), layout + " MODE " + QByteArray::number(count));
    QCOMPARE(client.request("SET " + layout + " MODE two"), layout + " MODE " + QByteArray::number(count));
    QCOMPARE(client.request("GET MULTIVIEW-SYNC").split(' ').mid(6),
             QList<QByteArray>({"FULL", QByteArray::number(count), QByteArray::number(count)}));
}

// A layout change naming another layout than the one showing is refused with the showing layout's value.
void SimMultiviewTest::otherLayoutRefused()
{
    SimProcess sim;
    QVERIFY(sim.start({"--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    QVERIFY(sendAll(client, {"SET MULTIVIEW 3xWIN", "SET 3xWIN MODE 3"}));
    QCOMPARE(client.request("SET PBP MODE 2"), QByteArray("3xWIN MODE 3"));
    QCOMPARE(client.request("SET 4xWIN ASPECT 16:9"), QByteArray("3xWIN ASPECT FULL"));
    QCOMPARE(client.request("GET PBP MODE"), QByteArray("PBP MODE 1"));
    QCOMPARE(client.request("GET 4xWIN ASPECT"), QByteArray("4xWIN ASPECT FULL"));
    // In PIP no split layout shows: the named one answers with its own, unchanged value.
    QVERIFY(sendAll(client, {"SET MULTIVIEW PIP"}));
    QCOMPARE(client.request("SET PBP MODE 2"), QByteArray("PBP MODE 1"));
}

// A saved scene is a full copy of the arrangement: loading it restores mode, windows, the PIP and split
// layout settings and the user rectangles.
void SimMultiviewTest::scenes()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "RKA386QE", "--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    const QByteArray factorySync = client.request("GET MULTIVIEW-SYNC");

    QVERIFY(sendAll(client, {"SET MULTIVIEW 4xWIN", "SET 4xWIN MODE 2", "SET MULTIVIEW PIP",
                             "SET WINDOW1 IN HDMI6", "SET WINDOW2 IN DP", "SET PIP POS LeftTop",
                             "SET PIP SIZE LARGE", "SET PIP USER 1 2 3 4"}));
    const QByteArray savedSync = client.request("GET MULTIVIEW-SYNC");
    QCOMPARE(savedSync, QByteArray("MULTIVIEW-SYNC PIP HDMI6 DP NULL NULL LeftTop LARGE"));
    QCOMPARE(client.request("SET SAVE SCENE 7"), QByteArray("SAVE SCENE 7"));
    QCOMPARE(client.request("SET SAVE SCENE 20"), QByteArray("SAVE SCENE 20"));

    QVERIFY(sendAll(client, {"SET MULTIVIEW 4xWIN", "SET 4xWIN MODE 5", "SET WINDOW1 IN HDMI2",
                             "SET WINDOW2 IN HDMI3", "SET PIP USER 9 9 9 9", "SET PIP POS RightTop"}));
    QVERIFY(client.request("GET MULTIVIEW-SYNC") != savedSync);

    QCOMPARE(client.request("SET LOAD SCENE 7"), QByteArray("LOAD SCENE 7"));
    QCOMPARE(client.request("GET MULTIVIEW-SYNC"), savedSync);
    QCOMPARE(client.request("GET PIP USER"), QByteArray("PIP USER 1 2 3 4"));
    QCOMPARE(client.request("SET MULTIVIEW 4xWIN"), QByteArray("MULTIVIEW 4xWIN"));
    QCOMPARE(client.request("GET 4xWIN MODE"), QByteArray("4xWIN MODE 2"));

    QCOMPARE(client.request("SET LOAD SCENE 20"), QByteArray("LOAD SCENE 20"));
    QCOMPARE(client.request("GET MULTIVIEW-SYNC"), savedSync);
    // A slot never saved holds the factory arrangement.
    QCOMPARE(client.request("SET LOAD SCENE 3"), QByteArray("LOAD SCENE 3"));
    QCOMPARE(client.request("GET MULTIVIEW-SYNC"), factorySync);
}

QTEST_MAIN(SimMultiviewTest)
#include "tst_sim_multiview.moc"
