// The real main window against lumaplex-sim: identification and synchronisation of every model over TCP and
// over a serial line, and the operator's changes reaching the device. What takes its time (pauses, restarts,
// time-outs, a device gone) is in tst_e2e_waits.

#include "gui/E2eFixture.h"

#include "session/LinkSession.h"
#include "shell/Ui_Debug.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTextEdit>

namespace {

// True when every value of `part` is in `whole` at the same place.
bool containedIn(const QJsonValue &part, const QJsonValue &whole)
{
    const QJsonArray array = part.toArray();
    const QJsonObject object = part.toObject();
    for (int i = 0; i < array.size(); ++i) {
        if (!containedIn(array.at(i), whole.toArray().at(i)))
            return false;
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!containedIn(it.value(), whole.toObject().value(it.key())))
            return false;
    }
    return part.isArray() || part.isObject() || part == whole;
}

// A first block with its checksum and without extensions, padded to 256 bytes.
const QByteArray Edid = QByteArray::fromHex("00FFFFFFFFFFFF000102030405") + QByteArray(114, '\0') + '\xF7' +
                        QByteArray(128, '\0');

} // namespace

class TestE2e : public QObject, public E2eFixture
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { closeSession(); }

    void identifiesAndSynchronises_data();
    void identifiesAndSynchronises();
    void operatorChangeReachesDevice_data();
    void operatorChangeReachesDevice();

private:
    Ui_Main *w() const { return ui->window(); }
};

void TestE2e::identifiesAndSynchronises_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("offers"); // what the pages offer for the model
    QTest::addColumn<QByteArray>("seed");
    // Every value the pages show differs from the factory state and from what a page shows before a reply.
    const auto add = [](const char *model, const char *offers, const QByteArray &seed) {
        for (const bool serial : {false, true})
            QTest::addRow("%s over %s", model, serial ? "RS-232" : "TCP")
                << model << serial << offers << seed;
    };
    add("RKA204QE", "4K AUTO, 5 inputs, 6 audio sources, common frame, Main Sub Expand, network", R"({
        "output": {"resolution": "3840x2160p30", "hdcp": "FORCE-2.2", "vka": "BLACKSCREEN", "itc": true,
                   "fourKAuto": true}, "edid": {"mode": "1080p60-5.1"}, "baudRate": 38400,
        "multiview": {"mode": "PIP", "windows": ["HDMI3", "USB-C"], "pipPosition": "LeftBottom",
                      "pipSize": "MIDDLE"}, "audio": {"source": "HDMI2", "volume": 42, "mute": true},
        "network": {"ip": "127.0.0.1", "port": 1, "mask": "255.255.0.0", "gateway": "127.0.0.254"}})");
    add("RKA07QE", "4 inputs, 5 audio sources, common frame, Main Sub", R"({
        "output": {"resolution": "1280x720p50", "hdcp": "FORCE-OFF", "itc": true}, "edid": {"mode": "720p"},
        "multiview": {"mode": "PBP", "windows": ["HDMI4", "HDMI2"],
                      "layouts": {"PBP": {"aspect": "16:9", "mode": 2}}},
        "audio": {"source": "HDMI4", "volume": 77}, "baudRate": 57600,
        "network": {"ip": "127.0.0.1", "port": 1, "mask": "255.255.255.0", "gateway": "127.0.0.9"}})");
    add("RKA386QE", "4K AUTO, 9 inputs, 11 audio sources, common frame, Main Sub Expand KeyBoard, network",
        R"({
        "output": {"resolution": "4096x2160p50", "hdcp": "FORCE-2.2", "fourKAuto": true},
        "multiview": {"mode": "4xWIN", "windows": ["DP", "HDMI7", "USB-C", "HDMI5"],
                      "layouts": {"4xWIN": {"aspect": "16:9", "mode": 6}}}, "edid": {"mode": "4K30-7.1"},
        "audio": {"source": "WIN-KVM", "volume": 100, "mute": true}, "baudRate": 115200,
        "network": {"ip": "127.0.0.1", "port": 1, "mask": "255.255.0.0", "gateway": "127.0.1.1"}})");
    add("TN386", "4K AUTO, 9 inputs, 14 audio sources, audio groups, Main Sub KeyBoard, network", R"({
        "output": {"resolution": "1024x768p60", "vka": "BLACKSCREEN", "fourKAuto": true},
        "multiview": {"mode": "SINGLE", "windows": ["HDMI6"], "autoSwitch": true}, "edid": {"mode": "USER"},
        "inputResolution": "3840x2160p30", "baudRate": 19200,
        "audio": {"source": "LR3", "volume": 33, "mute": true, "mainAudio": false,
                  "mic1": {"on": false, "volume": 12}, "mic2": {"on": true, "volume": 45}},
        "network": {"ip": "127.0.0.1", "port": 1, "mask": "255.255.0.0", "gateway": "127.0.0.3"}})");
    add("TN204E", "4K AUTO, 5 inputs, 6 audio sources, common frame, Main Sub", R"({
        "output": {"resolution": "1360x768p60", "hdcp": "FORCE-OFF", "vka": "BLACKSCREEN", "itc": true},
        "multiview": {"mode": "3xWIN", "windows": ["DP", "USB-C", "HDMI1"],
                      "layouts": {"3xWIN": {"aspect": "16:9", "mode": 3}}},
        "audio": {"source": "DP", "volume": 5}, "edid": {"mode": "1920x1200"}, "baudRate": 38400,
        "network": {"ip": "127.0.0.1", "port": 1, "mask": "255.255.0.0", "gateway": "127.0.0.4"}})");
}

