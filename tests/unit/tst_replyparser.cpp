#include "config/AppState.h"
#include "config/KeyTables.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"
#include "protocol/ValueTables.h"

#include <QRandomGenerator>
#include <QtTest>

#include <memory>

namespace {

// Language key of the text a status label points at, empty for none.
QString statusKeyOf(const ParsedReply &reply)
{
    if (!reply.statusLabel)
        return QString();
    const QString *label = &(State().text.*reply.statusLabel);
    for (const KeyBinding &binding : languageKeyTable()) {
        if (binding.value == label)
            return QString::fromLatin1(binding.key);
    }
    return QStringLiteral("<not a language text>");
}

QList<int> windowSourcesOf(const MultiviewReport &report)
{
    return {report.windowSource[0], report.windowSource[1], report.windowSource[2], report.windowSource[3]};
}

const quint32 Model204 = ModelRKA204QE;
const quint32 Model07 = ModelRKA07QE;
const quint32 Model386 = ModelRKA386QE;
const quint32 ModelTn386 = ModelTN386;
const quint32 ModelTn204 = ModelTN204E;
const quint32 NoModelYet = NoModel;

} // namespace

class TestReplyParser : public QObject
{
    Q_OBJECT

private slots:
    void recognition_data();
    void recognition();
    void lookups_data();
    void lookups();
    void numbers_data();
    void numbers();
    void words_data();
    void words();
    void statusLines_data();
    void statusLines();
    void multiviewSync_data();
    void multiviewSync();
    void randomLinesStayInsideTheLine();
};

