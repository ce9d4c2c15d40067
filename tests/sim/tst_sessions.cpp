// Two link sessions in one process, each with its own device model, against two simulators of different
// models at once: each reads and changes its own device, and neither sees the other's values. One of them
// keeps no traffic log: its reads and its restore end all the same, since each request's reply tells how it
// ended.

#include "core/LinkEventLog.h"
#include "core/SimDevice.h"
#include "protocol/Catalogue.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "setup/SetupReader.h"
#include "setup/SetupRestore.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

namespace {
constexpr int WaitMs = 15000;

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

int volumeOf(SimDevice &device)
{
    return device.state().value("audio").toObject().value("volume").toInt();
}
} // namespace

class TestSessions : public QObject
{
    Q_OBJECT

private slots:
    // A click takes the place of a watch read still waiting for its gap: the click is written first, the read
    // right after it.
    void operatorRequestGoesBeforeWatchRead()
    {
        SimDevice sim;
        QVERIFY(sim.start({"--model", "RKA204QE"}));
        LinkSession session;
        LinkEventLog log(session);
        session.openTcpClient("127.0.0.1", "127.0.0.1", QString::number(sim.port()));
        QVERIFY(log.waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
        SetupReader reader(session);
        reader.start(SetupReader::allGroups());
        QTRY_COMPARE_WITH_TIMEOUT(reader.outcome(), SetupReader::Outcome::Done, WaitMs);

        QByteArray read;
        LinkReply *click = nullptr;
        QObject scope;
        connect(&session, &LinkSession::SGL_RequestQueued, &scope, [&](quint64, const QByteArray &line) {
            if (!read.isEmpty())
                return;
            read = line.chopped(1);
            // As an operator clicks: from the event loop, while the read waits for its gap.
            QTimer::singleShot(0, &scope, [&] {
                click = session.send(WriteSetting(session.device().context(), "output.hdcp", "FORCE-2.2"));
            });
        });
        session.watch().setInterval(1);
        QTRY_VERIFY_WITH_TIMEOUT(click, WaitMs);
        QSignalSpy ended(click, &LinkReply::finished);
        QVERIFY(ended.wait(WaitMs) && click->outcome() == LinkReply::Outcome::Answered);
        const int at = sim.requests().indexOf("SET OUT HDCP FORCE-2.2");
        QTRY_VERIFY_WITH_TIMEOUT(sim.requests().size() > at + 1, WaitMs);
        const QString withdrawn = QString::fromLatin1(read);
        QCOMPARE(sim.requests().mid(at, 2), QStringList({"SET OUT HDCP FORCE-2.2", withdrawn}));
        // Before the click only the setup read had asked it.
        QCOMPARE(sim.requests().mid(0, at).count(withdrawn), 1);
    }

    void twoDevicesInOneProcess()
    {
        SimDevice rka, tn;
        rka.seedState(json(R"({"output": {"hdcp": "FORCE-OFF"}, "audio": {"volume": 64},
                               "multiview": {"mode": "PIP", "windows": ["HDMI3", "USB-C"]}})"));
        tn.seedState(
            json(R"({"audio": {"volume": 12, "mic1": {"volume": 33}}, "multiview": {"mode": "4xWIN"}})"));
        QVERIFY(rka.start({"--model", "RKA204QE"}) && tn.start({"--model", "TN386"}));
        LinkSession a, b;
        b.setTrafficRecording(false);
        LinkEventLog logA(a), logB(b);
        a.openTcpClient("127.0.0.1", "127.0.0.1", QString::number(rka.port()));
        b.openTcpClient("127.0.0.1", "127.0.0.1", QString::number(tn.port()));
        QVERIFY(logA.waitFor(LinkEvent::ConnectStatus, 1, WaitMs) &&
                logB.waitFor(LinkEvent::ConnectStatus, 1, WaitMs));

        // Both read at once, each its whole device.
        SetupReader readA(a), readB(b);
        readA.start(SetupReader::allGroups());
        readB.start(SetupReader::allGroups());
        QTRY_VERIFY_WITH_TIMEOUT(readA.outcome() != SetupReader::Outcome::Running &&
                                     readB.outcome() != SetupReader::Outcome::Running,
                                 WaitMs);
        QCOMPARE(readA.outcome(), SetupReader::Outcome::Done);
        QCOMPARE(readB.outcome(), SetupReader::Outcome::Done);
        QCOMPARE(a.device().context().CurrentModel, quint8(ModelRKA204QE));
        QCOMPARE(b.device().context().CurrentModel, quint8(ModelTN386));
        const SetupValues &valuesA = readA.setup().values;
        const SetupValues &valuesB = readB.setup().values;
        QCOMPARE(valuesA.at("output.hdcp") + ' ' + valuesA.at("audio.volume") + ' ' +
                     valuesA.at("multiview.mode") + ' ' + valuesA.at("multiview.window1"),
                 QStringLiteral("FORCE-OFF 64 PIP HDMI3"));
        QCOMPARE(valuesB.at("output.hdcp") + ' ' + valuesB.at("audio.volume") + ' ' +
                     valuesB.at("multiview.mode") + ' ' + valuesB.at("audio.mic1Volume"),
                 QStringLiteral("FORCE-1.4 12 4xWIN 33"));
        // Neither holds a value only the other device has, and each model holds what its setup read.
        QVERIFY(a.device().value("audio.mic1Volume").isNull() &&
                b.device().value("multiview.pipPosition").isNull());
        QCOMPARE(a.device().value("audio.volume"), QStringLiteral("64"));
        QCOMPARE(b.device().value("audio.volume"), QStringLiteral("12"));
        QVERIFY(a.traffic().size() > 0 && b.traffic().size() == 0);

        // A restore without traffic log sends what differs and reads back.
        DeviceSetup target = readB.setup();
        target.values["audio.volume"] = QStringLiteral("20");
        target.values["audio.mic1Volume"] = QStringLiteral("40");
        SetupRestore restore(b);
        restore.start(target, false);
        QTRY_VERIFY_WITH_TIMEOUT(restore.outcome() != SetupRestore::Outcome::Running, WaitMs);
        QCOMPARE(restore.outcome(), SetupRestore::Outcome::Matches);
        QCOMPARE(restore.sent(), (QStringList{"SET AUDIO VOL 20", "SET MIC1 VOL 40"}));
        QCOMPARE(volumeOf(tn), 20);
        QCOMPARE(volumeOf(rka), 64);
        QCOMPARE(a.device().value("audio.volume"), QStringLiteral("64"));
        QCOMPARE(b.device().value("audio.volume"), QStringLiteral("20"));
        QCOMPARE(b.traffic().size(), std::size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestSessions)
#include "tst_sessions.moc"
