// Reply lines arriving on the open link's receive queue, drained by the main window: what each keyword
// changes in the application state and on the pages, the status lines it writes into the connection page,
// the requests it queues and the messages it shows. Every row runs through the real drain
// (SLT_UnifyUpdateRecv) of a fresh main window.

#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"
#include "gui/ReplyFeed.h"

#include "config/AppState.h"
#include "shell/Ui_Debug.h"
#include "shell/Ui_Main.h"
#include "link/LinkChannel.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ValueTables.h"
#include "widgets/MessageBoxSeam.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <QtTest>

#include <functional>
#include <memory>

class TestReplyDispatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void reply_data();
    void reply();
    void linesAreShownInTheDebugConsole();
    void drainFollowsTheLinkType();
    void lockedQueueIsLeftForTheNextSignal();

private:
    std::unique_ptr<TestAppDir> appDir;
    std::unique_ptr<Ui_Main> window;
};

namespace {

constexpr int NoModelRow = NoModel;
constexpr int AnyMode = -1;
const QString Unchanged = QStringLiteral("=");

int flatIndex(const QList<QPushButton *> &buttons)
{
    for (int i = 0; i < buttons.size(); ++i) {
        if (buttons.at(i)->isFlat())
            return i;
    }
    return -1;
}

QString onOff(const QPushButton *on, const QPushButton *off)
{
    if (on->isFlat())
        return QStringLiteral("ON");
    return off->isFlat() ? QStringLiteral("OFF") : QString();
}

QString number(qint64 value)
{
    return QString::number(value);
}

// What the named widget or state field shows, as text.
QString probe(const Ui_Main *w, const QString &name)
{
    const AppState &s = State();
    const Ui_Output *out = w->outputPage;
    const Ui_Multiview *mv = w->multiviewPage;
    const Ui_Audio *au = w->audioPage;
    const Ui_System *sys = w->systemPage;
    const bool tn386 = s.CurrentModel == ModelTN386;
    const QHash<QString, std::function<QString()>> probes = {
        {"output.resolution", [&] { return number(out->resolutionCombo->currentIndex()); }},
        {"output.hdcp", [&] { return number(out->hdcpCombo->currentIndex()); }},
        {"output.vka", [&] { return number(out->vkaCombo->currentIndex()); }},
        {"output.itc", [&] { return number(out->itcCombo->currentIndex()); }},
        {"output.4k", [&] { return number(out->autoCombo->currentIndex()); }},
        {"output.user", [&] { return out->widthField->text() + 'x' + out->heightField->text(); }},
        {"multiview.mode", [&] { return number(flatIndex(mv->modeButtons)); }},
        {"multiview.source0", [&] { return number(flatIndex(mv->sources->sourceButtons.mid(0, 9))); }},
        {"multiview.source1", [&] { return number(flatIndex(mv->sources->sourceButtons.mid(9, 9))); }},
        {"multiview.source2", [&] { return number(flatIndex(mv->sources->sourceButtons.mid(18, 9))); }},
        {"multiview.source3", [&] { return number(flatIndex(mv->sources->sourceButtons.mid(27, 9))); }},
        {"multiview.resolution", [&] { return mv->sources->resolutionField->text(); }},
        {"multiview.autoswitch",
         [&] { return onOff(mv->sources->autoSwitchOnButton, mv->sources->autoSwitchOffButton); }},
        {"multiview.aspect", [&] { return number(mv->aspectCombo->currentIndex()); }},
        {"multiview.modeIndex", [&] { return number(mv->modeCombo->currentIndex()); }},
        {"multiview.modeCount", [&] { return number(mv->modeCombo->count()); }},
        {"multiview.position", [&] { return number(mv->positionCombo->currentIndex()); }},
        {"multiview.size", [&] { return number(mv->sizeCombo->currentIndex()); }},
        {"multiview.rectangle",
         [&] {
             return QStringList{mv->hStartField->text(), mv->vStartField->text(), mv->hSizeField->text(),
                                mv->vSizeField->text()}
                 .join(' ');
         }},
        {"audio.source",
         [&] { return number((tn386 ? au->mainSourceCombo : au->commonSourceCombo)->currentIndex()); }},
        {"audio.volume", [&] { return (tn386 ? au->overallVolumeField : au->commonVolumeField)->text(); }},
        {"audio.mute",
         [&] {
             return tn386 ? onOff(au->overallMuteOn, au->overallMuteOff)
                          : onOff(au->commonMuteOn, au->commonMuteOff);
         }},
        {"audio.main", [&] { return onOff(au->mainOn, au->mainOff); }},
        {"audio.mic1", [&] { return onOff(au->micOn[0], au->micOff[0]); }},
        {"audio.mic2", [&] { return onOff(au->micOn[1], au->micOff[1]); }},
        {"audio.mic1Volume", [&] { return au->micVolumeField[0]->text(); }},
        {"audio.mic2Volume", [&] { return au->micVolumeField[1]->text(); }},
        {"system.version", [&] { return sys->versionField->text(); }},
        {"system.edid", [&] { return number(sys->edidModeCombo->currentIndex()); }},
        {"connection.ip", [&] { return w->connectionPage->ipEdit->text(); }},
        {"connection.port", [&] { return w->connectionPage->portEdit->text(); }},
        {"connection.mask", [&] { return w->connectionPage->maskEdit->text(); }},
        {"connection.gateway", [&] { return w->connectionPage->gatewayEdit->text(); }},
        {"connection.baud", [&] { return w->connectionPage->baudBox->currentText(); }},
        {"state.LinkType", [&] { return number(s.LinkType); }},
        {"state.LinkParamReadPending", [&] { return number(s.LinkParamReadPending); }},
        {"state.MultiviewMode", [&] { return number(s.MultiviewMode); }},
        {"state.ModeCount", [&] { return number(s.ModeCount); }},
        {"state.AspectIndex", [&] { return number(s.AspectIndex); }},
        {"state.ModeIndex", [&] { return number(s.ModeIndex); }},
        {"state.PipPosition", [&] { return number(s.PipPosition); }},
        {"state.PipSize", [&] { return number(s.PipSize); }},
        {"state.WindowSource0", [&] { return number(s.WindowSource[0]); }},
        {"state.WindowSource1", [&] { return number(s.WindowSource[1]); }},
        {"state.WindowSource2", [&] { return number(s.WindowSource[2]); }},
        {"state.WindowSource3", [&] { return number(s.WindowSource[3]); }},
        {"config.SP_RemoteIp", [&] { return s.config.SP_RemoteIp; }},
        {"config.SP_RemotePort", [&] { return s.config.SP_RemotePort; }},
        {"config.SP_RemoteSubmask", [&] { return s.config.SP_RemoteSubmask; }},
        {"config.SP_RemoteGateway", [&] { return s.config.SP_RemoteGateway; }},
        {"config.SP_BaudRate", [&] { return s.config.SP_BaudRate; }},
    };
    const auto found = probes.find(name);
    return found == probes.end() ? QStringLiteral("<no probe %1>").arg(name) : found.value()();
}

struct Row
{
    int model = NoModelRow;  // identified model, or none
    int mode = AnyMode;      // multiview layout shown before the line
    QByteArrayList prepare;  // replies handled before the line (their effects are not checked)
    QStringList checks;      // "probe=expected", "=" meaning unchanged
    bool changes = true;     // at least one check differs from its value before the line
    QString status;          // status box text written by the line
    QStringList messages;    // message boxes
    QByteArrayList queued;   // requests queued by the line
    bool readPending = true; // LinkParamReadPending before the line
};

void addRow(const char *name, const QByteArray &line, const Row &row)
{
    QTest::newRow(name) << line << row.model << row.mode << row.prepare << row.checks << row.changes
                        << row.status << row.messages << row.queued << row.readPending;
}

Row nothing(int model = NoModelRow, const QStringList &checks = {"state.MultiviewMode=="})
{
    Row row;
    row.model = model;
    row.checks = checks;
    row.changes = false;
    return row;
}

Row effect(const QStringList &checks, const QString &status = QString(), int model = NoModelRow,
           int mode = AnyMode)
{
    Row row;
    row.model = model;
    row.mode = mode;
    row.checks = checks;
    row.status = status;
    return row;
}

QString statusLine(const QString &label)
{
    return QStringLiteral("Sync %1 Message.\n").arg(label);
}

const QString SyncOver = QStringLiteral("\n->Sync Over!<-\n");

} // namespace