void TestReplyParser::recognition_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<quint32>("model");
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<int>("keyword");
    QTest::addColumn<bool>("ignored");
    QTest::addColumn<bool>("apply");
    QTest::addColumn<QByteArray>("value");

    auto row = [](const char *name, const QByteArray &line, quint32 model, quint32 mode, int keyword,
                  bool ignored, bool apply, const QByteArray &value) {
        QTest::newRow(name) << line << model << mode << keyword << ignored << apply << value;
    };

    // Every searched keyword of the table, each with a typical reply.
    row("HELP", "HELP\r", Model204, ModeSingle, KwHelp, false, false, "");
    row("RESET", "RESET OK\r", Model204, ModeSingle, KwReset, false, false, "OK");
    row("VERSION", "VERSION V1.05\r", Model204, ModeSingle, KwVersion, false, true, "V1.05");
    row("ARM VERSION via VERSION", "ARM VERSION V2.01\r", Model204, ModeSingle, KwVersion, false, true,
        "V2.01");
    row("IP ADDRESS", "IP ADDRESS 192.168.1.100\r", Model204, ModeSingle, KwIpAddress, false, false,
        "192.168.1.100");
    row("SUBMASK", "SUBMASK 255.255.255.0\r", Model204, ModeSingle, KwSubmask, false, false, "255.255.255.0");
    row("GATEWAY", "GATEWAY 192.168.1.1\r", Model204, ModeSingle, KwGateway, false, false, "192.168.1.1");
    row("NETPORT", "NETPORT 8000\r", Model204, ModeSingle, KwNetport, false, false, "8000");
    row("AUTO SWITCH", "AUTO SWITCH OFF\r", Model204, ModeSingle, KwAutoSwitch, false, true, "OFF");
    row("IN SOURCE", "IN SOURCE HDMI3\r", Model204, ModeSingle, KwInSource, false, true, "HDMI3");
    row("IN RESOLUTION", "IN RESOLUTION 1920x1080p60\r", Model204, ModeSingle, KwInResolution, false, true,
        "1920x1080p60");
    row("OUT RESOLUTION", "OUT RESOLUTION 1920x1080p60\r", Model204, ModeSingle, KwOutResolution, false, true,
        "1920x1080p60");
    row("OUT BRIGHTNESS", "OUT BRIGHTNESS 50\r", Model204, ModeSingle, KwOutBrightness, false, false, "50");
    row("OUT CONTRAST", "OUT CONTRAST 40\r", Model204, ModeSingle, KwOutContrast, false, false, "40");
    row("OUT 4K-AUTO", "OUT 4K-AUTO ON\r", Model204, ModeSingle, KwOut4KAuto, false, true, "ON");
    row("OUT HDCP", "OUT HDCP FORCE-2.2\r", Model204, ModeSingle, KwOutHdcp, false, true, "FORCE-2.2");
    row("OUT VKA", "OUT VKA BLACKSCREEN\r", Model204, ModeSingle, KwOutVka, false, true, "BLACKSCREEN");
    row("OUT ITC", "OUT ITC OFF\r", Model204, ModeSingle, KwOutItc, false, true, "OFF");
    row("MULTIVIEW", "MULTIVIEW 4xWIN\r", Model204, ModeSingle, KwMultiview, false, true, "4xWIN");
    row("WINDOW1 IN", "WINDOW1 IN HDMI2\r", Model204, ModeSingle, KwWindow1In, false, true, "HDMI2");
    row("WINDOW2 IN", "WINDOW2 IN HDMI1\r", Model204, ModeSingle, KwWindow2In, false, true, "HDMI1");
    row("WINDOW3 IN", "WINDOW3 IN USB-C\r", Model204, ModeSingle, KwWindow3In, false, true, "USB-C");
    row("WINDOW4 IN", "WINDOW4 IN DP\r", Model386, ModeSingle, KwWindow4In, false, true, "DP");
    row("PIP POS", "PIP POS RightBottom\r", Model204, ModePip, KwPipPos, false, true, "RightBottom");
    row("PIP SIZE", "PIP SIZE LARGE\r", Model204, ModePip, KwPipSize, false, true, "LARGE");
    row("PBP MODE", "PBP MODE 3\r", Model204, ModePbp, KwPbpMode, false, true, "3");
    row("PBP ASPECT", "PBP ASPECT 16:9\r", Model204, ModePbp, KwPbpAspect, false, true, "16:9");
    row("3xWIN MODE", "3xWIN MODE 2\r", Model204, Mode3xWin, Kw3xWinMode, false, true, "2");
    row("3xWIN ASPECT", "3xWIN ASPECT FULL\r", Model204, Mode3xWin, Kw3xWinAspect, false, true, "FULL");
    row("4xWIN MODE", "4xWIN MODE 6\r", Model204, Mode4xWin, Kw4xWinMode, false, true, "6");
    row("4xWIN ASPECT", "4xWIN ASPECT FULL\r", Model204, Mode4xWin, Kw4xWinAspect, false, true, "FULL");
    row("AUDIO SOURCE", "AUDIO SOURCE WIN1\r", Model204, ModeSingle, KwAudioSource, false, true, "WIN1");
    row("AUDIO VOL", "AUDIO VOL 51\r", Model204, ModeSingle, KwAudioVol, false, true, "51");
    row("AUDIO-MUTE", "AUDIO-MUTE ON\r", Model204, ModeSingle, KwAudioMute, false, true, "ON");
    row("KVM", "KVM ON\r", Model204, ModeSingle, KwKvm, false, false, "ON");
    row("USB ROAMING", "USB ROAMING ON\r", Model204, ModeSingle, KwUsbRoaming, false, false, "ON");
    row("IN EDIDMODE", "IN EDIDMODE 1080p60-5.1\r", Model204, ModeSingle, KwInEdidMode, false, true,
        "1080p60-5.1");
    row("MODEL TYPE", "MODEL TYPE TN386\r", NoModelYet, ModeSingle, KwModelType, false, true, "TN386");
    row("LONG-REACH", "LONG-REACH ON\r", Model204, ModeSingle, KwLongReach, false, false, "ON");
    row("USB-HDBT", "USB-HDBT OFF\r", Model204, ModeSingle, KwUsbHdbt, false, false, "OFF");
    row("SAVE SCENE", "SAVE SCENE 3\r", Model204, ModeSingle, KwSaveScene, false, false, "3");
    row("LOAD SCENE", "LOAD SCENE 3\r", Model204, ModeSingle, KwLoadScene, false, false, "3");
    row("EDID-USER", "EDID-USER OK\r", Model204, ModeSingle, KwEdidUser, false, true, "OK");
    row("RS232-PER", "RS232-PER 115200\r", Model204, ModeSingle, KwRs232Per, false, false, "115200");
    row("MAXMODE", "MAXMODE 6\r", Model204, ModePbp, KwMaxMode, false, true, "6");
    row("MULTIVIEW-SYNC", "MULTIVIEW-SYNC SINGLE HDMI2 NULL NULL NULL 1920x1080p60 OFF\r", Model204,
        ModeSingle, KwMultiviewSync, false, true, "SINGLE HDMI2 NULL NULL NULL 1920x1080p60 OFF");
    row("SUB-VERSION via VERSION", "SUB-VERSION V1.10\r", Model204, ModeSingle, KwVersion, false, true,
        "V1.10");
    row("EXPAND-VERSION via VERSION", "EXPAND-VERSION V3.0\r", Model204, ModeSingle, KwVersion, false, true,
        "V3.0");
    row("KEYBOARD-VERSION via VERSION", "KEYBOARD-VERSION V0.9\r", Model204, ModeSingle, KwVersion, false,
        true, "V0.9");
    row("NETWORK-INFO", "NETWORK-INFO 192.168.0.50 5000 255.255.255.0 192.168.0.1\r", Model204, ModeSingle,
        KwNetworkInfo, false, true, "192.168.0.50 5000 255.255.255.0 192.168.0.1");
    row("BAUDRATE", "BAUDRATE 115200\r", Model204, ModeSingle, KwBaudrate, false, true, "115200");
    row("KVM-BORDER never KVM", "KVM-BORDER ON\r", Model204, ModeSingle, KwKvmBorder, false, false, "ON");
    row("KVM-BORDER-COLOR", "KVM-BORDER-COLOR RED\r", Model204, ModeSingle, KwKvmBorderColor, false, false,
        "RED");
    row("OUT TSP", "OUT TSP 50\r", Model204, ModeSingle, KwOutTsp, false, false, "50");
    row("OUT TSP-COLOR never OUT TSP", "OUT TSP-COLOR RED\r", Model204, ModeSingle, KwOutTspColor, false,
        false, "RED");
    row("OUT TSP-TIMING", "OUT TSP-TIMING 5\r", Model204, ModeSingle, KwOutTspTiming, false, false, "5");
    row("MAIN-AUDIO ONOFF", "MAIN-AUDIO ONOFF OFF\r", ModelTn386, ModeSingle, KwMainAudioOnOff, false, true,
        "OFF");
    row("MIC1 ONOFF", "MIC1 ONOFF ON\r", ModelTn386, ModeSingle, KwMic1OnOff, false, true, "ON");
    row("MIC2 ONOFF", "MIC2 ONOFF OFF\r", ModelTn386, ModeSingle, KwMic2OnOff, false, true, "OFF");
    row("MIC1 VOL", "MIC1 VOL 30\r", ModelTn386, ModeSingle, KwMic1Vol, false, true, "30");
    row("MIC2 VOL", "MIC2 VOL 20\r", ModelTn386, ModeSingle, KwMic2Vol, false, true, "20");
    row("DUCKING", "DUCKING ON\r", ModelTn386, ModeSingle, KwDucking, false, false, "ON");
    row("FREEZE-WIN1", "FREEZE-WIN1 ON\r", Model204, ModeSingle, KwFreezeWin1, false, false, "ON");
    row("FREEZE-WIN2", "FREEZE-WIN2 OFF\r", Model204, ModeSingle, KwFreezeWin2, false, false, "OFF");
    row("FREEZE-WIN3", "FREEZE-WIN3 ON\r", Model204, ModeSingle, KwFreezeWin3, false, false, "ON");
    row("FREEZE-WIN4", "FREEZE-WIN4 OFF\r", Model204, ModeSingle, KwFreezeWin4, false, false, "OFF");
    row("FREEZE-WINALL", "FREEZE-WINALL ON\r", Model204, ModeSingle, KwFreezeWinAll, false, false, "ON");
    row("IN STATUS", "IN STATUS 1 0 1 0\r", Model204, ModeSingle, KwInStatus, false, false, "1 0 1 0");
    row("OUT STATUS", "OUT STATUS 1\r", Model204, ModeSingle, KwOutStatus, false, false, "1");
    row("PBP-PRESENTER", "PBP-PRESENTER 0 0 960 1080\r", Model204, ModeSingle, KwPbpPresenter, false, true,
        "0 0 960 1080");
    row("PIP USER", "PIP USER 100 100 640 360\r", Model204, ModeSingle, KwPipUser, false, true,
        "100 100 640 360");
    row("RESO-USER", "RESO-USER 1920 1080\r", Model204, ModeSingle, KwResoUser, false, true, "1920 1080");

    // Table order decides, not the position in the line.
    row("earlier keyword in the value wins", "OUT RESOLUTION HELP\r", Model204, ModeSingle, KwHelp, false,
        false, "");
    row("MULTIVIEW-SYNC with a PIP value", "MULTIVIEW-SYNC PIP HDMI1 HDMI2 NULL NULL LeftTop SMALL\r",
        Model204, ModeSingle, KwMultiviewSync, false, true, "PIP HDMI1 HDMI2 NULL NULL LeftTop SMALL");

    // Whatever stands before the keyword.
    row("leading LF", "\nOUT HDCP FORCE-OFF\r", Model204, ModeSingle, KwOutHdcp, false, true, "FORCE-OFF");
    row("leading text", "xyz OUT VKA BLUESCREEN\r", Model204, ModeSingle, KwOutVka, false, true,
        "BLUESCREEN");
    row("leading control bytes", QByteArray("\n\x01\xff\0--MULTIVIEW 3xWIN\r", 22), Model204, ModeSingle,
        KwMultiview, false, true, "3xWIN");
    row("glued to a word before", "REPLY:AUDIO-MUTE OFF\r", Model204, ModeSingle, KwAudioMute, false, true,
        "OFF");

    // Value boundaries.
    row("empty EDID-USER", "EDID-USER\r", Model204, ModeSingle, KwEdidUser, false, true, "");
    row("empty IN RESOLUTION", "IN RESOLUTION\r", Model204, ModeSingle, KwInResolution, false, true, "");
    row("empty value then more text", "OUT HDCP\r FORCE-2.2\r", Model204, ModeSingle, KwOutHdcp, false, false,
        "");
    row("value ends at the first CR", "OUT HDCP FORCE-1.4\rFORCE-2.2\r", Model204, ModeSingle, KwOutHdcp,
        false, true, "FORCE-1.4");
    row("second space belongs to the value", "OUT HDCP  FORCE-2.2\r", Model204, ModeSingle, KwOutHdcp, false,
        true, " FORCE-2.2");
    row("CR LF ending", "IN RESOLUTION 1280x720p60\r\n", Model204, ModeSingle, KwInResolution, false, true,
        "1280x720p60");

    // Lines without CR: the value runs to the end of the line, a keyword must be followed by a byte.
    row("no CR, number value", "AUDIO VOL 51", Model204, ModeSingle, KwAudioVol, false, true, "51");
    row("no CR, word ends the line", "OUT HDCP FORCE-OFF", Model204, ModeSingle, KwOutHdcp, false, false,
        "FORCE-OFF");
    row("no CR, trailing space", "MODEL TYPE TN386 ", NoModelYet, ModeSingle, KwModelType, false, true,
        "TN386 ");
    row("no CR, keyword ends the line", "OUT HDCP", Model204, ModeSingle, -1, true, false, "");
    row("no CR, VERSION ends the line", "SUB-VERSION", Model204, ModeSingle, -1, true, false, "");
    row("keyword followed by space at the end", "EDID-USER ", Model204, ModeSingle, KwEdidUser, false, true,
        "");

    // No keyword at all.
    row("empty line", "", Model204, ModeSingle, -1, true, false, "");
    row("only CR", "\r", Model204, ModeSingle, -1, true, false, "");
    row("only LF", "\n", Model204, ModeSingle, -1, true, false, "");
    row("lower case", "out hdcp FORCE-2.2\r", Model204, ModeSingle, -1, true, false, "");
    row("keyword followed by a tab", "OUT HDCP\tFORCE-2.2\r", Model204, ModeSingle, -1, true, false, "");
    row("keyword glued to a word after", "OUT HDCPX FORCE-2.2\r", Model204, ModeSingle, -1, true, false, "");
    row("NULL is no reply keyword", "NULL HDMI1\r", Model204, ModeSingle, -1, true, false, "");

    // Rows that need a model, with none identified.
    row("IN SOURCE without model", "IN SOURCE HDMI1\r", NoModelYet, ModeSingle, KwInSource, true, false,
        "HDMI1");
    row("WINDOW3 IN without model", "WINDOW3 IN HDMI1\r", NoModelYet, ModeSingle, KwWindow3In, true, false,
        "HDMI1");
    row("PIP POS without model", "PIP POS LeftTop\r", NoModelYet, ModePip, KwPipPos, true, false, "LeftTop");
    row("PBP MODE without model", "PBP MODE 2\r", NoModelYet, ModePbp, KwPbpMode, true, false, "2");
    row("AUDIO SOURCE without model", "AUDIO SOURCE WIN1\r", NoModelYet, ModeSingle, KwAudioSource, true,
        false, "WIN1");
    row("MULTIVIEW-SYNC without model", "MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4\r", NoModelYet,
        Mode3xWin, KwMultiviewSync, true, false, "3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4");
    row("AUDIO VOL without model", "AUDIO VOL 51\r", NoModelYet, ModeSingle, KwAudioVol, false, true, "51");
    row("OUT HDCP without model", "OUT HDCP FORCE-1.4\r", NoModelYet, ModeSingle, KwOutHdcp, false, true,
        "FORCE-1.4");

    // Rows that depend on the current layout.
    row("PIP POS in SINGLE", "PIP POS LeftTop\r", Model204, ModeSingle, KwPipPos, true, false, "LeftTop");
    row("PIP SIZE in PBP", "PIP SIZE SMALL\r", Model204, ModePbp, KwPipSize, true, false, "SMALL");
    row("PBP MODE in PIP", "PBP MODE 2\r", Model204, ModePip, KwPbpMode, true, false, "2");
    row("PBP MODE in 4xWIN", "PBP MODE 2\r", Model204, Mode4xWin, KwPbpMode, false, true, "2");
    row("4xWIN ASPECT in PBP", "4xWIN ASPECT 16:9\r", Model204, ModePbp, Kw4xWinAspect, false, true, "16:9");
    row("3xWIN ASPECT in SINGLE", "3xWIN ASPECT FULL\r", Model204, ModeSingle, Kw3xWinAspect, true, false,
        "FULL");
    row("PIP USER in SINGLE", "PIP USER 1 2 3 4\r", Model204, ModeSingle, KwPipUser, false, true, "1 2 3 4");
}

