// The simulator answers like each of the five models: identification, every settable value read back after
// a change, the model-dependent lists and ranges, and requests it does not know.

#include "SimHarness.h"

#include "protocol/ValueTables.h"

#include <QtTest>

#include <map>
#include <memory>

using namespace SimHarness;

namespace {
const QStringList modelNames = {"RKA204QE", "RKA07QE", "RKA386QE", "TN386", "TN204E"};

QByteArray lastWord(const WordList &list)
{
    return list.at(quint32(list.count - 1));
}

QByteArray edidHex(const QByteArray &bytes)
{
    return bytes.toHex(' ').toUpper();
}
} // namespace

class SimModelsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { sims.clear(); }

    void identification_data();
    void identification();
    void otherModelName();
    void roundTrip_data();
    void roundTrip();
    void modelLists_data();
    void modelLists();
    void fourKAuto_data();
    void fourKAuto();
    void volumeSteps_data();
    void volumeSteps();
    void userEdid();
    void refusedValues_data();
    void refusedValues();
    void unknownRequests_data();
    void unknownRequests();

private:
    SimPool::Running *simFor(const QString &model) { return sims.simFor(model); }

    SimPool sims;
};

void SimModelsTest::identification_data()
{
    QTest::addColumn<QString>("model");
    for (const QString &model : modelNames)
        QTest::newRow(qPrintable(model)) << model;
}

void SimModelsTest::identification()
{
    QFETCH(QString, model);
    auto *sim = simFor(model);
    QVERIFY(sim);
    const int before = sim->client.raw.size();
    QCOMPARE(sim->client.request("GET MODEL TYPE"), "MODEL TYPE " + model.toLatin1());
    QCOMPARE(sim->client.raw.mid(before), "MODEL TYPE " + model.toLatin1() + "\r\n");
}