void TestReplyDispatch::initTestCase()
{
    appDir = std::make_unique<TestAppDir>();
    appDir->installDataTree();
}

void TestReplyDispatch::cleanupTestCase()
{
    appDir.reset();
}

void TestReplyDispatch::init()
{
    resetAppState();
    MessageBoxSeam::reset();
    MessageBoxSeam::activate();
    ReplyFeed::drainAllQueues();
    window = std::make_unique<Ui_Main>();
    ReplyFeed::openLink(window.get(), LinkTcpClient);
}

void TestReplyDispatch::cleanup()
{
    window.reset();
    ReplyFeed::drainAllQueues();
    MessageBoxSeam::reset();
}

void TestReplyDispatch::reply_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArrayList>("prepare");
    QTest::addColumn<QStringList>("checks");
    QTest::addColumn<bool>("changes");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QByteArrayList>("queued");
    QTest::addColumn<bool>("readPending");

    // Firmware versions: "VERSION" is found first in every version line; the value follows the full keyword.
    addRow("VERSION", "VERSION V1.0.3\r", effect({"system.version=V1.0.3"}));
    addRow("ARM VERSION", "ARM VERSION A2.1\r", effect({"system.version=A2.1"}));
    addRow("SUB-VERSION", "SUB-VERSION 1.2\r", effect({"system.version=1.2"}));
    addRow("EXPAND-VERSION", "EXPAND-VERSION E3\r", effect({"system.version=E3"}));
    addRow("KEYBOARD-VERSION whole value", "KEYBOARD-VERSION K4 beta\r", effect({"system.version=K4 beta"}));
    addRow("HELP", "HELP\r", nothing());
    addRow("RESET", "RESET\r", nothing());
    addRow("IP ADDRESS", "IP ADDRESS 10.9.8.7\r", nothing(NoModelRow, {"config.SP_RemoteIp=="}));
    addRow("NETPORT", "NETPORT 4001\r", nothing(NoModelRow, {"config.SP_RemotePort=="}));
    addRow("no keyword", "HELLO WORLD\r", nothing());
    addRow("keyword inside a word", "XOUT HDCPX FORCE-OFF\r", nothing(NoModelRow, {"output.hdcp=="}));

    // Output page.
    addRow("OUT RESOLUTION", "OUT RESOLUTION 1920x1080p60\r",
           effect({"output.resolution=7"}, statusLine("Resolution:")));
    addRow("OUT RESOLUTION not in the list", "OUT RESOLUTION 800x600\r", [] {
        Row row = nothing(NoModelRow, {"output.resolution=="});
        row.status = statusLine("Resolution:");
        return row;
    }());
    {
        Row row = effect({"output.resolution=15"}, statusLine("Resolution:"));
        row.queued = {"GET RESO-USER\r"};
        addRow("OUT RESOLUTION USER asks for the user timing", "OUT RESOLUTION USER\r", row);
    }
    addRow("OUT HDCP", "OUT HDCP FORCE-OFF\r", effect({"output.hdcp=2"}, statusLine("HDCP:")));
    addRow("OUT HDCP 2.2", "OUT HDCP FORCE-2.2\r", effect({"output.hdcp=1"}, statusLine("HDCP:")));
    addRow("OUT HDCP unknown value", "OUT HDCP FORCE-3.0\r", [] {
        Row row = nothing(NoModelRow, {"output.hdcp=="});
        row.status = statusLine("HDCP:");
        return row;
    }());
    addRow("OUT VKA", "OUT VKA BLACKSCREEN\r", effect({"output.vka=1"}, statusLine("VKA:")));
    addRow("OUT ITC", "OUT ITC OFF\r", effect({"output.itc=1"}, statusLine("ITC:")));
    addRow("OUT 4K-AUTO", "OUT 4K-AUTO OFF\r", effect({"output.4k=1"}, statusLine("4K AUTO:")));
    addRow("OUT BRIGHTNESS", "OUT BRIGHTNESS 50\r", nothing());
    addRow("RESO-USER", "RESO-USER 1280 720\r", effect({"output.user=1280x720"}));
    addRow("line starting with LF", "\nOUT HDCP FORCE-OFF\r", effect({"output.hdcp=2"}, statusLine("HDCP:")));
    addRow("line starting with other bytes",
           "\x01\x7f"
           "OUT VKA BLACKSCREEN\r",
           effect({"output.vka=1"}, statusLine("VKA:")));
    addRow("line starting with a NUL byte", QByteArray("\0OUT ITC OFF\r", 13),
           effect({"output.itc=1"}, statusLine("ITC:")));

    // Multiview page.
    addRow("AUTO SWITCH without a model", "AUTO SWITCH OFF\r", effect({"multiview.autoswitch=OFF"}));
    addRow("IN SOURCE", "IN SOURCE HDMI3\r",
           effect({"multiview.source0=2", "state.WindowSource0=0"}, QString(), ModelRKA204QE));
    addRow("IN SOURCE needs a model", "IN SOURCE HDMI3\r", nothing(NoModelRow, {"multiview.source0=="}));
    addRow("IN RESOLUTION", "IN RESOLUTION 1920x1080p60\r", effect({"multiview.resolution=1920x1080p60"}));
    {
        Row row = effect({"multiview.resolution="});
        row.prepare = {"IN RESOLUTION 1280x720p60\r"};
        addRow("IN RESOLUTION empty value", "IN RESOLUTION\r", row);
    }
    {
        Row row = effect({"state.MultiviewMode=1", "multiview.mode=1"});
        row.queued = {"GET MULTIVIEW-SYNC\r"};
        addRow("MULTIVIEW asks for the full report", "MULTIVIEW PIP\r", row);
    }
    addRow("WINDOW2 IN", "WINDOW2 IN HDMI4\r",
           effect({"state.WindowSource1=3", "multiview.source1=3"}, QString(), ModelRKA204QE, Mode4xWin));
    addRow("WINDOW4 IN", "WINDOW4 IN USB-C\r",
           effect({"state.WindowSource3=4", "multiview.source3=4"}, QString(), ModelRKA204QE, Mode4xWin));
    addRow("WINDOW1 IN input of another model", "WINDOW1 IN HDMI5\r",
           nothing(ModelRKA204QE, {"state.WindowSource0==", "multiview.source0=="}));
    addRow("WINDOW1 IN HDMI5 on RKA386QE", "WINDOW1 IN HDMI5\r",
           effect({"state.WindowSource0=4", "multiview.source0=4"}, QString(), ModelRKA386QE));
    addRow("WINDOW1 IN needs a model", "WINDOW1 IN HDMI2\r", nothing(NoModelRow, {"state.WindowSource0=="}));
    addRow("PIP POS", "PIP POS RightTop\r",
           effect({"state.PipPosition=1", "multiview.position=1"}, QString(), ModelRKA204QE, ModePip));
    addRow("PIP POS outside PIP", "PIP POS RightTop\r", [] {
        Row row = nothing(ModelRKA204QE, {"state.PipPosition=="});
        row.mode = ModeSingle;
        return row;
    }());
    addRow("PIP SIZE", "PIP SIZE LARGE\r",
           effect({"state.PipSize=2", "multiview.size=2"}, QString(), ModelRKA204QE, ModePip));
    {
        Row row = effect({"state.ModeIndex=1", "multiview.modeIndex=1"}, QString(), ModelRKA204QE, ModePbp);
        row.prepare = {"MAXMODE 4\r"};
        addRow("PBP MODE", "PBP MODE 2\r", row);
    }
    {
        Row row = effect({"state.ModeIndex=1"}, QString(), ModelRKA204QE, ModePbp);
        row.prepare = {"MAXMODE 4\r"};
        addRow("3xWIN MODE in any split layout", "3xWIN MODE 2\r", row);
    }
    addRow("4xWIN MODE 0 ignored", "4xWIN MODE 0\r", [] {
        Row row = nothing(ModelRKA204QE, {"state.ModeIndex=="});
        row.mode = Mode4xWin;
        return row;
    }());
    addRow("4xWIN MODE text ignored", "4xWIN MODE abc\r", [] {
        Row row = nothing(ModelRKA204QE, {"state.ModeIndex=="});
        row.mode = Mode4xWin;
        return row;
    }());
    addRow("PBP MODE needs a model", "PBP MODE 2\r", nothing(NoModelRow, {"state.ModeIndex=="}));
    addRow("PBP ASPECT", "PBP ASPECT 16:9\r",
           effect({"state.AspectIndex=1", "multiview.aspect=1"}, QString(), ModelRKA204QE, ModePbp));
    addRow("4xWIN ASPECT outside the split layouts", "4xWIN ASPECT 16:9\r", [] {
        Row row = nothing(ModelRKA204QE, {"state.AspectIndex=="});
        row.mode = ModePip;
        return row;
    }());
    addRow("MAXMODE", "MAXMODE 4\r", effect({"state.ModeCount=4", "multiview.modeCount=4"}));
    addRow("MAXMODE 0", "MAXMODE 0\r", nothing(NoModelRow, {"state.ModeCount==", "multiview.modeCount=="}));
    addRow("MAXMODE text", "MAXMODE six\r", nothing(NoModelRow, {"state.ModeCount=="}));
    addRow("PBP-PRESENTER", "PBP-PRESENTER 10 20 300 400\r", effect({"multiview.rectangle=10 20 300 400"}));
    addRow("PIP USER with three words", "PIP USER 1 2 3\r", effect({"multiview.rectangle=1 2 3 3"}));

    // The full multiview report (never taken for "MULTIVIEW": nothing is queued).
    addRow("MULTIVIEW-SYNC SINGLE", "MULTIVIEW-SYNC SINGLE HDMI2 NULL NULL NULL 1920x1080p60 OFF\r",
           effect({"state.MultiviewMode=0", "state.WindowSource0=1", "multiview.mode=0",
                   "multiview.source0=1", "multiview.resolution=1920x1080p60", "multiview.autoswitch=OFF"},
                  statusLine("Multiview"), ModelRKA204QE, Mode3xWin));
    {
        Row row = effect({"state.MultiviewMode=3", "state.WindowSource0=0", "state.WindowSource1=2",
                          "state.WindowSource2=7", "state.WindowSource3=2", "state.AspectIndex=1",
                          "state.ModeIndex=1", "state.ModeCount=4", "multiview.mode=3", "multiview.source0=0",
                          "multiview.source1=2", "multiview.source2=7", "multiview.aspect=1",
                          "multiview.modeCount=4", "multiview.modeIndex=1"},
                         statusLine("Multiview"), ModelRKA386QE, ModeSingle);
        row.prepare = {"WINDOW4 IN HDMI3\r"};
        addRow("MULTIVIEW-SYNC 3xWIN", "MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4\r", row);
    }
    addRow("MULTIVIEW-SYNC PIP", "MULTIVIEW-SYNC PIP HDMI2 HDMI4 NULL NULL RightBottom LARGE\r",
           effect({"state.MultiviewMode=1", "state.WindowSource0=1", "state.WindowSource1=3",
                   "state.PipPosition=3", "state.PipSize=2", "multiview.mode=1", "multiview.source1=3",
                   "multiview.position=3", "multiview.size=2"},
                  statusLine("Multiview"), ModelRKA204QE, ModeSingle));
    addRow("MULTIVIEW-SYNC layout count 0", "MULTIVIEW-SYNC 4xWIN HDMI1 HDMI2 HDMI3 HDMI4 FULL 1 0\r", [] {
        Row row = effect({"state.MultiviewMode=4", "state.ModeCount=0", "state.ModeIndex=0"},
                         statusLine("Multiview"), ModelRKA204QE, ModeSingle);
        row.prepare = {"MAXMODE 5\r"};
        return row;
    }());
    addRow("MULTIVIEW-SYNC needs a model", "MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 HDMI2 NULL 16:9 2 4\r",
           nothing(NoModelRow, {"state.MultiviewMode==", "state.ModeCount==", "multiview.mode=="}));

    // Audio page.
    addRow("AUDIO SOURCE", "AUDIO SOURCE HDMI2\r",
           effect({"audio.source=2"}, statusLine("Audio Select:"), ModelRKA204QE));
    addRow("AUDIO SOURCE not in the list", "AUDIO SOURCE HDMI9\r", [] {
        Row row = nothing(ModelRKA204QE, {"audio.source=="});
        row.status = statusLine("Audio Select:");
        return row;
    }());
    addRow("AUDIO SOURCE needs a model", "AUDIO SOURCE HDMI2\r", nothing(NoModelRow, {"audio.source=="}));
    addRow("AUDIO VOL", "AUDIO VOL 60\r", effect({"audio.volume=60"}, statusLine("Volume:"), ModelRKA204QE));
    addRow("AUDIO VOL 51 on TN386", "AUDIO VOL 51\r", [] {
        Row row = nothing(ModelTN386, {"audio.volume=="});
        row.status = statusLine("Volume:");
        return row;
    }());
    addRow("AUDIO VOL 50 on TN386", "AUDIO VOL 50\r",
           effect({"audio.volume=50"}, statusLine("Volume:"), ModelTN386));
    addRow("AUDIO VOL 101", "AUDIO VOL 101\r", [] {
        Row row = nothing(ModelRKA204QE, {"audio.volume=="});
        row.status = statusLine("Volume:");
        return row;
    }());
    {
        Row row = effect({"audio.volume=0"}, statusLine("Volume:"), ModelRKA204QE);
        row.prepare = {"AUDIO VOL 33\r"};
        addRow("AUDIO VOL text reads as 0", "AUDIO VOL loud\r", row);
    }
    addRow("AUDIO-MUTE", "AUDIO-MUTE ON\r",
           effect({"audio.mute=ON"}, statusLine("Audio Mute:"), ModelRKA204QE));
    addRow("MAIN-AUDIO ONOFF", "MAIN-AUDIO ONOFF OFF\r", effect({"audio.main=OFF"}, QString(), ModelTN386));
    addRow("MIC1 ONOFF", "MIC1 ONOFF ON\r", effect({"audio.mic1=ON"}, QString(), ModelTN386));
    addRow("MIC2 ONOFF", "MIC2 ONOFF OFF\r", effect({"audio.mic2=OFF"}, QString(), ModelTN386));
    addRow("MIC1 VOL", "MIC1 VOL 30\r", effect({"audio.mic1Volume=30"}, QString(), ModelTN386));
    addRow("MIC2 VOL 51 on TN386", "MIC2 VOL 51\r", nothing(ModelTN386, {"audio.mic2Volume=="}));
    addRow("MIC2 VOL 51 on RKA204QE", "MIC2 VOL 51\r",
           effect({"audio.mic2Volume=51"}, QString(), ModelRKA204QE));
    addRow("KVM", "KVM ON\r", nothing());
    addRow("USB ROAMING", "USB ROAMING ON\r", nothing());
    addRow("KVM-BORDER never as KVM", "KVM-BORDER ON\r", nothing());
    addRow("OUT TSP-COLOR", "OUT TSP-COLOR RED\r", nothing());
    addRow("FREEZE-WINALL", "FREEZE-WINALL ON\r", nothing());
    addRow("DUCKING", "DUCKING ON\r", nothing());

    // System page.
    addRow("IN EDIDMODE", "IN EDIDMODE 1080p60-2.0\r", effect({"system.edid=6"}, statusLine("EDID Select:")));
    addRow("IN EDIDMODE USER", "IN EDIDMODE USER\r", effect({"system.edid=18"}, statusLine("EDID Select:")));
    {
        Row row = nothing();
        row.messages = QStringList{"EDID Write Success."};
        addRow("EDID-USER without value", "EDID-USER\r", row);
        addRow("EDID-USER with value", "EDID-USER OK\r", row);
    }
    addRow("NETWORK-INFO read back", "NETWORK-INFO 192.168.1.50 5000 255.255.0.0 192.168.1.1\r",
           effect({"config.SP_RemoteIp=192.168.1.50", "config.SP_RemotePort=5000",
                   "config.SP_RemoteSubmask=255.255.0.0", "config.SP_RemoteGateway=192.168.1.1",
                   "connection.ip=192.168.1.50", "connection.port=5000", "connection.mask=255.255.0.0",
                   "connection.gateway=192.168.1.1", "state.LinkType=2", "state.LinkParamReadPending=0"},
                  statusLine("Network:") + SyncOver));
    addRow("NETWORK-INFO with three words", "NETWORK-INFO 10.0.0.2 4000 255.0.0.0\r",
           effect({"config.SP_RemoteIp=10.0.0.2", "config.SP_RemotePort=4000",
                   "config.SP_RemoteSubmask=255.0.0.0", "config.SP_RemoteGateway=255.0.0.0"},
                  statusLine("Network:") + SyncOver));
    {
        Row row = effect({"config.SP_RemoteIp=10.0.0.5", "connection.ip=10.0.0.5", "state.LinkType=0",
                          "state.LinkParamReadPending=0"},
                         statusLine("Network:") + SyncOver);
        row.readPending = false;
        row.messages = QStringList{"1-Sync Config Info....\r\n2-Please ReConnect App!"};
        addRow("NETWORK-INFO after a write closes the link",
               "NETWORK-INFO 10.0.0.5 4001 255.0.0.0 10.0.0.1\r", row);
    }
    addRow("BAUDRATE read back", "BAUDRATE 115200\r",
           effect({"config.SP_BaudRate=115200", "connection.baud=115200", "state.LinkType=2",
                   "state.LinkParamReadPending=0"},
                  statusLine("Baudrate:") + SyncOver));
    addRow("BAUDRATE not a baud rate", "BAUDRATE 12345\r", [] {
        Row row = nothing(NoModelRow, {"config.SP_BaudRate==", "state.LinkType=2"});
        row.status = statusLine("Baudrate:") + SyncOver;
        return row;
    }());
}