void TestReplyParser::recognition()
{
    QFETCH(QByteArray, line);
    QFETCH(quint32, model);
    QFETCH(quint32, mode);
    QFETCH(int, keyword);
    QFETCH(bool, ignored);
    QFETCH(bool, apply);
    QFETCH(QByteArray, value);

    const ParsedReply reply = parseReplyLine(line, model, mode);
    QCOMPARE(reply.keyword, keyword);
    QCOMPARE(reply.ignored, ignored);
    QCOMPARE(reply.apply, apply);
    QCOMPARE(reply.value, value);
    QCOMPARE(reply.text, QString::fromLatin1(value));
    if (ignored) {
        QCOMPARE(reply.index, -1);
        QVERIFY(!reply.statusLabel);
        QVERIFY(!reply.syncOver);
    }
}

void TestReplyParser::lookups_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<quint32>("model");
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("target");

    auto row = [](const char *name, const QByteArray &line, quint32 model, quint32 mode, int index,
                  int target = -1) { QTest::newRow(name) << line << model << mode << index << target; };

    row("AUTO SWITCH ON", "AUTO SWITCH ON\r", Model204, ModeSingle, 0);
    row("AUTO SWITCH OFF", "AUTO SWITCH OFF\r", Model204, ModeSingle, 1);
    row("IN SOURCE HDMI3", "IN SOURCE HDMI3\r", Model204, ModeSingle, 2);
    row("IN SOURCE USB-C on RKA204QE", "IN SOURCE USB-C\r", Model204, ModeSingle, 4);
    row("IN SOURCE DP on RKA386QE", "IN SOURCE DP\r", Model386, ModeSingle, 7);
    row("IN SOURCE DP on TN204E", "IN SOURCE DP\r", ModelTn204, ModeSingle, 3);
    row("IN SOURCE DP on RKA204QE", "IN SOURCE DP\r", Model204, ModeSingle, -1);
    row("IN SOURCE USB-C on RKA07QE", "IN SOURCE USB-C\r", Model07, ModeSingle, -1);
    row("OUT RESOLUTION 1920x1080p60", "OUT RESOLUTION 1920x1080p60\r", Model204, ModeSingle, 7);
    row("OUT RESOLUTION 4096x2160p60", "OUT RESOLUTION 4096x2160p60\r", Model204, ModeSingle, 0);
    row("OUT RESOLUTION 1920x1200p60RB", "OUT RESOLUTION 1920x1200p60RB\r", Model204, ModeSingle, 6);
    row("OUT RESOLUTION AUTO", "OUT RESOLUTION AUTO\r", Model204, ModeSingle, 14);
    row("OUT RESOLUTION USER", "OUT RESOLUTION USER\r", Model204, ModeSingle, 15);
    row("OUT RESOLUTION 800x600", "OUT RESOLUTION 800x600\r", Model204, ModeSingle, -1);
    row("OUT RESOLUTION in other text", "OUT RESOLUTION now 1280x720p50 set\r", Model204, ModeSingle, 12);
    row("OUT RESOLUTION glued after text", "OUT RESOLUTION auto-1920x1080p60\r", Model204, ModeSingle, 7);
    row("OUT RESOLUTION glued before text", "OUT RESOLUTION 1920x1080p60RB\r", Model204, ModeSingle, -1);
    row("OUT RESOLUTION empty", "OUT RESOLUTION\r", Model204, ModeSingle, -1);
    row("OUT 4K-AUTO OFF", "OUT 4K-AUTO OFF\r", Model204, ModeSingle, 1);
    row("OUT HDCP FORCE-1.4", "OUT HDCP FORCE-1.4\r", Model204, ModeSingle, 0);
    row("OUT HDCP FORCE-OFF", "OUT HDCP FORCE-OFF\r", Model204, ModeSingle, 2);
    row("OUT HDCP table order over position", "OUT HDCP FORCE-OFF FORCE-1.4\r", Model204, ModeSingle, 0);
    row("OUT HDCP without CR", "OUT HDCP FORCE-OFF", Model204, ModeSingle, -1);
    row("OUT HDCP second space", "OUT HDCP  FORCE-2.2\r", Model204, ModeSingle, 1);
    row("OUT VKA BLUESCREEN", "OUT VKA BLUESCREEN\r", Model204, ModeSingle, 0);
    row("OUT VKA BLACKSCREEN", "OUT VKA BLACKSCREEN\r", Model204, ModeSingle, 1);
    row("OUT ITC ON", "OUT ITC ON\r", Model204, ModeSingle, 0);
    row("OUT ITC unknown", "OUT ITC MAYBE\r", Model204, ModeSingle, -1);
    row("MULTIVIEW SINGLE", "MULTIVIEW SINGLE\r", Model204, Mode4xWin, 0);
    row("MULTIVIEW PIP", "MULTIVIEW PIP\r", Model204, ModeSingle, 1);
    row("MULTIVIEW 3xWIN", "MULTIVIEW 3xWIN\r", Model204, ModeSingle, 3);
    row("MULTIVIEW 4xWIN without model", "MULTIVIEW 4xWIN\r", NoModelYet, ModeSingle, 4);
    row("WINDOW1 IN HDMI2", "WINDOW1 IN HDMI2\r", Model204, ModeSingle, 1, 0);
    row("WINDOW2 IN HDMI5 on RKA204QE", "WINDOW2 IN HDMI5\r", Model204, ModeSingle, -1, 1);
    row("WINDOW3 IN HDMI5 on TN386", "WINDOW3 IN HDMI5\r", ModelTn386, ModeSingle, 4, 2);
    row("WINDOW4 IN USB-C on RKA386QE", "WINDOW4 IN USB-C\r", Model386, ModeSingle, 8, 3);
    row("PIP POS LeftTop", "PIP POS LeftTop\r", Model204, ModePip, 0);
    row("PIP POS RightBottom", "PIP POS RightBottom\r", Model204, ModePip, 3);
    row("PIP POS USER", "PIP POS USER\r", Model204, ModePip, 4);
    row("PIP POS unknown", "PIP POS Center\r", Model204, ModePip, -1);
    row("PIP SIZE MIDDLE", "PIP SIZE MIDDLE\r", Model204, ModePip, 1);
    row("PIP SIZE USER", "PIP SIZE USER\r", Model204, ModePip, 3);
    row("PBP ASPECT FULL", "PBP ASPECT FULL\r", Model204, ModePbp, 0);
    row("3xWIN ASPECT 16:9", "3xWIN ASPECT 16:9\r", Model204, Mode3xWin, 1);
    row("4xWIN ASPECT unknown", "4xWIN ASPECT WIDE\r", Model204, Mode4xWin, -1);
    row("AUDIO SOURCE WIN1 on RKA07QE", "AUDIO SOURCE WIN1\r", Model07, ModeSingle, 0);
    row("AUDIO SOURCE HDMI4 on RKA204QE", "AUDIO SOURCE HDMI4\r", Model204, ModeSingle, 4);
    row("AUDIO SOURCE WIN-KVM on RKA386QE", "AUDIO SOURCE WIN-KVM\r", Model386, ModeSingle, 10);
    row("AUDIO SOURCE LR3 on TN386", "AUDIO SOURCE LR3\r", ModelTn386, ModeSingle, 12);
    row("AUDIO SOURCE LR3 on RKA386QE", "AUDIO SOURCE LR3\r", Model386, ModeSingle, -1);
    row("AUDIO SOURCE DP on TN204E", "AUDIO SOURCE DP\r", ModelTn204, ModeSingle, 4);
    row("AUDIO-MUTE OFF", "AUDIO-MUTE OFF\r", Model204, ModeSingle, 1);
    row("IN EDIDMODE 4K60-2.0", "IN EDIDMODE 4K60-2.0\r", Model204, ModeSingle, 0);
    row("IN EDIDMODE 1080p60-5.1", "IN EDIDMODE 1080p60-5.1\r", Model204, ModeSingle, 7);
    row("IN EDIDMODE 720p", "IN EDIDMODE 720p\r", Model204, ModeSingle, 16);
    row("IN EDIDMODE AUTO", "IN EDIDMODE AUTO\r", Model204, ModeSingle, 17);
    row("IN EDIDMODE USER", "IN EDIDMODE USER\r", Model204, ModeSingle, 18);
    row("MODEL TYPE RKA204QE", "MODEL TYPE RKA204QE\r", NoModelYet, ModeSingle, 0);
    row("MODEL TYPE RKA07QE", "MODEL TYPE RKA07QE\r", NoModelYet, ModeSingle, 1);
    row("MODEL TYPE RKA386QE", "MODEL TYPE RKA386QE\r", NoModelYet, ModeSingle, 2);
    row("MODEL TYPE TN386", "MODEL TYPE TN386\r", NoModelYet, ModeSingle, 3);
    row("MODEL TYPE TN204E", "MODEL TYPE TN204E\r", NoModelYet, ModeSingle, 4);
    row("MODEL TYPE unknown", "MODEL TYPE XR2000\r", NoModelYet, ModeSingle, -1);
    row("MODEL TYPE with a model known", "MODEL TYPE TN204E\r", Model386, ModeSingle, 4);
    row("MAIN-AUDIO ONOFF ON", "MAIN-AUDIO ONOFF ON\r", ModelTn386, ModeSingle, 0, 0);
    row("MIC1 ONOFF OFF", "MIC1 ONOFF OFF\r", ModelTn386, ModeSingle, 1, 1);
    row("MIC2 ONOFF ON", "MIC2 ONOFF ON\r", ModelTn386, ModeSingle, 0, 2);
}

