// The real main window against lumaplex-sim: identification and synchronisation of every model over TCP and
// over a serial line, the operator's changes reaching the device, the pauses after a resolution change and
// a reset, the writes of the device's own link parameters, and devices that do not answer as they should.

#include "gui/E2eFixture.h"

#include "session/LinkSession.h"
#include "shell/Ui_Debug.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QtTest>
#include <QtWidgets>

#include <algorithm>

namespace {

// The requests of identification and synchronisation, in order.
QStringList syncRequests(quint8 model, bool serial)
{
    QStringList requests{"GET MODEL TYPE", "GET OUT RESOLUTION", "GET OUT HDCP",       "GET OUT VKA",
                         "GET OUT ITC",    "GET OUT 4K-AUTO",    "GET MULTIVIEW-SYNC", "GET AUDIO SOURCE",
                         "GET AUDIO VOL",  "GET AUDIO-MUTE"};
    if (model == ModelRKA07QE)
        requests.removeOne("GET OUT 4K-AUTO");
    if (model == ModelTN386)
        requests +=
            {"GET MAIN-AUDIO ONOFF", "GET MIC1 ONOFF", "GET MIC1 VOL", "GET MIC2 ONOFF", "GET MIC2 VOL"};
    return requests << "GET IN EDIDMODE" << (serial ? "GET BAUDRATE" : "GET NETWORK-INFO");
}

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
    void pauseCountsDown();
    void restartIsFollowed_data();
    void restartIsFollowed();
    void misbehavingDevice_data();
    void misbehavingDevice();
    void deviceGoesAway_data();
    void deviceGoesAway();

private:
    Ui_Main *w() const { return ui->window(); }
    QString pageValueNotOnDevice(quint8 index, bool serial) const;
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
    const int windows = mode == ModeSingle ? 1 : mode == Mode3xWin ? 3 : mode == Mode4xWin ? 4 : 2;

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

// The state-file path of the first value that a page shows and the device does not hold (empty when every
// page shows the device's values); a page's value is written as in the state file.
QString TestE2e::pageValueNotOnDevice(quint8 index, bool serial) const
{
    const auto *out = w()->outputPage;
    const auto *mv = w()->multiviewPage;
    const auto *au = w()->audioPage;
    const auto *sys = w()->systemPage;
    const bool tn386 = index == ModelTN386;
    const auto word = [](const WordList &list, int at) { return QJsonValue(QString(list.at(quint32(at)))); };
    const auto on = [](const QPushButton *onButton, const QPushButton *offButton) {
        return QJsonValue(flatOf(onButton, offButton) == 0);
    };
    QList<QPair<QJsonValue, QString>> shown = {
        {out->resolutionCombo->currentText(), "output/resolution"},
        {word(Tables::HdcpModes, out->hdcpCombo->currentIndex()), "output/hdcp"},
        {word(Tables::VkaModes, out->vkaCombo->currentIndex()), "output/vka"},
        {out->itcCombo->currentIndex() == 0, "output/itc"},
        {word(Tables::audioSources(index),
              (tn386 ? au->mainSourceCombo : au->commonSourceCombo)->currentIndex()),
         "audio/source"},
        {(tn386 ? au->overallVolumeField : au->commonVolumeField)->text().toInt(), "audio/volume"},
        {tn386 ? on(au->overallMuteOn, au->overallMuteOff) : on(au->commonMuteOn, au->commonMuteOff),
         "audio/mute"},
        {word(Tables::EdidModes, sys->edidModeCombo->currentIndex()), "edid/mode"},
    };
    if (index != ModelRKA07QE)
        shown += {{out->autoCombo->currentIndex() == 0, "output/fourKAuto"}};
    const int mode = Tables::MultiviewModes.indexOf(device("multiview/mode").toString().toLatin1());
    const QString layout = "multiview/layouts/" + device("multiview/mode").toString() + '/';
    const auto flat =
        std::count_if(mv->modeButtons.begin(), mv->modeButtons.end(), [](auto *b) { return b->isFlat(); });
    if (flat != 1 || !mv->modeButtons.at(mode)->isFlat())
        return "multiview/mode";
    if (mode == ModeSingle)
        shown +=
            {{mv->sources->resolutionField->text(), "inputResolution"},
             {on(mv->sources->autoSwitchOnButton, mv->sources->autoSwitchOffButton), "multiview/autoSwitch"}};
    else if (mode == ModePip)
        shown += {{word(Tables::PipPositions, mv->positionCombo->currentIndex()), "multiview/pipPosition"},
                  {word(Tables::PipSizes, mv->sizeCombo->currentIndex()), "multiview/pipSize"}};
    else
        shown += {{word(Tables::Aspects, mv->aspectCombo->currentIndex()), layout + "aspect"},
                  {mv->modeCombo->currentIndex() + 1, layout + "mode"}};
    const int windows = mode == ModeSingle ? 1 : mode == Mode3xWin ? 3 : mode == Mode4xWin ? 4 : 2;
    for (int window = 0; window < windows; ++window)
        shown += {{word(Tables::inputSources(index), flatSource(mv, window)),
                   "multiview/windows/" + QString::number(window)}};
    if (tn386)
        shown += {{on(au->mainOn, au->mainOff), "audio/mainAudio"},
                  {on(au->micOn[0], au->micOff[0]), "audio/mic1/on"},
                  {au->micVolumeField[0]->text().toInt(), "audio/mic1/volume"},
                  {on(au->micOn[1], au->micOff[1]), "audio/mic2/on"},
                  {au->micVolumeField[1]->text().toInt(), "audio/mic2/volume"}};
    if (serial)
        shown += {{sys->baudCombo->currentText().toInt(), "baudRate"},
                  {w()->connectionPage->baudBox->currentText().toInt(), "baudRate"}};
    else
        shown += {{sys->maskField->text(), "network/mask"},
                  {sys->gatewayField->text(), "network/gateway"},
                  {sys->portField->text().toInt(), "network/port"}};
    for (const auto &value : shown) {
        if (value.first != device(value.second))
            return value.second;
    }
    return QString();
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

void TestE2e::pauseCountsDown()
{
    QVERIFY(connectTo("RKA204QE"));
    Ui_Output *out = w()->outputPage;
    const QPlainTextEdit *status = w()->connectionPage->statusText;
    QSignalSpy paused(w()->session, &LinkSession::SGL_PauseStarted);
    QSignalSpy resumed(w()->session, &LinkSession::SGL_PauseEnded);
    QStringList sentDuringPause;
    QList<int> countdown;
    QObject listener;
    connect(w()->session, &LinkSession::SGL_PauseEnded, &listener,
            [&] { sentDuringPause = sim->requests(); });
    const QRegularExpression left("The device is busy, commands wait (\\d+) s$");
    connect(w()->session, &LinkSession::SGL_PauseLeft, &listener, [&] {
        const QRegularExpressionMatch match = left.match(status->toPlainText());
        countdown << (match.hasMatch() ? match.captured(1).toInt() : -1);
    });
    const int from = mark();

    // A new resolution holds the next command back while the device changes its output; the status box
    // counts the seconds down.
    QVERIFY(ui->choose(out->resolutionCombo, 2) && ui->choose(out->hdcpCombo, 1));
    QVERIFY(resumed.wait(PausedTimeoutMs));
    // The status box counted the seconds down from 10 while the pause lasted, never up.
    QStringList shown;
    for (const int seconds : countdown)
        shown << QString::number(seconds);
    QVERIFY2(countdown.size() >= 2 && countdown.first() == 10 && countdown.last() >= 1 &&
                 countdown.last() < 10 && std::is_sorted(countdown.rbegin(), countdown.rend()),
             qPrintable(shown.join(' ')));
    QCOMPARE(paused.takeFirst().at(1).toInt(), 10000);
    QCOMPARE(sentDuringPause.mid(from), QStringList{"SET OUT RESOLUTION 3840x2160p60"});
    QVERIFY(received(from, {"SET OUT RESOLUTION 3840x2160p60", "SET OUT HDCP FORCE-2.2"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("output/hdcp").toString(), QStringLiteral("FORCE-2.2"), ReplyTimeoutMs);
    QVERIFY(!status->toPlainText().contains("commands wait"));
}

void TestE2e::restartIsFollowed_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("message");
    QTest::newRow("reset over TCP") << false << "reset"
                                    << "Confirm to reset the device to factory settings?";
    QTest::newRow("reset over RS-232") << true << "reset"
                                       << "Confirm to reset the device to factory settings?";
    const QString written =
        "1-Sync Config Info....\r\n2-The tool reconnects with the new settings by itself.";
    QTest::newRow("network settings over TCP") << false << "write" << written;
    QTest::newRow("baud rate over RS-232") << true << "write" << written;
}

// A confirmed reset, or a write of the link's own parameter, makes the device restart: the tool waits for
// it (counting down), connects again where it now listens, and identifies and reads it again.
void TestE2e::restartIsFollowed()
{
    QFETCH(bool, serial);
    QFETCH(QString, action);
    QFETCH(QString, message);
    const QByteArray seed = R"({"output": {"hdcp": "FORCE-2.2", "vka": "BLACKSCREEN", "itc": true}, "edid":
        {"mode": "720p"}, "multiview": {"mode": "PIP", "windows": ["HDMI3", "USB-C"], "pipSize": "MIDDLE"},
        "audio": {"source": "HDMI2", "volume": 42, "mute": true}})";
    QVERIFY(connectTo("RKA204QE", QJsonDocument::fromJson(seed).object(), {"--reset-ms", "1500"}, serial));
    Ui_System *page = w()->systemPage;
    Ui_Uart_Network *connection = w()->connectionPage;
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString newPort = QString::number(probe.serverPort());
    probe.close();
    const int from = mark();
    QSignalSpy waiting(w()->session, &LinkSession::SGL_RestartWait);
    QString countdown;
    QObject listener;
    connect(w()->session, &LinkSession::SGL_RestartWait, &listener,
            [&] { countdown = connection->statusText->toPlainText().section("\n", -1); });

    QString command = "SET RESET";
    if (action == "reset") {
        MessageBoxSeam::pushAnswer(true);
        QVERIFY(ui->click(page->resetButton));
    } else if (serial) {
        command = "SET BAUDRATE 19200";
        QVERIFY(ui->choose(page->baudCombo, 1) && ui->click(page->rs232WriteButton));
    } else {
        command = "SET NETWORK-INFO 127.0.0.1 " + newPort + " 255.0.0.0 127.0.0.1";
        QVERIFY(ui->type(page->portField, newPort) && ui->click(page->networkWriteButton));
    }
    // (The reply to a write ends with the marker too.)
    QVERIFY(ui->waitForSyncOver(action == "write" ? 3 : 2, PausedTimeoutMs));
    QCOMPARE(waiting.first().at(1).toInt(), 60);
    QVERIFY2(countdown.startsWith("Waiting for the device to come back: "), qPrintable(countdown));
    const QStringList sent = sim->requests().mid(from);
    QCOMPARE(sent.first(), command);
    QCOMPARE(sent.mid(sent.lastIndexOf("GET MODEL TYPE")), syncRequests(ModelRKA204QE, serial));
    QCOMPARE(pageValueNotOnDevice(ModelRKA204QE, serial), QString());
    QCOMPARE(ui->messages(), QStringList{message});
    QVERIFY(connection->statusOk && !connection->statusText->toPlainText().contains("s left"));
    if (action == "write" && serial)
        QCOMPARE(connection->baudBox->currentText(), QStringLiteral("19200"));
    if (action == "write" && !serial)
        QVERIFY(connection->portEdit->text() == newPort && QString::number(sim->port()) == newPort);
    if (action == "reset")
        QCOMPARE(device("output/hdcp").toString(), QStringLiteral("FORCE-1.4"));
}

void TestE2e::misbehavingDevice_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("syncEnd"); // empty: the link is closed

