// The real main window against lumaplex-sim: pressing Connect identifies the device, reads its whole state
// in the fixed order and shows it on every page; unknown, silent, half-answering and disconnecting devices
// get the reactions an operator must see.

#include "gui/E2eFixture.h"

#include "config/AppState.h"
#include "shell/Ui_Main.h"
#include "link/LinkChannel.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ValueTables.h"

#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// What one simulated device holds and how the pages must show it after the synchronisation.
struct ModelCase
{
    const char *model;
    quint8 index;
    quint32 inputs;
    // Output page: combo indexes; fourK -1 when the model has no 4K AUTO.
    int resolution, hdcp, vka, itc, fourK;
    // Multiview: mode, then per mode PIP position and size, or aspect, layout mode index and count, or the
    // SINGLE input resolution and auto switch index; the source index of each shown window.
    int mode;
    int optionA, optionB, modeCount;
    const char *inputResolution;
    QList<int> windows;
    // Audio: source index, volume, mute index (0 on, 1 off).
    int audioSource, volume, mute;
    // System: EDID mode index.
    int edid;
};

const ModelCase modelCases[] = {
    {"RKA204QE", ModelRKA204QE, 5, 2, 1, 1, 0, 0, ModePip, 0, 1, 0, "", {2, 4}, 2, 42, 0, 7},
    {"RKA07QE", ModelRKA07QE, 4, 11, 2, 0, 1, -1, ModePbp, 1, 1, 3, "", {1, 3}, 4, 77, 1, 16},
    {"RKA386QE", ModelRKA386QE, 9, 14, 0, 1, 1, 1, Mode4xWin, 0, 2, 6, "", {7, 6, 8, 4}, 10, 100, 0, 5},
    {"TN386", ModelTN386, 9, 6, 1, 0, 0, 1, ModeSingle, 0, 0, 0, "3840x2160p30", {5}, 12, 33, 1, 18},
    {"TN204E", ModelTN204E, 5, 13, 2, 1, 1, 0, Mode3xWin, 1, 3, 4, "", {3, 4, 0}, 4, 5, 0, 9},
};

QString word(const WordList &list, int index)
{
    return QString::fromLatin1(list.at(quint32(index)));
}

// The simulator's state file for a case: every value the pages show differs from the factory state.
QJsonObject seedFor(const ModelCase &c)
{
    const WordList &inputs = Tables::inputSources(c.index);
    QJsonArray windows;
    for (int source : c.windows)
        windows.append(word(inputs, source));
    QJsonObject multiview{{"mode", word(Tables::MultiviewModes, c.mode)}, {"windows", windows}};
    if (c.mode == ModePip) {
        multiview["pipPosition"] = word(Tables::PipPositions, c.optionA);
        multiview["pipSize"] = word(Tables::PipSizes, c.optionB);
    } else if (c.mode == ModeSingle) {
        multiview["autoSwitch"] = c.optionB == 0;
    } else {
        QJsonObject layouts;
        layouts[word(Tables::MultiviewModes, c.mode)] =
            QJsonObject{{"aspect", word(Tables::Aspects, c.optionA)}, {"mode", c.optionB + 1}};
        multiview["layouts"] = layouts;
    }
    QJsonObject output{{"resolution", word(Tables::OutputResolutions, c.resolution)},
                       {"hdcp", word(Tables::HdcpModes, c.hdcp)},
                       {"vka", word(Tables::VkaModes, c.vka)},
                       {"itc", c.itc == 0}};
    if (c.fourK >= 0)
        output["fourKAuto"] = c.fourK == 0;
    return QJsonObject{
        {"output", output},
        {"multiview", multiview},
        {"inputResolution", c.mode == ModeSingle ? QString::fromLatin1(c.inputResolution) : "1920x1080p60"},
        {"audio", QJsonObject{{"source", word(Tables::audioSources(c.index), c.audioSource)},
                              {"volume", c.volume},
                              {"mute", c.mute == 0},
                              {"mainAudio", false},
                              {"mic1", QJsonObject{{"on", false}, {"volume", 12}}},
                              {"mic2", QJsonObject{{"on", true}, {"volume", 45}}}}},
        {"edid", QJsonObject{{"mode", word(Tables::EdidModes, c.edid)}}}};
}

// The read-all sequence after the model query, by page, for a model and a link.
QStringList readAllSequence(quint8 model, bool serial)
{
    QStringList requests{"GET MODEL TYPE", "GET OUT RESOLUTION", "GET OUT HDCP", "GET OUT VKA",
                         "GET OUT ITC"};
    if (model != ModelRKA07QE)
        requests << "GET OUT 4K-AUTO";
    requests << "GET MULTIVIEW-SYNC"
             << "GET AUDIO SOURCE"
             << "GET AUDIO VOL"
             << "GET AUDIO-MUTE";
    if (model == ModelTN386)
        requests << "GET MAIN-AUDIO ONOFF"
                 << "GET MIC1 ONOFF"
                 << "GET MIC1 VOL"
                 << "GET MIC2 ONOFF"
                 << "GET MIC2 VOL";
    requests << "GET IN EDIDMODE" << (serial ? "GET BAUDRATE" : "GET NETWORK-INFO");
    return requests;
}

} // namespace