void TestReplyParser::lookups()
{
    QFETCH(QByteArray, line);
    QFETCH(quint32, model);
    QFETCH(quint32, mode);
    QFETCH(int, index);
    QFETCH(int, target);

    const ParsedReply reply = parseReplyLine(line, model, mode);
    QVERIFY(reply.keyword >= 0);
    QVERIFY(!reply.ignored);
    QCOMPARE(reply.index, index);
    QCOMPARE(reply.apply, index >= 0);
    QCOMPARE(reply.target, target);
}

void TestReplyParser::numbers_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<quint32>("model");
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<qint64>("number");
    QTest::addColumn<int>("target");
    QTest::addColumn<bool>("apply");

    auto row = [](const char *name, const QByteArray &line, quint32 model, quint32 mode, qint64 number,
                  int target,
                  bool apply) { QTest::newRow(name) << line << model << mode << number << target << apply; };

    row("AUDIO VOL 51", "AUDIO VOL 51\r", Model204, ModeSingle, 51, -1, true);
    row("AUDIO VOL 51 on TN386", "AUDIO VOL 51\r", ModelTn386, ModeSingle, 51, -1, false);
    row("AUDIO VOL 50 on TN386", "AUDIO VOL 50\r", ModelTn386, ModeSingle, 50, -1, true);
    row("AUDIO VOL 60 on RKA07QE", "AUDIO VOL 60\r", Model07, ModeSingle, 60, -1, true);
    row("AUDIO VOL 100", "AUDIO VOL 100\r", Model386, ModeSingle, 100, -1, true);
    row("AUDIO VOL 101", "AUDIO VOL 101\r", Model386, ModeSingle, 101, -1, false);
    row("AUDIO VOL 0", "AUDIO VOL 0\r", ModelTn204, ModeSingle, 0, -1, true);
    row("AUDIO VOL -1", "AUDIO VOL -1\r", Model204, ModeSingle, -1, -1, false);
    row("AUDIO VOL abc", "AUDIO VOL abc\r", Model204, ModeSingle, 0, -1, true);
    row("AUDIO VOL with a unit", "AUDIO VOL 51dB\r", Model204, ModeSingle, 0, -1, true);
    row("AUDIO VOL without model", "AUDIO VOL 80\r", NoModelYet, ModeSingle, 80, -1, true);
    row("MIC1 VOL 30", "MIC1 VOL 30\r", ModelTn386, ModeSingle, 30, 0, true);
    row("MIC2 VOL 51 on TN386", "MIC2 VOL 51\r", ModelTn386, ModeSingle, 51, 1, false);
    row("MIC2 VOL 50 on TN386", "MIC2 VOL 50\r", ModelTn386, ModeSingle, 50, 1, true);
    row("PBP MODE 3", "PBP MODE 3\r", Model204, ModePbp, 3, -1, true);
    row("PBP MODE 0", "PBP MODE 0\r", Model204, ModePbp, 0, -1, false);
    row("PBP MODE abc", "PBP MODE abc\r", Model204, ModePbp, 0, -1, false);
    row("3xWIN MODE -2", "3xWIN MODE -2\r", Model204, Mode3xWin, -2, -1, false);
    row("4xWIN MODE 6 in 3xWIN", "4xWIN MODE 6\r", Model204, Mode3xWin, 6, -1, true);
    row("MAXMODE 6", "MAXMODE 6\r", Model204, ModePbp, 6, -1, true);
    row("MAXMODE 0", "MAXMODE 0\r", Model204, ModePbp, 0, -1, false);
    row("MAXMODE abc", "MAXMODE abc\r", Model204, ModePbp, 0, -1, false);
    row("MAXMODE -3", "MAXMODE -3\r", Model204, ModePbp, 0, -1, false);
    row("MAXMODE in SINGLE", "MAXMODE 4\r", Model204, ModeSingle, 4, -1, true);
    row("BAUDRATE 115200", "BAUDRATE 115200\r", Model204, ModeSingle, 115200, -1, true);
    row("BAUDRATE word 1 only", "BAUDRATE 57600 8N1\r", Model204, ModeSingle, 57600, -1, true);
    row("BAUDRATE text", "BAUDRATE fast\r", Model204, ModeSingle, 0, -1, true);
}