    QTest::newRow("model query unanswered")
        << "RKA204QE" << QStringList{"--silent"} << "Failed to identify device!Error Code:GET MODEL TYPE"
        << QString();
    QTest::newRow("unknown model") << "XYZ" << QStringList{} << "The device does not match with the PC tool!"
                                   << QString();
    // The synchronisation goes on past unanswered reads, also its last one, and names them; their time-outs
    // gather in one box.
    QTest::newRow("reads unanswered")
        << "RKA204QE" << QStringList{"--no-reply", "OUT HDCP", "--no-reply", "NETWORK-INFO"}
        << "Unable to communicate with device!Error Code:GET OUT HDCP\nGET NETWORK-INFO"
        << "->Sync over, no reply to: GET OUT HDCP, GET NETWORK-INFO<-";
}

void TestE2e::misbehavingDevice()
{
    QFETCH(QString, model);
    QFETCH(QStringList, faults);
    QFETCH(QString, message);
    QFETCH(QString, syncEnd);
    QVERIFY(connectTo(model, {}, faults, false, false));
    Ui_Uart_Network *connection = w()->connectionPage;

    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), QStringList{message}, SyncTimeoutMs);
    if (!syncEnd.isEmpty()) {
        QTRY_VERIFY(connection->statusText->toPlainText().trimmed().endsWith(syncEnd));
        QVERIFY(connection->statusOk && State().LinkType == LinkTcpClient);
        QCOMPARE(sim->requests(), syncRequests(ModelRKA204QE, false));
        QCOMPARE(ui->syncOverCount(), 0);
        return;
    }
    // Identification failed and closed the link; the next attempt identifies anew.
    QCOMPARE(sim->requests(), QStringList{"GET MODEL TYPE"});
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("client disconnected"), 1, ReplyTimeoutMs);
    QVERIFY(ui->click(connection->networkConnectButton));
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), (QStringList{message, message}), ReplyTimeoutMs);
    QCOMPARE(sim->requests(), (QStringList{"GET MODEL TYPE", "GET MODEL TYPE"}));
    QCOMPARE(w()->session->device().context().CurrentModel, NoModel);
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(!connection->statusOk && connection->serialConnectButton->isEnabled());
    QCOMPARE(connection->networkConnectButton->text(), QStringLiteral("Connect"));
}

void TestE2e::deviceGoesAway_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason");
    QTest::newRow("process killed, TCP") << false << "Network connect error,please reconnect network!!!"
                                         << "The remote host closed the connection";
    QTest::newRow("serial port unplugged") << true << "The serial port is gone (unplugged or removed)!"
                                           << "Input/output error";
}

// A device that goes away while the link is idle is noticed at once: the link is closed with one message
// that says why, the status box tells the same.
void TestE2e::deviceGoesAway()
{
    QFETCH(bool, serial);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QVERIFY(connectTo("RKA204QE", {}, {}, serial));
    Ui_Uart_Network *connection = w()->connectionPage;
    sim->process.process.kill();
    // At once: well before the keep-alive (5 s) could tell.
    QTRY_COMPARE_WITH_TIMEOUT(State().LinkType, quint32(LinkNone), 2500);
    QCOMPARE(ui->messages(), QStringList{message + " (" + reason + ")"});
    QVERIFY(connection->statusText->toPlainText().contains("Link to the device lost: " + reason));
    QVERIFY(!connection->statusOk && connection->networkConnectButton->isEnabled());
    QCOMPARE((serial ? connection->serialConnectButton : connection->networkConnectButton)->text(),
             QStringLiteral("Connect"));
}

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