class TestE2eIdentification : public QObject, public E2eFixture
{
    Q_OBJECT

private slots:
    void init() { openSession(); }
    void cleanup() { closeSession(); }

    void identifiesAndSynchronises_data();
    void identifiesAndSynchronises();
    void identifiesOverSerialLine_data() { identifiesAndSynchronises_data(); }
    void identifiesOverSerialLine();
    void rejectsUnknownModel();
    void silentDeviceFailsIdentification();
    void unansweredQueryKeepsLink();
    void droppedConnectionReconnectsAtNextAction();
    void reconnectIdentifiesAgain();
    void connectionDroppedMidSyncIsRestored();

private:
    void checkPages(const ModelCase &c, quint16 port);
};

void TestE2eIdentification::identifiesAndSynchronises_data()
{
    QTest::addColumn<int>("row");
    for (int row = 0; row < int(std::size(modelCases)); ++row)
        QTest::newRow(modelCases[row].model) << row;
}

void TestE2eIdentification::identifiesAndSynchronises()
{
    QFETCH(int, row);
    const ModelCase &c = modelCases[row];
    sim->seedState(seedFor(c));
    QVERIFY(sim->start({"--model", c.model}));

    QVERIFY(ui->connectTcp(sim->port()));
    QVERIFY(ui->waitForSyncOver(1, SyncTimeoutMs));

    const AppState &s = State();
    QCOMPARE(s.LinkType, quint32(LinkTcpClient));
    QCOMPARE(s.CurrentModel, c.index);
    QCOMPARE(s.InputCount, c.inputs);
    QVERIFY(s.ModelIdentified);
    QVERIFY(ui->window()->connectionPage->statusOk);
    QVERIFY(ui->endsWithSyncOver());
    QCOMPARE(sim->requests(), readAllSequence(c.index, false));
    QVERIFY(ui->messages().isEmpty());
    checkPages(c, sim->port());
}