void TestReplyParser::numbers()
{
    QFETCH(QByteArray, line);
    QFETCH(quint32, model);
    QFETCH(quint32, mode);
    QFETCH(qint64, number);
    QFETCH(int, target);
    QFETCH(bool, apply);

    const ParsedReply reply = parseReplyLine(line, model, mode);
    QVERIFY(!reply.ignored);
    QCOMPARE(reply.number, number);
    QCOMPARE(reply.target, target);
    QCOMPARE(reply.apply, apply);
}

void TestReplyParser::words_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QList<quint32>>("numbers");

    QTest::newRow("NETWORK-INFO four words")
        << QByteArray("NETWORK-INFO 192.168.0.50 5000 255.255.255.0 192.168.0.1\r")
        << QStringList{"192.168.0.50", "5000", "255.255.255.0", "192.168.0.1"} << QList<quint32>{0, 0, 0, 0};
    QTest::newRow("NETWORK-INFO three words repeat the third")
        << QByteArray("NETWORK-INFO 192.168.0.50 5000 255.255.255.0\r")
        << QStringList{"192.168.0.50", "5000", "255.255.255.0", "255.255.255.0"}
        << QList<quint32>{0, 0, 0, 0};
    QTest::newRow("NETWORK-INFO five words") << QByteArray("NETWORK-INFO a b c d e\r")
                                             << QStringList{"a", "b", "c", "d"} << QList<quint32>{0, 0, 0, 0};
    QTest::newRow("NETWORK-INFO empty words")
        << QByteArray("NETWORK-INFO a  c\r") << QStringList{"a", "", "c", "c"} << QList<quint32>{0, 0, 0, 0};
    QTest::newRow("NETWORK-INFO empty")
        << QByteArray("NETWORK-INFO\r") << QStringList{"", "", "", ""} << QList<quint32>{0, 0, 0, 0};
    QTest::newRow("PBP-PRESENTER") << QByteArray("PBP-PRESENTER 0 0 960 1080\r") << QStringList{}
                                   << QList<quint32>{0, 0, 960, 1080};
    QTest::newRow("PIP USER") << QByteArray("PIP USER 1280 720 640 360\r") << QStringList{}
                              << QList<quint32>{1280, 720, 640, 360};
    QTest::newRow("PIP USER two words")
        << QByteArray("PIP USER 10 20\r") << QStringList{} << QList<quint32>{10, 20, 20, 20};
    QTest::newRow("PIP USER negative and text") << QByteArray("PIP USER -5 x 7 4000000000\r") << QStringList{}
                                                << QList<quint32>{0, 0, 7, 4000000000u};
    QTest::newRow("RESO-USER") << QByteArray("RESO-USER 1920 1080\r") << QStringList{}
                               << QList<quint32>{1920, 1080, 0, 0};
    QTest::newRow("RESO-USER one word")
        << QByteArray("RESO-USER 1600\r") << QStringList{} << QList<quint32>{1600, 1600, 0, 0};
}

