// Link sessions in one process, each with its own device model, against simulators of every model at once:
// a click before a waiting watch read, and the whole settings table walked on every model.

#include "core/LinkEventLog.h"
#include "core/SimDevice.h"
#include "protocol/Catalogue.h"
#include "protocol/Settings.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "setup/SetupReader.h"
#include "setup/SetupRestore.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

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

    // The settings table walked on every model at once: five sessions in one process against five
    // simulators, each device in a layout that shows other rows. Every setting of a device's setup is read,
    // parsed back to a value of its row and is the device's own (no session sees another's values); a model
    // is never asked for a setting it lacks; a write beyond its row's range or list is refused; every word
    // goes from the wire to the page's text and back. One session keeps no traffic log: its restore ends all
    // the same.
    void settingsTableOnEveryModel()
    {
        const char *const seeds[] = {
            R"({"output": {"hdcp": "FORCE-OFF", "resolution": "USER"}, "audio": {"volume": 64},
                "multiview": {"mode": "PIP", "pipPosition": "USER", "windows": ["HDMI3", "USB-C"]}})",
            R"({"edid": {"mode": "720p"}, "multiview": {"mode": "SINGLE", "autoSwitch": false}})",
            R"({"multiview": {"mode": "PBP", "windows": ["DP", "HDMI7"], "layouts": {"PBP": {"mode": 3}},
                              "pbpPresenter": [100, 200, 640, 360]}})",
            R"({"audio": {"volume": 12, "mic1": {"volume": 33}},
                "multiview": {"mode": "4xWIN", "windows": ["HDMI1", "HDMI2", "DP", "USB-C"]}})",
            R"({"multiview": {"mode": "3xWIN", "windows": ["DP", "USB-C", "HDMI3"]}})"};
        const QStringList seen[] = {
            {"output.hdcp=FORCE-OFF", "audio.volume=64", "multiview.pipPosition=USER",
             "multiview.window2=USB-C", "output.resolution=USER"},
            {"edid.mode=720p", "multiview.autoSwitch=OFF", "output.hdcp=FORCE-1.4"},
            {"multiview.layout=3", "multiview.presenterWindow=100 200 640 360", "multiview.window1=DP"},
            {"audio.volume=12", "audio.mic1Volume=33", "multiview.window4=USB-C"},
            {"multiview.mode=3xWIN", "multiview.window3=HDMI3"}};
        constexpr int Models = 5;
        SimDevice sims[Models];
        LinkSession sessions[Models];
        std::vector<std::unique_ptr<SetupReader>> readers;
        for (quint32 m = 0; m < Models; ++m) {
            sims[m].seedState(json(seeds[m]));
            QVERIFY(sims[m].start({"--model", Tables::Models.at(m)}));
            LinkEventLog log(sessions[m]);
            sessions[m].openTcpClient("127.0.0.1", "127.0.0.1", QString::number(sims[m].port()));
            QVERIFY(log.waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
            readers.push_back(std::make_unique<SetupReader>(sessions[m]));
        }
        LinkSession &unlogged = sessions[ModelTN386];
        unlogged.setTrafficRecording(false);
        for (auto &reader : readers)
            reader->start(SetupReader::allGroups());
        QTRY_VERIFY_WITH_TIMEOUT(
            std::none_of(readers.begin(), readers.end(),
                         [](const auto &r) { return r->outcome() == SetupReader::Outcome::Running; }),
            WaitMs);

        QSet<QString> walked;
        for (quint32 m = 0; m < Models; ++m) {
            QCOMPARE(readers[m]->outcome(), SetupReader::Outcome::Done);
            const SetupValues &values = readers[m]->setup().values;
            const DeviceContext &device = sessions[m].device().context();
            QCOMPARE(device.CurrentModel, quint8(m));
            for (const QString &pair : seen[m])
                QCOMPARE(pair.section('=', 0, 0) + '=' + values.at(pair.section('=', 0, 0)), pair);
            const QStringList asked = sims[m].requests();
            for (const Setting &setting : Settings::all()) {
                const QString name = QLatin1String(setting.name);
                const auto value = values.find(name);
                if (!Settings::applies(setting, m, values)) {
                    QVERIFY2(value == values.end() && sessions[m].device().value(name).isNull(),
                             setting.name);
                    continue;
                }
                walked << name;
                QVERIFY2(value != values.end(), setting.name);
                QCOMPARE(Settings::normalized(setting, m, values, value->second), value->second);
                QCOMPARE(sessions[m].device().value(name), value->second);
                if (setting.object && setting.words) {
                    const WordList &words = setting.words(m);
                    const QStringList displays = words.displayList();
                    for (int i = 0; i < words.count; ++i)
                        QCOMPARE(words.toStringList().value(displays.indexOf(displays[i])),
                                 QLatin1String(words.wire(quint32(i))));
                    QVERIFY(!WriteSetting(device, setting.name, quint32(words.count - 1)).isNull());
                    QVERIFY(WriteSetting(device, setting.name, quint32(words.count)).isNull());
                } else if (setting.object) {
                    const auto range = Settings::range(setting, m, values);
                    QVERIFY(!WriteSetting(device, setting.name, QString::number(range.second)).isNull());
                    QVERIFY(WriteSetting(device, setting.name, QString::number(range.second + 1)).isNull());
                    QVERIFY(WriteSetting(device, setting.name, QString::number(range.first - 1)).isNull());
                }
            }
            // What only other models have is never asked.
            for (const Setting &setting : Settings::all()) {
                const bool shared =
                    std::any_of(Settings::all().begin(), Settings::all().end(), [&](const Setting &other) {
                        return other.onModel(m) && other.readObject && setting.readObject &&
                               qstrcmp(other.readObject, setting.readObject) == 0;
                    });
                if (!setting.onModel(m) && setting.readObject && !shared)
                    QVERIFY2(!asked.contains(QStringLiteral("GET %1").arg(setting.readObject)), setting.name);
            }
            QVERIFY(asked.filter(QRegularExpression("^SET ")).isEmpty());
        }
        QCOMPARE(walked.size(), int(Settings::all().size()));

        // A restore without traffic log sends what differs and reads back.
        DeviceSetup target = readers[ModelTN386]->setup();
        target.values["audio.volume"] = QStringLiteral("20");
        target.values["audio.mic1Volume"] = QStringLiteral("40");
        SetupRestore restore(unlogged);
        restore.start(target, false);
        QTRY_VERIFY_WITH_TIMEOUT(restore.outcome() != SetupRestore::Outcome::Running, WaitMs);
        QCOMPARE(restore.outcome(), SetupRestore::Outcome::Matches);
        QCOMPARE(restore.sent(), (QStringList{"SET AUDIO VOL 20", "SET MIC1 VOL 40"}));
        QCOMPARE(volumeOf(sims[ModelTN386]), 20);
        QCOMPARE(volumeOf(sims[ModelRKA204QE]), 64);
        QCOMPARE(sessions[ModelRKA204QE].device().value("audio.volume"), QStringLiteral("64"));
        QCOMPARE(unlogged.device().value("audio.volume"), QStringLiteral("20"));
        QVERIFY(sessions[ModelRKA204QE].traffic().size() > 0 && unlogged.traffic().size() == 0);
    }
};

QTEST_GUILESS_MAIN(TestSessions)
#include "tst_sessions.moc"
