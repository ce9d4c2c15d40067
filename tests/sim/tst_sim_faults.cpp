// Each fault option of the simulator does what it says, alone and together with others.

#include "SimHarness.h"

#include <QtTest>

using namespace SimHarness;

class SimFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void silent();
    void noReply();
    void delay();
    void dropEvery();
    void garbageEvery();
    void split();
    void disconnectAfter();
    void flood();
    void crLineEnding();
    void combined();

private:
    // Starts a simulator with `args` and connects a client to it.
    static bool open(SimProcess &sim, LineClient &client, const QStringList &args)
    {
        return sim.start(args + QStringList{"--quiet"}) && client.connectTo(sim.port);
    }
};

void SimFaultsTest::silent()
{
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client, {"--silent"}));
    client.send("GET MODEL TYPE");
    client.send("SET OUT HDCP FORCE-2.2");
    client.send("NONSENSE");
    QVERIFY(!client.waitLines(1, 600));
    QVERIFY(client.raw.isEmpty());
    QVERIFY(client.isConnected());
}

// Withheld requests are still carried out; only their replies are missing.
void SimFaultsTest::noReply()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString stateFile = dir.filePath("state.json");
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client, {"--no-reply", "OUT HDCP", "--no-reply", "model type", "--state", stateFile}));
    client.send("GET MODEL TYPE");
    client.send("GET OUT HDCP");
    client.send("SET OUT HDCP FORCE-OFF");
    client.send("GET OUT HDCPX");
    client.send("GET OUT VKA");
    QVERIFY(client.waitLines(2));
    QCOMPARE(client.lines.at(0), QByteArray("ERR UNKNOWN COMMAND"));
    QCOMPARE(client.lines.at(1), QByteArray("OUT VKA BLUESCREEN"));
    QCOMPARE(client.request("GET OUT ITC"), QByteArray("OUT ITC OFF"));
    QCOMPARE(client.lines.size(), 3);

    QFile file(stateFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(state.value("output").toObject().value("hdcp").toString(), QStringLiteral("FORCE-OFF"));
}

void SimFaultsTest::delay()
{
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client, {"--delay-ms", "300"}));
    QElapsedTimer clock;
    clock.start();
    client.send("GET MODEL TYPE");
    client.send("GET OUT ITC");
    QVERIFY(client.waitLines(1));
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(client.waitLines(2));
    QCOMPARE(client.lines, QList<QByteArray>({"MODEL TYPE RKA204QE", "OUT ITC OFF"}));
}

// Every third reply is swallowed; the others come in order.
void SimFaultsTest::dropEvery()
{
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client, {"--drop-every", "3"}));
    const QList<QByteArray> requests = {"GET OUT HDCP",       "GET OUT VKA",     "GET OUT ITC",
                                        "GET OUT RESOLUTION", "GET IN EDIDMODE", "GET AUDIO VOL",
                                        "GET AUDIO-MUTE"};
    for (const QByteArray &request : requests)
        client.send(request);
    QVERIFY(client.waitLines(5));
    QList<QByteArray> keywords;
    for (const QByteArray &line : client.lines)
        keywords << keywordIn(line);
    QCOMPARE(keywords,
             QList<QByteArray>({"OUT HDCP", "OUT VKA", "OUT RESOLUTION", "IN EDIDMODE", "AUDIO-MUTE"}));
    // The eighth reply comes, and nothing came in between.
    QCOMPARE(client.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
    QCOMPARE(client.lines.size(), 6);
}

// A junk line goes before every second reply: no line ends inside, no reply keyword, not empty.
void SimFaultsTest::garbageEvery()
{
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client, {"--garbage-every", "2"}));
    for (const char *request : {"GET OUT HDCP", "GET OUT VKA", "GET OUT ITC", "GET AUDIO VOL"})
        client.send(request);
    QVERIFY(client.waitLines(6));
    const QList<QByteArray> &lines = client.lines;
    QCOMPARE(lines.at(0), QByteArray("OUT HDCP FORCE-1.4"));
    QCOMPARE(lines.at(2), QByteArray("OUT VKA BLUESCREEN"));
    QCOMPARE(lines.at(3), QByteArray("OUT ITC OFF"));
    QCOMPARE(lines.at(5), QByteArray("AUDIO VOL 30"));
    for (const QByteArray &junk : {lines.at(1), lines.at(4)}) {
        QVERIFY(junk.size() >= 8);
        QVERIFY(!junk.contains('\n') && !junk.contains('\r') && !junk.contains('\0'));
        QCOMPARE(keywordIn(junk), QByteArray());
    }
    QCOMPARE(client.raw.count("\r\n"), 6);
}