void TestReplyParser::words()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, words);
    QFETCH(QList<quint32>, numbers);

    const ParsedReply reply = parseReplyLine(line, ModelRKA386QE, ModeSingle);
    QVERIFY(reply.apply);
    QCOMPARE(reply.words, words);
    const QList<quint32> actual{reply.numbers[0], reply.numbers[1], reply.numbers[2], reply.numbers[3]};
    QCOMPARE(actual, numbers);
}

void TestReplyParser::statusLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<quint32>("model");
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("syncOver");

    auto row = [](const char *name, const QByteArray &line, quint32 model, quint32 mode, const QString &label,
                  bool syncOver = false) {
        QTest::newRow(name) << line << model << mode << label << syncOver;
    };

    row("OUT RESOLUTION", "OUT RESOLUTION 1920x1080p60\r", Model204, ModeSingle, "Slabel_Resolution");
    row("OUT RESOLUTION unknown", "OUT RESOLUTION 800x600\r", Model204, ModeSingle, "Slabel_Resolution");
    row("OUT 4K-AUTO", "OUT 4K-AUTO OFF\r", Model204, ModeSingle, "Slabel_4KAUTO");
    row("OUT HDCP", "OUT HDCP FORCE-2.2\r", Model204, ModeSingle, "Slabel_HDCP");
    row("OUT VKA", "OUT VKA BLUESCREEN\r", Model204, ModeSingle, "Slabel_VKA");
    row("OUT ITC", "OUT ITC ON\r", Model204, ModeSingle, "Slabel_ITC");
    row("AUDIO SOURCE", "AUDIO SOURCE HDMI1\r", Model204, ModeSingle, "Slabel_AudioSource");
    row("AUDIO SOURCE unknown", "AUDIO SOURCE LR1\r", Model204, ModeSingle, "Slabel_AudioSource");
    row("AUDIO SOURCE without model", "AUDIO SOURCE WIN1\r", NoModelYet, ModeSingle, "");
    row("AUDIO VOL", "AUDIO VOL 51\r", Model204, ModeSingle, "Slabel_Volume");
    row("AUDIO VOL beyond the limit", "AUDIO VOL 51\r", ModelTn386, ModeSingle, "Slabel_Volume");
    row("AUDIO-MUTE", "AUDIO-MUTE ON\r", Model204, ModeSingle, "Slabel_AudioMute");
    row("IN EDIDMODE", "IN EDIDMODE AUTO\r", Model204, ModeSingle, "Slabel_EdidSelect");
    row("MULTIVIEW-SYNC", "MULTIVIEW-SYNC PBP HDMI1 HDMI2 NULL NULL FULL 1 2\r", Model204, ModeSingle,
        "Ui_Multiview_AppName");
    row("MULTIVIEW-SYNC without model", "MULTIVIEW-SYNC PBP HDMI1 HDMI2 NULL NULL FULL 1 2\r", NoModelYet,
        ModeSingle, "");
    row("NETWORK-INFO", "NETWORK-INFO 1.2.3.4 5000 255.0.0.0 1.2.3.1\r", Model204, ModeSingle,
        "Slabel_Network", true);
    row("BAUDRATE", "BAUDRATE 9600\r", Model07, ModeSingle, "Slabel_Baudrate", true);
    row("MIC1 VOL", "MIC1 VOL 30\r", ModelTn386, ModeSingle, "");
    row("MULTIVIEW", "MULTIVIEW PIP\r", Model204, ModeSingle, "");
    row("MODEL TYPE", "MODEL TYPE RKA204QE\r", NoModelYet, ModeSingle, "");
    row("VERSION", "VERSION V1\r", Model204, ModeSingle, "");
    row("WINDOW1 IN", "WINDOW1 IN HDMI1\r", Model204, ModeSingle, "");
    row("EDID-USER", "EDID-USER\r", Model204, ModeSingle, "");
    row("RESO-USER", "RESO-USER 1920 1080\r", Model204, ModeSingle, "");
    row("no keyword", "HELLO WORLD\r", Model204, ModeSingle, "");
}