void TestE2e::identifiesAndSynchronises()
{
    QFETCH(QString, model);
    QFETCH(bool, serial);
    QFETCH(QString, offers);
    QFETCH(QByteArray, seed);
    const quint8 index = quint8(Tables::Models.indexOf(model.toLatin1()));
    QJsonObject state = QJsonDocument::fromJson(seed).object();
    QVERIFY(connectTo(model, state, {}, serial));

    // The device took the seed (its own address and port aside).
    QJsonObject network = state.take("network").toObject();
    network.remove("ip");
    network.remove("port");
    QVERIFY(containedIn(state, sim->state()) && (serial || containedIn(network, device("network"))));
    QCOMPARE(State().LinkType, quint32(serial ? LinkSerial : LinkTcpClient));
    QVERIFY(w()->connectionPage->statusOk);
    QVERIFY(w()->connectionPage->statusText->toPlainText().trimmed().endsWith("->Sync Over!<-"));
    QCOMPARE(sim->requests(), syncRequests(index, serial));
    QCOMPARE(ui->messages(), QStringList());

    // Every page shows what the device holds.
    QCOMPARE(pageValueNotOnDevice(index, serial), QString());
    const auto *out = w()->outputPage;
    const auto *mv = w()->multiviewPage;
    const auto *au = w()->audioPage;
    const auto *sys = w()->systemPage;
    const bool tn386 = index == ModelTN386;
    const int mode = Tables::MultiviewModes.indexOf(device("multiview/mode").toString().toLatin1());
    const int windows = windowCount(mode);

    // What the pages offer for the model.
    for (int window = 0; window < 4; ++window)
        QCOMPARE(mv->sources->windowLabels.at(window)->isHidden(), window >= windows);
    int inputs = 0;
    for (const QLabel *label : mv->sources->sourceLabels)
        inputs += label->isHidden() ? 0 : 1;
    QStringList parts;
    for (int i = 0; i < sys->firmwareCombo->count(); ++i)
        parts << sys->firmwareCombo->itemText(i);
    const QComboBox *sources = tn386 ? au->mainSourceCombo : au->commonSourceCombo;
    QStringList offered{QString::number(inputs) + " inputs",
                        QString::number(sources->count()) + " audio sources",
                        QString(au->commonFrame->isHidden() ? "" : "common frame") +
                            (au->mainGroup->isHidden() ? "" : "audio groups"),
                        parts.join(' ')};
    if (!out->autoCombo->isHidden())
        offered.prepend("4K AUTO");
    if (!sys->ipField->isHidden())
        offered << "network";
    QCOMPARE(offered.join(", "), offers);

    // The debug console shows the whole exchange, each reply with its time, command and round trip.
    QTest::keyClick(w(), Qt::Key_Z, Qt::AltModifier);
    QCOMPARE(w()->debugConsole->sendText->toPlainText(), syncRequests(index, serial).join('\n') + '\n');
    const QRegularExpression firstReply("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  MODEL TYPE " + model +
                                        "   \u2190 GET MODEL TYPE  \\d+\\.\\d ms\n");
    QVERIFY(w()->debugConsole->isVisible() &&
            firstReply.match(w()->debugConsole->recvText->toPlainText()).hasMatch());
}