void SimModelsTest::otherModelName()
{
    SimProcess sim;
    QVERIFY(sim.start({"--model", "XR-900", "--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(client.request("GET MODEL TYPE"), QByteArray("MODEL TYPE XR-900"));
    // Otherwise it behaves like an RKA204QE: USB-C is an input, HDMI5 is not, 4K AUTO answers.
    QCOMPARE(client.request("SET WINDOW2 IN USB-C"), QByteArray("WINDOW2 IN USB-C"));
    QCOMPARE(client.request("SET WINDOW2 IN HDMI5"), QByteArray("WINDOW2 IN USB-C"));
    QCOMPARE(client.request("GET OUT 4K-AUTO"), QByteArray("OUT 4K-AUTO OFF"));
}

void SimModelsTest::roundTrip_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("object");
    QTest::addColumn<QByteArray>("value");

    for (int m = 0; m < modelNames.size(); ++m) {
        const QString model = modelNames.at(m);
        const auto row = [&](const QByteArray &object, const QByteArray &value,
                             const QByteArray &setup = {}) {
            QTest::addRow("%s %s %s", qPrintable(model), object.constData(), value.constData())
                << model << setup << object << value;
        };
        row("OUT RESOLUTION", "3840x2160p30");
        row("OUT RESOLUTION", "USER");
        row("RESO-USER", "1600 900");
        row("OUT HDCP", "FORCE-OFF");
        row("OUT HDCP", "FORCE-2.2");
        row("OUT VKA", "BLACKSCREEN");
        row("OUT ITC", "ON");
        if (Tables::has4KAuto(quint32(m)))
            row("OUT 4K-AUTO", "ON");
        row("IN EDIDMODE", "4K30-5.1");
        row("IN EDIDMODE", "USER");
        row("IN RESOLUTION", "3840x2160p30");
        row("MULTIVIEW", "4xWIN");
        for (int w = 1; w <= 4; ++w)
            row("WINDOW" + QByteArray::number(w) + " IN", lastWord(Tables::inputSources(quint32(m))));
        row("4xWIN ASPECT", "16:9", "SET MULTIVIEW 4xWIN");
        row("4xWIN MODE", "6", "SET MULTIVIEW 4xWIN");
        row("3xWIN ASPECT", "16:9", "SET MULTIVIEW 3xWIN");
        row("3xWIN MODE", "4", "SET MULTIVIEW 3xWIN");
        row("PBP ASPECT", "16:9", "SET MULTIVIEW PBP");
        row("PBP MODE", "3", "SET MULTIVIEW PBP");
        row("PBP-PRESENTER", "10 20 960 1080", "SET MULTIVIEW PBP");
        row("PIP POS", "USER", "SET MULTIVIEW PIP");
        row("PIP POS", "LeftTop", "SET MULTIVIEW PIP");
        row("PIP SIZE", "LARGE", "SET MULTIVIEW PIP");
        row("PIP SIZE", "USER", "SET MULTIVIEW PIP");
        row("PIP USER", "100 200 640 360", "SET MULTIVIEW PIP");
        row("AUTO SWITCH", "ON", "SET MULTIVIEW SINGLE");
        row("AUDIO SOURCE", lastWord(Tables::audioSources(quint32(m))));
        row("AUDIO SOURCE", "WIN1");
        row("AUDIO VOL", QByteArray::number(Tables::volumeLimit(quint32(m))));
        row("AUDIO VOL", "0");
        row("AUDIO-MUTE", "ON");
        if (m == ModelTN386) {
            row("MAIN-AUDIO ONOFF", "OFF");
            row("MIC1 ONOFF", "OFF");
            row("MIC2 ONOFF", "ON");
            row("MIC1 VOL", "50");
            row("MIC2 VOL", "0");
        }
        row("BAUDRATE", "57600");
        row("BAUDRATE", "115200");
        // Same address and port (so the control port stays), other mask and gateway.
        row("NETWORK-INFO", "127.0.0.1 {port} 255.255.0.0 127.0.0.254");
    }
}

// A SET answers with the new value, and a GET of the same object reads it back.
void SimModelsTest::roundTrip()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, object);
    QFETCH(QByteArray, value);
    auto *sim = simFor(model);
    QVERIFY(sim);
    value.replace("{port}", QByteArray::number(sim->process.port));
    if (!setup.isEmpty())
        QVERIFY(!sim->client.request(setup).isEmpty());

    QCOMPARE(sim->client.request("SET " + object + ' ' + value), object + ' ' + value);
    QCOMPARE(sim->client.request("GET " + object), object + ' ' + value);
}