void TestReplyParser::statusLines()
{
    QFETCH(QByteArray, line);
    QFETCH(quint32, model);
    QFETCH(quint32, mode);
    QFETCH(QString, label);
    QFETCH(bool, syncOver);

    const ParsedReply reply = parseReplyLine(line, model, mode);
    QCOMPARE(statusKeyOf(reply), label);
    QCOMPARE(reply.syncOver, syncOver);
}

void TestReplyParser::multiviewSync_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<quint32>("model");
    QTest::addColumn<quint32>("currentMode");
    QTest::addColumn<int>("mode");
    QTest::addColumn<quint32>("resultingMode");
    QTest::addColumn<QList<int>>("windows");
    QTest::addColumn<QString>("inputResolution");
    QTest::addColumn<int>("autoSwitch");
    QTest::addColumn<int>("pipPosition");
    QTest::addColumn<int>("pipSize");
    QTest::addColumn<int>("aspect");
    QTest::addColumn<int>("modeNumber");
    QTest::addColumn<bool>("hasModeCount");
    QTest::addColumn<quint32>("modeCount");

    const int E = WindowSourceEmpty;
    const int U = WindowSourceUnknown;

    QTest::newRow("SINGLE example") << QByteArray(
                                           "MULTIVIEW-SYNC SINGLE HDMI2 NULL NULL NULL 1920x1080p60 OFF\r")
                                    << Model204 << quint32(Mode3xWin) << 0 << quint32(ModeSingle)
                                    << QList<int>{1, E, E, E} << "1920x1080p60" << 1 << -1 << -1 << -1 << 0
                                    << false << 0u;
    QTest::newRow("3xWIN example on RKA386QE")
        << QByteArray("MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4\r") << Model386
        << quint32(ModeSingle) << 3 << quint32(Mode3xWin) << QList<int>{0, 2, 7, E} << "" << 0 << -1 << -1
        << 1 << 2 << true << 4u;
    QTest::newRow("3xWIN example on TN204E")
        << QByteArray("MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4\r") << ModelTn204
        << quint32(ModeSingle) << 3 << quint32(Mode3xWin) << QList<int>{0, 2, 3, E} << "" << 0 << -1 << -1
        << 1 << 2 << true << 4u;
    QTest::newRow("3xWIN example on RKA204QE has no DP")
        << QByteArray("MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4\r") << Model204
        << quint32(ModeSingle) << 3 << quint32(Mode3xWin) << QList<int>{0, 2, U, E} << "" << 0 << -1 << -1
        << 1 << 2 << true << 4u;
    QTest::newRow("SINGLE auto switch ON")
        << QByteArray("MULTIVIEW-SYNC SINGLE USB-C NULL NULL NULL AUTO ON\r") << Model204
        << quint32(ModeSingle) << 0 << quint32(ModeSingle) << QList<int>{4, E, E, E} << "AUTO" << 0 << -1
        << -1 << -1 << 0 << false << 0u;
    QTest::newRow("SINGLE auto switch missing reads as ON")
        << QByteArray("MULTIVIEW-SYNC SINGLE HDMI1 NULL NULL NULL 1280x720p60\r") << Model204
        << quint32(ModeSingle) << 0 << quint32(ModeSingle) << QList<int>{0, E, E, E} << "1280x720p60" << 0
        << -1 << -1 << -1 << 0 << false << 0u;
    QTest::newRow("SINGLE alone repeats its only word")
        << QByteArray("MULTIVIEW-SYNC SINGLE\r") << Model204 << quint32(ModePip) << 0 << quint32(ModeSingle)
        << QList<int>{U, U, U, U} << "SINGLE" << 0 << -1 << -1 << -1 << 0 << false << 0u;
    QTest::newRow("PIP") << QByteArray("MULTIVIEW-SYNC PIP HDMI4 USB-C NULL NULL RightTop LARGE\r")
                         << Model204 << quint32(ModeSingle) << 1 << quint32(ModePip) << QList<int>{3, 4, E, E}
                         << "" << 0 << 1 << 2 << -1 << 0 << false << 0u;
    QTest::newRow("PIP user geometry")
        << QByteArray("MULTIVIEW-SYNC PIP HDMI1 HDMI2 NULL NULL USER USER\r") << Model07
        << quint32(ModeSingle) << 1 << quint32(ModePip) << QList<int>{0, 1, E, E} << "" << 0 << 4 << 3 << -1
        << 0 << false << 0u;
    QTest::newRow("PIP unknown words")
        << QByteArray("MULTIVIEW-SYNC PIP HDMI1 HDMI9 NULL NULL Center HUGE\r") << Model386
        << quint32(ModeSingle) << 1 << quint32(ModePip) << QList<int>{0, U, E, E} << "" << 0 << -1 << -1 << -1
        << 0 << false << 0u;
    QTest::newRow("PBP") << QByteArray("MULTIVIEW-SYNC PBP HDMI1 HDMI2 NULL NULL FULL 1 2\r") << Model204
                         << quint32(ModeSingle) << 2 << quint32(ModePbp) << QList<int>{0, 1, E, E} << "" << 0
                         << -1 << -1 << 0 << 1 << true << 2u;
    QTest::newRow("PBP marker inside a longer word")
        << QByteArray("MULTIVIEW-SYNC PBP NULLX HDMI2 NULL NULL WIDE x 3\r") << Model204
        << quint32(ModeSingle) << 2 << quint32(ModePbp) << QList<int>{U, 1, E, E} << "" << 0 << -1 << -1 << -1
        << 0 << true << 3u;
    QTest::newRow("4xWIN on TN386") << QByteArray("MULTIVIEW-SYNC 4xWIN HDMI5 HDMI6 HDMI7 DP FULL 3 6\r")
                                    << ModelTn386 << quint32(ModePbp) << 4 << quint32(Mode4xWin)
                                    << QList<int>{4, 5, 6, 7} << "" << 0 << -1 << -1 << 0 << 3 << true << 6u;
    QTest::newRow("4xWIN layout 0 and count 0")
        << QByteArray("MULTIVIEW-SYNC 4xWIN HDMI1 HDMI2 HDMI3 HDMI4 16:9 0 0\r") << Model204
        << quint32(ModeSingle) << 4 << quint32(Mode4xWin) << QList<int>{0, 1, 2, 3} << "" << 0 << -1 << -1
        << 1 << 0 << true << 0u;
    QTest::newRow("4xWIN count missing repeats the layout")
        << QByteArray("MULTIVIEW-SYNC 4xWIN HDMI1 HDMI2 HDMI3 HDMI4 FULL 5\r") << Model204
        << quint32(ModeSingle) << 4 << quint32(Mode4xWin) << QList<int>{0, 1, 2, 3} << "" << 0 << -1 << -1
        << 0 << 5 << true << 5u;
    QTest::newRow("unknown mode keeps PIP")
        << QByteArray("MULTIVIEW-SYNC QUAD HDMI1 NULL NULL NULL SMALL MIDDLE\r") << Model204
        << quint32(ModePip) << -1 << quint32(ModePip) << QList<int>{0, E, E, E} << "" << 0 << -1 << 1 << -1
        << 0 << false << 0u;
    QTest::newRow("unknown mode keeps 3xWIN")
        << QByteArray("MULTIVIEW-SYNC QUAD HDMI1 HDMI2 HDMI3 NULL 16:9 2 4\r") << Model204
        << quint32(Mode3xWin) << -1 << quint32(Mode3xWin) << QList<int>{0, 1, 2, E} << "" << 0 << -1 << -1
        << 1 << 2 << true << 4u;
    QTest::newRow("unknown mode keeps SINGLE")
        << QByteArray("MULTIVIEW-SYNC ? HDMI3 NULL NULL NULL 3840x2160p30 OFF\r") << Model204
        << quint32(ModeSingle) << -1 << quint32(ModeSingle) << QList<int>{2, E, E, E} << "3840x2160p30" << 1
        << -1 << -1 << -1 << 0 << false << 0u;
}