void TestE2e::operatorChangeReachesDevice_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("seed"); // the device's state before the row (over its factory state)
    QTest::addColumn<Act>("act");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QJsonValue>("stored");
    QTest::addColumn<QStringList>("messages");
    const auto add = [](const char *model, const char *name, const QByteArray &seed, Act act,
                        const QStringList &sent, const char *path, const QJsonValue &stored,
                        const QStringList &messages = {}) {
        QTest::addRow("%s %s", model, name)
            << QString(model) << seed << act << sent << QString(path) << stored << messages;
    };
    const char *rka = "RKA386QE";
    const QByteArray pip = R"({"multiview": {"mode": "PIP"}})";
    const QByteArray pbp = R"({"multiview": {"mode": "PBP"}})";

    add(rka, "HDCP", {}, ACT(d.choose(out->hdcpCombo, 1)), {"SET OUT HDCP FORCE-2.2"}, "output/hdcp",
        "FORCE-2.2");
    add(rka, "auto switch", {}, ACT(d.click(mv->sources->autoSwitchOnButton)), {"SET AUTO SWITCH ON"},
        "multiview/autoSwitch", true);
    add(rka, "scene saved", R"({"multiview": {"autoSwitch": true}})",
        ACT((MessageBoxSeam::pushAnswer(true), d.choose(mv->layouts->saveCombo, 2))), {"SET SAVE SCENE 3"},
        "scenes/2/autoSwitch", true, {"Save Confirm?"});
    add(rka, "PIP", {}, ACT(d.click(mv->modeButtons.at(ModePip))),
        {"SET MULTIVIEW PIP", "GET MULTIVIEW-SYNC"}, "multiview/mode", "PIP");
    // A user size reads the user rectangle at once.
    add(rka, "PIP user size", pip, ACT(d.choose(mv->sizeCombo, 3)), {"SET PIP SIZE USER", "GET PIP USER"},
        "multiview/pipSize", "USER");
    add(rka, "PIP rectangle", R"({"multiview": {"mode": "PIP", "pipPosition": "USER", "pipSize": "USER"}})",
        ACT(d.type(mv->hStartField, "100") && d.type(mv->vStartField, "200") &&
            d.type(mv->hSizeField, "640") && d.type(mv->vSizeField, "360") &&
            d.click(mv->rectangleWriteButton)),
        {"SET PIP USER 100 200 640 360"}, "multiview/pipUser", QJsonArray{100, 200, 640, 360});
    add(rka, "PBP", {}, ACT(d.click(mv->modeButtons.at(ModePbp))),
        {"SET MULTIVIEW PBP", "GET MULTIVIEW-SYNC"}, "multiview/mode", "PBP");
    // Layout 3 of PBP is the presenter layout: its capture rectangle is read at once.
    add(rka, "PBP presenter layout", pbp, ACT(d.choose(mv->modeCombo, 2)),
        {"SET PBP MODE 3", "GET PBP-PRESENTER"}, "multiview/layouts/PBP/mode", 3);
    add(rka, "window 2 source", pbp, ACT(d.click(mv->sources->sourceButtons.at(9 + 7))),
        {"SET WINDOW2 IN DP"}, "multiview/windows/1", "DP");
    add(rka, "scene loaded", pbp,
        ACT((MessageBoxSeam::pushAnswer(true), d.choose(mv->layouts->loadCombo, 0))), {"SET LOAD SCENE 1"},
        "multiview/mode", "SINGLE", {"Load Confirm?"});
    add(rka, "user EDID", {},
        ACT((d.appDir.writeFile("/monitor.bin", Edid),
             FileChooserSeam::pushChosenPath(d.appDir.file("/monitor.bin")),
             d.click(sys->loadButton) && d.click(sys->edidWriteButton))),
        {"SET EDID-USER " + Edid.toHex(' ').toUpper()}, "edid/user", QString(Edid.toHex().toUpper()),
        {"EDID Write Success."});

    add("RKA204QE", "audio source", {}, ACT(d.choose(au->commonSourceCombo, 5)), {"SET AUDIO SOURCE USB-C"},
        "audio/source", "USB-C");
    add("RKA204QE", "volume typed", {}, ACT(d.typeAndEnter(au->commonVolumeField, "64")),
        {"SET AUDIO VOL 64"}, "audio/volume", 64);
    // 150 is over the limit and never sent.
    add("RKA204QE", "volume over the limit, then down", R"({"audio": {"volume": 64}})",
        ACT(d.typeAndEnter(au->commonVolumeField, "150") && d.click(au->commonVolumeDown)),
        {"SET AUDIO VOL-"}, "audio/volume", 63);
    add("TN386", "main audio", {}, ACT(d.click(au->mainOff)), {"SET MAIN-AUDIO ONOFF OFF"}, "audio/mainAudio",
        false);
    add("TN386", "microphone 1 volume", {}, ACT(d.typeAndEnter(au->micVolumeField[0], "35")),
        {"SET MIC1 VOL 35"}, "audio/mic1/volume", 35);
    add("TN386", "volume over the limit, then up", R"({"audio": {"volume": 15}})",
        ACT(d.typeAndEnter(au->overallVolumeField, "60") && d.click(au->overallVolumeUp)), {"SET AUDIO VOL+"},
        "audio/volume", 16);
}

void TestE2e::operatorChangeReachesDevice()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, seed);
    QFETCH(Act, act);
    QFETCH(QStringList, sent);
    QFETCH(QString, path);
    QFETCH(QJsonValue, stored);
    QFETCH(QStringList, messages);
    QVERIFY(connectTo(model, QJsonDocument::fromJson(seed).object()));
    MainWindowDriver::clearMessages();
    const int from = mark();
    QSignalSpy replies(w()->session, &LinkSession::SGL_LineReceived);

    QVERIFY(act(*ui, w()));
    QVERIFY(received(from, sent));
    QTRY_COMPARE_WITH_TIMEOUT(device(path), stored, ReplyTimeoutMs);
    // Every request is answered (the device saves its state before it answers, so the state alone does not
    // tell that the answer has come; it may say more), and no box beyond the row's own was shown.
    QTRY_VERIFY_WITH_TIMEOUT(replies.count() >= mark() - from, ReplyTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(ui->repliesReceived(), sim->logLines(" -> "), ReplyTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), messages, ReplyTimeoutMs);
}

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