void SimModelsTest::modelLists_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    const auto row = [](const char *name, const QString &model, const QByteArray &setup,
                        const QByteArray &request, const QByteArray &reply) {
        QTest::addRow("%s %s", qPrintable(model), name) << model << setup << request << reply;
    };

    // HDMI5 is a video input of the two 9-input models only.
    for (const QString &model : modelNames) {
        const bool nineInputs = model == QLatin1String("RKA386QE") || model == QLatin1String("TN386");
        row("HDMI5", model, "SET WINDOW3 IN HDMI3", "SET WINDOW3 IN HDMI5",
            nineInputs ? "WINDOW3 IN HDMI5" : "WINDOW3 IN HDMI3");
    }
    // The other per-model inputs.
    row("USB-C", "RKA07QE", "SET WINDOW1 IN HDMI1", "SET WINDOW1 IN USB-C", "WINDOW1 IN HDMI1");
    row("HDMI4", "TN204E", "SET WINDOW1 IN HDMI1", "SET WINDOW1 IN HDMI4", "WINDOW1 IN HDMI1");
    row("DP", "TN204E", "SET WINDOW1 IN HDMI1", "SET WINDOW1 IN DP", "WINDOW1 IN DP");
    row("DP", "RKA204QE", "SET WINDOW1 IN HDMI1", "SET WINDOW1 IN DP", "WINDOW1 IN HDMI1");
    // Audio sources: WIN-KVM on RKA386QE, LR1 to LR4 on TN386.
    row("WIN-KVM", "RKA386QE", "SET AUDIO SOURCE WIN1", "SET AUDIO SOURCE WIN-KVM", "AUDIO SOURCE WIN-KVM");
    row("WIN-KVM", "TN386", "SET AUDIO SOURCE WIN1", "SET AUDIO SOURCE WIN-KVM", "AUDIO SOURCE WIN1");
    row("LR3", "TN386", "SET AUDIO SOURCE WIN1", "SET AUDIO SOURCE LR3", "AUDIO SOURCE LR3");
    row("LR1", "RKA204QE", "SET AUDIO SOURCE WIN1", "SET AUDIO SOURCE LR1", "AUDIO SOURCE WIN1");
    row("USB-C audio", "RKA07QE", "SET AUDIO SOURCE WIN1", "SET AUDIO SOURCE USB-C", "AUDIO SOURCE WIN1");
    row("USB-C audio", "TN204E", "SET AUDIO SOURCE WIN1", "SET AUDIO SOURCE USB-C", "AUDIO SOURCE USB-C");
    // Volume ranges: 0 to 50 on TN386, 0 to 100 elsewhere.
    row("volume 60", "TN386", "SET AUDIO VOL 15", "SET AUDIO VOL 60", "AUDIO VOL 15");
    row("volume 51", "TN386", "SET AUDIO VOL 15", "SET AUDIO VOL 51", "AUDIO VOL 15");
    row("mic volume 51", "TN386", "SET MIC2 VOL 20", "SET MIC2 VOL 51", "MIC2 VOL 20");
    for (const char *model : {"RKA204QE", "RKA07QE", "RKA386QE", "TN204E"}) {
        row("volume 60", model, "SET AUDIO VOL 30", "SET AUDIO VOL 60", "AUDIO VOL 60");
        row("volume 101", model, "SET AUDIO VOL 30", "SET AUDIO VOL 101", "AUDIO VOL 30");
        row("volume -1", model, "SET AUDIO VOL 30", "SET AUDIO VOL -1", "AUDIO VOL 30");
        // The main audio switch and the microphones exist on TN386 only.
        row("mic", model, QByteArray(), "GET MIC1 VOL", "ERR UNKNOWN COMMAND");
        row("main audio", model, QByteArray(), "GET MAIN-AUDIO ONOFF", "ERR UNKNOWN COMMAND");
    }
}

void SimModelsTest::modelLists()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    auto *sim = simFor(model);
    QVERIFY(sim);
    if (!setup.isEmpty())
        QCOMPARE(sim->client.request(setup), setup.mid(4));
    QCOMPARE(sim->client.request(request), reply);
}

void SimModelsTest::fourKAuto_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("answers");
    for (int m = 0; m < modelNames.size(); ++m)
        QTest::newRow(qPrintable(modelNames.at(m))) << modelNames.at(m) << (m != ModelRKA07QE);
}

// RKA07QE has no 4K AUTO and does not answer it at all: the next request's reply is the next line.
void SimModelsTest::fourKAuto()
{
    QFETCH(QString, model);
    QFETCH(bool, answers);
    auto *sim = simFor(model);
    QVERIFY(sim);
    const int before = sim->client.lines.size();
    sim->client.send("SET OUT 4K-AUTO OFF");
    sim->client.send("GET OUT 4K-AUTO");
    sim->client.send("GET OUT ITC");
    QVERIFY(sim->client.waitLines(before + (answers ? 3 : 1)));
    const QList<QByteArray> got = sim->client.lines.mid(before);
    if (answers) {
        QCOMPARE(got.value(0), QByteArray("OUT 4K-AUTO OFF"));
        QCOMPARE(got.value(1), QByteArray("OUT 4K-AUTO OFF"));
        QVERIFY(got.value(2).startsWith("OUT ITC "));
    } else {
        QVERIFY(got.value(0).startsWith("OUT ITC "));
        QCOMPARE(got.size(), 1);
    }
}