void TestReplyParser::multiviewSync()
{
    QFETCH(QByteArray, line);
    QFETCH(quint32, model);
    QFETCH(quint32, currentMode);
    QFETCH(int, mode);
    QFETCH(quint32, resultingMode);
    QFETCH(QList<int>, windows);
    QFETCH(QString, inputResolution);
    QFETCH(int, autoSwitch);
    QFETCH(int, pipPosition);
    QFETCH(int, pipSize);
    QFETCH(int, aspect);
    QFETCH(int, modeNumber);
    QFETCH(bool, hasModeCount);
    QFETCH(quint32, modeCount);

    const ParsedReply reply = parseReplyLine(line, model, currentMode);
    QCOMPARE(reply.keyword, int(KwMultiviewSync));
    QVERIFY(!reply.ignored);
    QVERIFY(reply.apply);
    const MultiviewReport &report = reply.multiview;
    QCOMPARE(report.mode, mode);
    QCOMPARE(report.resultingMode, resultingMode);
    QCOMPARE(windowSourcesOf(report), windows);
    QCOMPARE(report.inputResolution, inputResolution);
    QCOMPARE(report.autoSwitch, autoSwitch);
    QCOMPARE(report.pipPosition, pipPosition);
    QCOMPARE(report.pipSize, pipSize);
    QCOMPARE(report.aspect, aspect);
    QCOMPARE(report.modeNumber, modeNumber);
    QCOMPARE(report.hasModeCount, hasModeCount);
    QCOMPARE(report.modeCount, modeCount);
}

// Lines assembled at random from keywords, table words, spaces, CR, LF and arbitrary bytes. Each line lives
// in a heap block of exactly its size, so that a read past its end is caught by the address sanitizer.
void TestReplyParser::randomLinesStayInsideTheLine()
{
    const QList<const WordList *> vocabulary{&Tables::ReplyKeywords,
                                             &Tables::MultiviewModes,
                                             &Tables::OutputResolutions,
                                             &Tables::OnOff,
                                             &Tables::inputSources(ModelRKA386QE),
                                             &Tables::PipPositions,
                                             &Tables::Aspects,
                                             &Tables::EdidModes,
                                             &Tables::Models};
    QRandomGenerator random(20240611);
    int recognised = 0;
    int multiviewReports = 0;
    const int lineCount = 5000;
    for (int n = 0; n < lineCount; ++n) {
        QByteArray built = random.bounded(8) == 0 ? QByteArray("MULTIVIEW-SYNC ") : QByteArray();
        const int pieces = random.bounded(0, 12);
        for (int p = 0; p < pieces; ++p) {
            switch (random.bounded(6)) {
            case 0:
                built += Tables::ReplyKeywords.words[random.bounded(Tables::ReplyKeywords.count)];
                break;
            case 1: {
                const WordList *list = vocabulary.at(random.bounded(vocabulary.size()));
                built += list->words[random.bounded(list->count)];
                break;
            }
            case 2:
                built += ' ';
                break;
            case 3:
                built += random.bounded(2) ? '\r' : '\n';
                break;
            case 4:
                built += QByteArray::number(random.bounded(-10, 300));
                break;
            default:
                built += char(random.bounded(256));
                break;
            }
        }
        if (random.bounded(3) == 0)
            built += ' ';

        const int size = built.size();
        std::unique_ptr<char[]> block(new char[size > 0 ? size : 1]);
        std::copy(built.constBegin(), built.constEnd(), block.get());
        const QByteArray line = QByteArray::fromRawData(block.get(), size);
        const quint32 model = quint32(random.bounded(7));
        const quint32 mode = quint32(random.bounded(6));

        const ParsedReply reply = parseReplyLine(line, model, mode);
        if (reply.keyword < 0) {
            QVERIFY(reply.ignored);
            continue;
        }
        ++recognised;
        QVERIFY(reply.keyword < Tables::SearchedReplyKeywords);
        QVERIFY2(built.contains(Tables::ReplyKeywords.words[reply.keyword]), built.toHex().constData());
        QVERIFY(built.contains(reply.value));
        QVERIFY(!reply.value.contains('\r'));
        QVERIFY(reply.index >= -1 && reply.index < 19);
        if (reply.keyword == KwMultiviewSync && !reply.ignored) {
            ++multiviewReports;
            for (int w : reply.multiview.windowSource)
                QVERIFY(w >= WindowSourceEmpty && w < int(Tables::inputCount(model)));
        }
    }
    // The generator must reach the parser's paths, not only its early exit.
    QVERIFY2(recognised > lineCount / 4, qPrintable(QString::number(recognised)));
    QVERIFY2(multiviewReports > lineCount / 50, qPrintable(QString::number(multiviewReports)));
}

QTEST_GUILESS_MAIN(TestReplyParser)
#include "tst_replyparser.moc"