// Replies come in several pieces but whole.
void SimFaultsTest::split()
{
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client, {"--split"}));
    const QList<QByteArray> requests = {"GET MODEL TYPE", "GET OUT RESOLUTION", "GET MULTIVIEW-SYNC",
                                        "GET NETWORK-INFO", "GET IN EDIDMODE"};
    QList<QByteArray> replies;
    for (const QByteArray &request : requests)
        replies << client.request(request);
    QCOMPARE(replies.at(0), QByteArray("MODEL TYPE RKA204QE"));
    QCOMPARE(replies.at(1), QByteArray("OUT RESOLUTION 1920x1080p60"));
    QCOMPARE(replies.at(2), QByteArray("MULTIVIEW-SYNC SINGLE HDMI1 NULL NULL NULL 1920x1080p60 OFF"));
    QCOMPARE(replies.at(3),
             "NETWORK-INFO 127.0.0.1 " + QByteArray::number(sim.port) + " 255.0.0.0 127.0.0.1");
    QCOMPARE(replies.at(4), QByteArray("IN EDIDMODE AUTO"));
    // Each reply is several chunks apart in time, so the reads outnumber the replies.
    QVERIFY2(client.chunks.size() > requests.size(), qPrintable(QString::number(client.chunks.size())));
    bool partial = false;
    for (const QByteArray &chunk : client.chunks)
        partial = partial || !chunk.endsWith("\r\n");
    QVERIFY(partial);
}

// The connection closes after two replies; the next connection gets two again.
void SimFaultsTest::disconnectAfter()
{
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client, {"--disconnect-after", "2"}));
    client.send("GET OUT HDCP");
    client.send("GET OUT VKA");
    client.send("GET OUT ITC");
    QVERIFY(waitUntil([&] { return !client.isConnected(); }, 3000));
    QCOMPARE(client.lines, QList<QByteArray>({"OUT HDCP FORCE-1.4", "OUT VKA BLUESCREEN"}));

    LineClient again;
    QVERIFY(again.connectTo(sim.port));
    QCOMPARE(again.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
    QVERIFY(again.isConnected());
    QCOMPARE(again.request("GET OUT ITC"), QByteArray("OUT ITC OFF"));
    QVERIFY(waitUntil([&] { return !again.isConnected(); }, 3000));
}

// Unsolicited status lines keep coming; replies still arrive among them.
void SimFaultsTest::flood()
{
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client, {"--flood", "50"}));
    QVERIFY(client.waitLines(5, 3000));
    client.send("GET MODEL TYPE");
    QVERIFY(waitUntil([&] { return client.lines.contains("MODEL TYPE RKA204QE"); }, 3000));
    for (const QByteArray &line : client.lines) {
        if (line == "MODEL TYPE RKA204QE")
            continue;
        QVERIFY2(line.startsWith("IN STATUS ") || line.startsWith("OUT STATUS "), line.constData());
        // The tool finds only the status keyword in them, which it ignores.
        QVERIFY(keywordIn(line) == "IN STATUS" || keywordIn(line) == "OUT STATUS");
    }
}

void SimFaultsTest::crLineEnding()
{
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client, {"--line-ending", "cr"}));
    QCOMPARE(client.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
    QCOMPARE(client.request("GET OUT ITC"), QByteArray("OUT ITC OFF"));
    QCOMPARE(client.raw, QByteArray("MODEL TYPE RKA204QE\rOUT ITC OFF\r"));
}

// Faults combine: late, in pieces, junk before every reply, every second reply lost, one request withheld
// (a withheld request has no reply to count).
void SimFaultsTest::combined()
{
    SimProcess sim;
    LineClient client;
    QVERIFY(open(sim, client,
                 {"--delay-ms", "50", "--split", "--garbage-every", "1", "--drop-every", "2", "--no-reply",
                  "OUT VKA"}));
    for (const char *request :
         {"GET OUT HDCP", "GET OUT VKA", "GET OUT ITC", "GET AUDIO VOL", "GET AUDIO-MUTE", "GET MODEL TYPE"})
        client.send(request);
    QVERIFY(client.waitLines(8));
    QList<QByteArray> keywords;
    for (const QByteArray &line : client.lines)
        keywords << keywordIn(line);
    QCOMPARE(keywords, QList<QByteArray>({"", "OUT HDCP", "", "", "AUDIO VOL", "", "", "MODEL TYPE"}));
    QCOMPARE(client.lines.at(1), QByteArray("OUT HDCP FORCE-1.4"));
    QCOMPARE(client.lines.at(4), QByteArray("AUDIO VOL 30"));
    QCOMPARE(client.lines.at(7), QByteArray("MODEL TYPE RKA204QE"));
}

QTEST_MAIN(SimFaultsTest)
#include "tst_sim_faults.moc"