void TestReplyDispatch::reply()
{
    QFETCH(QByteArray, line);
    QFETCH(int, model);
    QFETCH(int, mode);
    QFETCH(QByteArrayList, prepare);
    QFETCH(QStringList, checks);
    QFETCH(bool, changes);
    QFETCH(QString, status);
    QFETCH(QStringList, messages);
    QFETCH(QByteArrayList, queued);
    QFETCH(bool, readPending);

    if (model != NoModelRow)
        ReplyFeed::identify(window.get(), quint8(model));
    if (mode != AnyMode)
        window->multiviewPage->SyncWindowMode(mode, false);
    if (!prepare.isEmpty())
        ReplyFeed::feed(window.get(), prepare);
    ReplyFeed::drainAllQueues();
    window->connectionPage->statusText->clear();
    MessageBoxSeam::reset();
    MessageBoxSeam::activate();
    State().LinkParamReadPending = readPending;

    QStringList before;
    for (const QString &check : checks)
        before << probe(window.get(), check.section('=', 0, 0));

    ReplyFeed::feed(window.get(), {line});

    bool changed = false;
    for (int i = 0; i < checks.size(); ++i) {
        const QString name = checks.at(i).section('=', 0, 0);
        const QString expectedText = checks.at(i).section('=', 1);
        const QString expected = expectedText == Unchanged ? before.at(i) : expectedText;
        const QString actual = probe(window.get(), name);
        QVERIFY2(actual == expected,
                 qPrintable(QStringLiteral("%1: %2, expected %3").arg(name, actual, expected)));
        changed = changed || actual != before.at(i);
    }
    QCOMPARE(changed, changes);
    QCOMPARE(window->connectionPage->statusText->toPlainText(), status);
    QCOMPARE(MessageBoxSeam::texts(), messages);
    QCOMPARE(takeQueuedRequests(TcpChannel()), queued);
    QVERIFY(takeQueuedRequests(SerialChannel()).isEmpty());
}