void SimModelsTest::volumeSteps_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("object");
    QTest::addColumn<int>("limit");
    QTest::newRow("RKA204QE audio") << "RKA204QE" << QByteArray("AUDIO VOL") << 100;
    QTest::newRow("TN204E audio") << "TN204E" << QByteArray("AUDIO VOL") << 100;
    QTest::newRow("TN386 audio") << "TN386" << QByteArray("AUDIO VOL") << 50;
    QTest::newRow("TN386 mic 1") << "TN386" << QByteArray("MIC1 VOL") << 50;
    QTest::newRow("TN386 mic 2") << "TN386" << QByteArray("MIC2 VOL") << 50;
}

// "VOL+" and "VOL-" step by one and stop at the ends of the model's range.
void SimModelsTest::volumeSteps()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, object);
    QFETCH(int, limit);
    auto *sim = simFor(model);
    QVERIFY(sim);
    LineClient &client = sim->client;
    QCOMPARE(client.request("SET " + object + ' ' + QByteArray::number(limit - 1)),
             object + ' ' + QByteArray::number(limit - 1));
    QCOMPARE(client.request("SET " + object + '+'), object + ' ' + QByteArray::number(limit));
    QCOMPARE(client.request("SET " + object + '+'), object + ' ' + QByteArray::number(limit));
    QCOMPARE(client.request("SET " + object + ' ' + "1"), object + " 1");
    QCOMPARE(client.request("SET " + object + '-'), object + " 0");
    QCOMPARE(client.request("SET " + object + '-'), object + " 0");
    QCOMPARE(client.request("GET " + object), object + " 0");
}

void SimModelsTest::userEdid()
{
    auto *sim = simFor(QStringLiteral("RKA386QE"));
    QVERIFY(sim);
    LineClient &client = sim->client;
    QByteArray edid(256, '\0');
    for (int i = 0; i < edid.size(); ++i)
        edid[i] = char((i * 7 + 3) & 0xFF);
    const QByteArray request = "SET EDID-USER " + edidHex(edid);
    QCOMPARE(request.size(), 13 + 1 + 256 * 3 - 1);
    QCOMPARE(client.request(request), QByteArray("EDID-USER OK"));
    QCOMPARE(client.request("GET EDID-USER"), "EDID-USER " + edidHex(edid));

    // Malformed uploads are refused without "OK" and keep the last good one.
    const QList<QByteArray> malformed = {"SET EDID-USER " + edidHex(edid.left(255)),
                                         "SET EDID-USER " + edidHex(edid) + " 00",
                                         "SET EDID-USER " + edidHex(edid).replace(0, 2, "ZZ"),
                                         "SET EDID-USER " + edidHex(edid).replace(0, 2, "0")};
    for (const QByteArray &bad : malformed) {
        const QByteArray reply = client.request(bad);
        QVERIFY2(reply.startsWith("EDID-USER ") && !reply.contains("OK"), reply.constData());
    }
    QCOMPARE(client.request("GET EDID-USER"), "EDID-USER " + edidHex(edid));
}

