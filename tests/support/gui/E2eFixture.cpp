#include "E2eFixture.h"

#include "config/AppState.h"
#include "session/LinkSession.h"
#include "shell/Ui_Main.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>

bool E2eFixture::connectTo(const QString &model, const QJsonObject &seed, const QStringList &extra,
                           bool serial, bool synchronised)
{
    closeSession();
    ui = std::make_unique<MainWindowDriver>();
    if (shortWaits) {
        ui->window()->session->setReplyTimeoutLimit(ShortReplyTimeoutMs);
        ui->window()->session->setPauseLimit(ShortPauseMs);
        shortWaits = false;
    }
    sim = std::make_unique<SimDevice>();
    if (!seed.isEmpty())
        sim->seedState(seed);
    const QStringList tcp = serial ? QStringList{"--no-tcp"} : QStringList{};
    // A device given a line speed is reached at that speed.
    const int baud = extra.indexOf(QStringLiteral("--baud"));
    const QString speed = baud >= 0 ? extra.value(baud + 1) : QStringLiteral("9600");
    const bool connected = sim->start(QStringList{"--model", model} + tcp + extra, serial) &&
                           (serial ? ui->connectSerial(sim->ptyLink(), speed) : ui->connectTcp(sim->port()));
    return connected && (!synchronised || (ui->waitForSyncOver(1, SyncTimeoutMs) && settled()));
}

bool E2eFixture::settled()
{
    // No request waits to be written or for its answer (one already written may not have reached the device
    // yet), every request the device got was answered, and the window has every answer (a flooding device
    // sends more lines than that).
    return QTest::qWaitFor(
        [this] {
            const int answered = sim->logLines(QStringLiteral(" -> "));
            return ui->window()->session->isIdle() && sim->requests().size() == answered &&
                   ui->repliesReceived() >= answered;
        },
        ReplyTimeoutMs);
}

void E2eFixture::closeSession()
{
    // The window first: it closes its link while the device still listens.
    ui.reset();
    sim.reset();
}

bool E2eFixture::received(int from, const QStringList &expected, int timeoutMs)
{
    const bool arrived =
        QTest::qWaitFor([&] { return sim->requests().size() >= from + expected.size(); }, timeoutMs);
    const QStringList actual = sim->requests().mid(from);
    if (!arrived || actual != expected)
        qWarning().noquote() << "device received" << actual << "expected" << expected
                             << sim->log().right(3000);
    return actual == expected;
}

QJsonValue E2eFixture::device(const QString &path) const
{
    QJsonValue value = sim->state();
    for (const QString &key : path.split(QLatin1Char('/'))) {
        bool isIndex = false;
        const int index = key.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(key);
    }
    return value;
}

QString E2eFixture::pageValueNotOnDevice(quint8 index, bool serial) const
{
    const Ui_Main *w = ui->window();
    const auto *out = w->outputPage;
    const auto *mv = w->multiviewPage;
    const auto *au = w->audioPage;
    const auto *sys = w->systemPage;
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
    const int windows = windowCount(mode);
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
                  {w->connectionPage->baudBox->currentText().toInt(), "baudRate"}};
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

int E2eFixture::windowCount(int mode)
{
    return mode == ModeSingle ? 1 : mode == Mode3xWin ? 3 : mode == Mode4xWin ? 4 : 2;
}

QStringList E2eFixture::syncRequests(quint8 model, bool serial)
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