void TestReplyDispatch::linesAreShownInTheDebugConsole()
{
    QSignalSpy shown(window.get(), &Ui_Main::SGL_DEBUG_SHOW_RecvText);
    const QByteArray utf8 = QStringLiteral("VERSION V\u00e91\r").toUtf8();
    ReplyFeed::feed(window.get(), {"OUT HDCP FORCE-OFF\r", "\nOUT VKA BLACKSCREEN\r", utf8});
    QCOMPARE(shown.count(), 3);
    QCOMPARE(shown.at(0).at(0).toString(), QStringLiteral("OUT HDCP FORCE-OFF\r"));
    QCOMPARE(shown.at(1).at(0).toString(), QStringLiteral("\nOUT VKA BLACKSCREEN\r"));
    QCOMPARE(shown.at(2).at(0).toString(), QStringLiteral("VERSION V\u00e91\r"));
    QCOMPARE(window->debugConsole->recvText->toPlainText(),
             QStringLiteral("OUT HDCP FORCE-OFF\n\nOUT VKA BLACKSCREEN\nVERSION V\u00e91\n"));
    // Lines are handled in the order they arrived.
    QCOMPARE(window->connectionPage->statusText->toPlainText(), statusLine("HDCP:") + statusLine("VKA:"));
}

void TestReplyDispatch::drainFollowsTheLinkType()
{
    // With no link nothing is drained: the lines wait on the queue.
    State().LinkType = LinkNone;
    ReplyFeed::append(TcpChannel(), {"OUT HDCP FORCE-OFF\r"});
    ReplyFeed::append(SerialChannel(), {"OUT VKA BLACKSCREEN\r"});
    window->SLT_UnifyUpdateRecv();
    QCOMPARE(window->outputPage->hdcpCombo->currentIndex(), 0);
    QCOMPARE(window->outputPage->vkaCombo->currentIndex(), 0);

    // The serial link drains only the serial channel.
    State().LinkType = LinkSerial;
    window->SLT_UnifyUpdateRecv();
    QCOMPARE(window->outputPage->vkaCombo->currentIndex(), 1);
    QCOMPARE(window->outputPage->hdcpCombo->currentIndex(), 0);

    State().LinkType = LinkTcpClient;
    window->SLT_UnifyUpdateRecv();
    QCOMPARE(window->outputPage->hdcpCombo->currentIndex(), 2);
    QVERIFY(TcpChannel().recvQueue.isEmpty());
    QVERIFY(SerialChannel().recvQueue.isEmpty());
}

void TestReplyDispatch::lockedQueueIsLeftForTheNextSignal()
{
    ReplyFeed::append(TcpChannel(), {"OUT ITC OFF\r"});
    TcpChannel().recvLock.lock();
    window->SLT_UnifyUpdateRecv();
    TcpChannel().recvLock.unlock();
    QCOMPARE(window->outputPage->itcCombo->currentIndex(), 0);
    QCOMPARE(TcpChannel().recvQueue.entries.size(), size_t(1));

    window->SLT_UnifyUpdateRecv();
    QCOMPARE(window->outputPage->itcCombo->currentIndex(), 1);
    QVERIFY(TcpChannel().recvQueue.isEmpty());
}

QTEST_MAIN(TestReplyDispatch)
#include "tst_replydispatch.moc"