void TestE2eIdentification::checkPages(const ModelCase &c, quint16 port)
{
    Ui_Main *w = ui->window();
    const Ui_Output *out = w->outputPage;
    QCOMPARE(out->resolutionCombo->currentText(), word(Tables::OutputResolutions, c.resolution));
    QCOMPARE(out->hdcpCombo->currentIndex(), c.hdcp);
    QCOMPARE(out->vkaCombo->currentIndex(), c.vka);
    QCOMPARE(out->itcCombo->currentIndex(), c.itc);
    QCOMPARE(out->autoCombo->isHidden(), c.fourK < 0);
    if (c.fourK >= 0)
        QCOMPARE(out->autoCombo->currentIndex(), c.fourK);

    const Ui_Multiview *mv = w->multiviewPage;
    QCOMPARE(State().MultiviewMode, quint32(c.mode));
    for (int m = 0; m < 5; ++m)
        QCOMPARE(mv->modeButtons.at(m)->isFlat(), m == c.mode);
    if (c.mode == ModePip) {
        QCOMPARE(mv->positionCombo->currentIndex(), c.optionA);
        QCOMPARE(mv->sizeCombo->currentIndex(), c.optionB);
        QVERIFY(!mv->positionCombo->isHidden());
        QVERIFY(mv->aspectCombo->isHidden());
    } else if (c.mode == ModeSingle) {
        QCOMPARE(mv->sources->resolutionField->text(), QString::fromLatin1(c.inputResolution));
        QCOMPARE(flatOf(mv->sources->autoSwitchOnButton, mv->sources->autoSwitchOffButton), c.optionB);
        QVERIFY(mv->positionCombo->isHidden());
        QVERIFY(mv->aspectCombo->isHidden());
    } else {
        QCOMPARE(mv->aspectCombo->currentIndex(), c.optionA);
        QCOMPARE(mv->modeCombo->count(), c.modeCount);
        QCOMPARE(mv->modeCombo->currentIndex(), c.optionB);
        QVERIFY(!mv->aspectCombo->isHidden());
        QVERIFY(mv->positionCombo->isHidden());
    }
    for (int window = 0; window < 4; ++window) {
        const bool shown = window < c.windows.size();
        QCOMPARE(mv->sources->windowLabels.at(window)->isHidden(), !shown);
        if (shown)
            QCOMPARE(flatSource(mv, window), c.windows.at(window));
    }
    for (int source = 0; source < 9; ++source)
        QCOMPARE(mv->sources->sourceLabels.at(source)->isHidden(), quint32(source) >= c.inputs);

    const Ui_Audio *au = w->audioPage;
    const bool tn386 = c.index == ModelTN386;
    QCOMPARE(au->commonFrame->isHidden(), tn386);
    QCOMPARE(au->mainGroup->isHidden(), !tn386);
    const QComboBox *source = tn386 ? au->mainSourceCombo : au->commonSourceCombo;
    QCOMPARE(source->count(), Tables::audioSources(c.index).count);
    QCOMPARE(source->currentIndex(), c.audioSource);
    QCOMPARE((tn386 ? au->overallVolumeField : au->commonVolumeField)->text(), QString::number(c.volume));
    QCOMPARE(tn386 ? flatOf(au->overallMuteOn, au->overallMuteOff)
                   : flatOf(au->commonMuteOn, au->commonMuteOff),
             c.mute);
    if (tn386) {
        QCOMPARE(flatOf(au->mainOn, au->mainOff), 1);
        QCOMPARE(flatOf(au->micOn[0], au->micOff[0]), 1);
        QCOMPARE(flatOf(au->micOn[1], au->micOff[1]), 0);
        QCOMPARE(au->micVolumeField[0]->text(), QStringLiteral("12"));
        QCOMPARE(au->micVolumeField[1]->text(), QStringLiteral("45"));
    }

    const Ui_System *sys = w->systemPage;
    QCOMPARE(sys->edidModeCombo->currentIndex(), c.edid);
    QCOMPARE(sys->firmwareCombo->count(), Tables::firmwareParts(c.index).size());
    QCOMPARE(sys->ipField->isHidden(), !Tables::hasNetworkSettings(c.index));
    QCOMPARE(sys->ipField->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(sys->portField->text(), QString::number(port));
    QCOMPARE(sys->maskField->text(), QStringLiteral("255.0.0.0"));
    QCOMPARE(sys->gatewayField->text(), QStringLiteral("127.0.0.1"));
}

void TestE2eIdentification::identifiesOverSerialLine()
{
    QFETCH(int, row);
    const ModelCase &c = modelCases[row];
    sim->seedState(seedFor(c));
    QVERIFY(sim->start({"--model", c.model, "--no-tcp"}, true));

    QVERIFY(ui->connectSerial(sim->ptyLink(), "9600"));
    QVERIFY(ui->waitForSyncOver(1, SyncTimeoutMs));

    QCOMPARE(State().LinkType, quint32(LinkSerial));
    QCOMPARE(State().CurrentModel, c.index);
    QCOMPARE(State().InputCount, c.inputs);
    QVERIFY(ui->window()->connectionPage->statusOk);
    QVERIFY(ui->endsWithSyncOver());
    // Over the serial line the System page reads the baud rate instead of the network settings.
    QCOMPARE(sim->requests(), readAllSequence(c.index, true));
    QCOMPARE(sim->logLines(" pty <- "), readAllSequence(c.index, true).size());
    QCOMPARE(State().config.SP_BaudRate, QStringLiteral("9600"));
    QCOMPARE(ui->window()->outputPage->resolutionCombo->currentIndex(), c.resolution);
    QCOMPARE(ui->window()->systemPage->edidModeCombo->currentIndex(), c.edid);
    if (c.index == ModelTN386)
        QCOMPARE(ui->window()->audioPage->micVolumeField[1]->text(), QStringLiteral("45"));
    QVERIFY(ui->messages().isEmpty());
}

void TestE2eIdentification::rejectsUnknownModel()
{
    QVERIFY(sim->start({"--model", "XYZ"}));
    QVERIFY(ui->connectTcp(sim->port()));

    QTRY_COMPARE_WITH_TIMEOUT(ui->messages().size(), 1, 5000);
    QCOMPARE(ui->messages(), QStringList{State().text.SMSG_MachineNotMatch});
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(!ui->window()->connectionPage->statusOk);
    QCOMPARE(ui->window()->connectionPage->networkConnectButton->text(), State().text.S_ConnectDisconnect[0]);
    QVERIFY(ui->window()->connectionPage->serialConnectButton->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("client disconnected"), 1, 5000);
    QCOMPARE(sim->requests(), QStringList{"GET MODEL TYPE"});
    QCOMPARE(State().CurrentModel, NoModel);
}

void TestE2eIdentification::silentDeviceFailsIdentification()
{
    QVERIFY(sim->start({"--model", "RKA204QE", "--silent"}));
    QVERIFY(ui->connectTcp(sim->port()));

    QTRY_COMPARE_WITH_TIMEOUT(ui->messages().size(), 1, 5000);
    QCOMPARE(ui->messages(), QStringList{State().text.SMSG_ReadDeviceFail + "GET MODEL TYPE\r"});
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(!State().ModelIdentified);
    QVERIFY(!ui->window()->connectionPage->statusOk);
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("client disconnected"), 1, 5000);
    QCOMPARE(sim->requests(), QStringList{"GET MODEL TYPE"});
    QCOMPARE(ui->syncOverCount(), 0);
}