void SimModelsTest::refusedValues_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    // The value set first stays when the written one is unknown, out of range or missing.
    const auto row = [](const char *name, const QByteArray &setup, const QByteArray &request,
                        const QByteArray &reply) { QTest::newRow(name) << setup << request << reply; };
    row("resolution", "SET OUT RESOLUTION 1920x1080p60", "SET OUT RESOLUTION 800x600p60",
        "OUT RESOLUTION 1920x1080p60");
    row("no value", "SET OUT HDCP FORCE-1.4", "SET OUT HDCP", "OUT HDCP FORCE-1.4");
    row("hdcp", "SET OUT HDCP FORCE-1.4", "SET OUT HDCP FORCE-3.0", "OUT HDCP FORCE-1.4");
    row("itc", "SET OUT ITC OFF", "SET OUT ITC MAYBE", "OUT ITC OFF");
    row("user timing", "SET RESO-USER 1920 1080", "SET RESO-USER 0 0", "RESO-USER 1920 1080");
    row("user timing text", "SET RESO-USER 1920 1080", "SET RESO-USER wide 900", "RESO-USER 1920 1080");
    row("edid mode", "SET IN EDIDMODE AUTO", "SET IN EDIDMODE 8K", "IN EDIDMODE AUTO");
    row("multiview", "SET MULTIVIEW SINGLE", "SET MULTIVIEW 5xWIN", "MULTIVIEW SINGLE");
    row("pip user short", "SET PIP USER 1 2 3 4", "SET PIP USER 5 6 7", "PIP USER 1 2 3 4");
    row("pip user negative", "SET PIP USER 1 2 3 4", "SET PIP USER 5 6 7 -8", "PIP USER 1 2 3 4");
    row("baud rate", "SET BAUDRATE 9600", "SET BAUDRATE 12345", "BAUDRATE 9600");
    const QByteArray network = "SET NETWORK-INFO 127.0.0.1 {port} 255.0.0.0 127.0.0.1";
    row("network address", network, "SET NETWORK-INFO 300.1.1.1 2000 255.0.0.0 127.0.0.1",
        "NETWORK-INFO 127.0.0.1 {port} 255.0.0.0 127.0.0.1");
    row("network port", network, "SET NETWORK-INFO 127.0.0.1 70000 255.0.0.0 127.0.0.1",
        "NETWORK-INFO 127.0.0.1 {port} 255.0.0.0 127.0.0.1");
    row("network words", network, "SET NETWORK-INFO 127.0.0.1 2000",
        "NETWORK-INFO 127.0.0.1 {port} 255.0.0.0 127.0.0.1");
    row("scene 0", QByteArray(), "SET SAVE SCENE 0", "SAVE SCENE ERROR");
    row("scene 21", QByteArray(), "SET LOAD SCENE 21", "LOAD SCENE ERROR");
    row("scene text", QByteArray(), "SET LOAD SCENE one", "LOAD SCENE ERROR");
    row("version", QByteArray(), "GET VERSION", "VERSION V1.0.3");
    row("sub version", QByteArray(), "GET SUB-VERSION", "SUB-VERSION V1.0.1");
    row("expand version", QByteArray(), "GET EXPAND-VERSION", "EXPAND-VERSION V1.0.0");
    row("keyboard version", QByteArray(), "GET KEYBOARD-VERSION", "KEYBOARD-VERSION V1.0.2");
}

void SimModelsTest::refusedValues()
{
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    auto *sim = simFor(QStringLiteral("RKA204QE"));
    QVERIFY(sim);
    const QByteArray port = QByteArray::number(sim->process.port);
    setup.replace("{port}", port);
    reply.replace("{port}", port);
    if (!setup.isEmpty())
        QCOMPARE(sim->client.request(setup), setup.mid(4));
    QCOMPARE(sim->client.request(request), reply);
}

void SimModelsTest::unknownRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("no verb") << QByteArray("MODEL TYPE");
    QTest::newRow("other verb") << QByteArray("PUT OUT HDCP FORCE-2.2");
    QTest::newRow("unknown object") << QByteArray("GET OUT SPARKLE");
    QTest::newRow("verb only") << QByteArray("SET");
    QTest::newRow("read a trigger") << QByteArray("GET RESET");
    QTest::newRow("read a scene") << QByteArray("GET SAVE SCENE");
    QTest::newRow("binary") << QByteArray("\x01\x02\xff GET");
}

// A request it does not know gets one line that carries none of the reply keywords, so the tool ignores it.
void SimModelsTest::unknownRequests()
{
    QFETCH(QByteArray, request);
    auto *sim = simFor(QStringLiteral("RKA204QE"));
    QVERIFY(sim);
    const QByteArray reply = sim->client.request(request);
    QCOMPARE(reply, QByteArray("ERR UNKNOWN COMMAND"));
    QCOMPARE(keywordIn(reply), QByteArray());
    // The link goes on as before.
    QCOMPARE(sim->client.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
}

QTEST_MAIN(SimModelsTest)
#include "tst_sim_models.moc"