void TestE2eIdentification::unansweredQueryKeepsLink()
{
    QVERIFY(sim->start({"--model", "RKA204QE", "--no-reply", "OUT HDCP"}));
    QVERIFY(ui->connectTcp(sim->port()));
    QVERIFY(ui->waitForSyncOver(1, SyncTimeoutMs));

    QCOMPARE(ui->messages(), QStringList{State().text.SMSG_CommunicationFail + "GET OUT HDCP\r"});
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    QVERIFY(ui->window()->connectionPage->statusOk);
    QCOMPARE(sim->requests(), readAllSequence(ModelRKA204QE, false));
    QCOMPARE(sim->connections(), 1);
    QCOMPARE(sim->logLines("client disconnected"), 0);
    // The queries after the unanswered one were answered and shown.
    QCOMPARE(ui->window()->outputPage->vkaCombo->currentIndex(), 0);
    QCOMPARE(ui->window()->audioPage->commonVolumeField->text(), QStringLiteral("30"));
}

void TestE2eIdentification::droppedConnectionReconnectsAtNextAction()
{
    // The device closes the connection right after the last reply of the synchronisation.
    const int syncReplies = readAllSequence(ModelRKA204QE, false).size();
    QVERIFY(sim->start({"--model", "RKA204QE", "--disconnect-after", QString::number(syncReplies)}));
    QVERIFY(ui->connectTcp(sim->port()));
    QVERIFY(ui->waitForSyncOver(1, SyncTimeoutMs));
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("client disconnected"), 1, 5000);
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));

    Ui_Output *out = ui->window()->outputPage;
    QVERIFY(ui->showPage(out));
    QVERIFY(ui->choose(out->hdcpCombo, 2));
    QTRY_VERIFY_WITH_TIMEOUT(sim->requests().contains("SET OUT HDCP FORCE-OFF"), 5000);
    QCOMPARE(sim->connections(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(sim->state()["output"].toObject()["hdcp"].toString(),
                              QStringLiteral("FORCE-OFF"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(ui->statusText().trimmed().endsWith("Sync HDCP: Message."), 5000);
    QCOMPARE(out->hdcpCombo->currentIndex(), 2);
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    QVERIFY(ui->messages().isEmpty());
}

void TestE2eIdentification::reconnectIdentifiesAgain()
{
    QVERIFY(sim->start({"--model", "TN204E"}));
    QVERIFY(ui->connectTcp(sim->port()));
    QVERIFY(ui->waitForSyncOver(1, SyncTimeoutMs));
    const QStringList first = sim->requests();

    QVERIFY(ui->disconnectLink());
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(!State().ModelIdentified);
    QVERIFY(!ui->window()->connectionPage->statusOk);
    QCOMPARE(State().CurrentModel, quint8(ModelTN204E));
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("client disconnected"), 1, 5000);

    QVERIFY(ui->connectTcp(sim->port()));
    QVERIFY(ui->waitForSyncOver(2, SyncTimeoutMs));
    QVERIFY(ui->window()->connectionPage->statusOk);
    QVERIFY(State().ModelIdentified);
    QCOMPARE(sim->requests(), first + readAllSequence(ModelTN204E, false));
    QCOMPARE(sim->connections(), 2);
    QVERIFY(ui->messages().isEmpty());
}

void TestE2eIdentification::connectionDroppedMidSyncIsRestored()
{
    // The device closes the connection after the multiview report; the rest of the synchronisation goes
    // over a new connection. The one command written as the connection went may be lost and reported.
    QVERIFY(sim->start({"--model", "RKA204QE", "--disconnect-after", "7"}));
    QVERIFY(ui->connectTcp(sim->port()));
    QVERIFY(ui->waitForSyncOver(1, SyncTimeoutMs));

    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    QCOMPARE(sim->connections(), 2);
    const QStringList all = readAllSequence(ModelRKA204QE, false);
    QStringList answered = sim->requests();
    QCOMPARE(answered.mid(0, 7), all.mid(0, 7));
    QVERIFY(ui->messages().size() <= 1);
    if (!ui->messages().isEmpty()) {
        QCOMPARE(ui->messages(), QStringList{State().text.SMSG_CommunicationFail + all.at(7) + "\r"});
        answered.insert(7, all.at(7));
    }
    QCOMPARE(answered, all);
    QCOMPARE(ui->window()->audioPage->commonVolumeField->text(), QStringLiteral("30"));
    QVERIFY(ui->window()->connectionPage->statusOk);
}

QTEST_MAIN(TestE2eIdentification)
#include "tst_e2e_identification.moc"
