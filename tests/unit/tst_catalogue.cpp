// Request builders: the exact line each one forms (CR included) with its reply rule, or that it forms none,
// for the identified model and the multiview layout of the device context it is given; the words of every
// setting as the wire and the pages have them; the windows of every layout.

#include "protocol/Actions.h"
#include "protocol/Catalogue.h"
#include "protocol/LayoutCatalogue.h"
#include "protocol/Settings.h"
#include "protocol/ValueTables.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTest>
#include <QVector>

#include <functional>

namespace {

using Call = std::function<Request(const DeviceContext &d)>;

// What a row needs of the device: the identified model and the multiview mirror.
struct Pre
{
    quint8 model = NoModel;
    quint32 mode = ModeSingle;
    quint32 position = 0;
    quint32 size = 0;
    quint32 modeIndex = 0;
};

Pre on(quint8 model)
{
    return Pre{model};
}
Pre in(quint32 mode, quint32 position = 0, quint32 size = 0, quint32 modeIndex = 0)
{
    return Pre{NoModel, mode, position, size, modeIndex};
}

// The pause of the commands after which the device is busy: no reply awaited, the link holds for 10 s.
constexpr quint32 Busy = 10000;
const ReplyRule rule250 = pauseReplyRule("X", 250);

// What a row expects: the line queued (given without its CR) with a rule for `keyword` that awaits the reply
// for up to 1000 ms and reports its time-out, or with `pauseMs` not 0, pauses that long instead. An empty
// line means that nothing may be queued.
struct Expect
{
    QByteArray line;
    QByteArray keyword;
    quint32 pauseMs = 0;
};

// A row named after the call and the state it needs.
void row(const char *call, Pre pre, const Expect &expect, Call run)
{
    QByteArray tag = call;
    if (pre.model != NoModel)
        tag += " on " + Tables::Models.at(pre.model);
    if (pre.mode != ModeSingle || pre.position || pre.size || pre.modeIndex)
        tag += " in " + Tables::MultiviewModes.at(pre.mode) + QByteArray::number(pre.position) +
               QByteArray::number(pre.size) + QByteArray::number(pre.modeIndex);
    QTest::newRow(tag.constData()) << pre << run << expect.line << expect.keyword << expect.pauseMs;
}
#define SENDS(pre, call, ...)                                                                                \
    row(#call, pre, Expect{__VA_ARGS__}, []([[maybe_unused]] const DeviceContext &d) { return call; })
#define NONE(pre, call)                                                                                      \
    row(#call, pre, Expect{}, []([[maybe_unused]] const DeviceContext &d) { return call; })

const unsigned char zeroEdid[256] = {};

const QByteArray edidPattern = [] {
    QByteArray bytes(256, '\0');
    for (int i = 0; i < 256; ++i)
        bytes[i] = char(255 - i);
    return bytes;
}();

Request act(ActionId id, const DeviceContext &device, const QByteArray &argument)
{
    return Actions::request(Actions::of(id), device, argument, nullptr);
}

// The smallest image that passes the EDID check: its header, and a checksum byte that makes the block sum 0.
const QByteArray validEdid = [] {
    QByteArray bytes(256, '\0');
    bytes.replace(0, 8, QByteArray::fromHex("00FFFFFFFFFFFF00"));
    bytes[127] = char(256 - 6 * 255 % 256);
    return bytes;
}();

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(Pre)

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void builders_data()
    {
        QTest::addColumn<Pre>("pre");
        QTest::addColumn<Call>("call");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("keyword");
        QTest::addColumn<quint32>("pauseMs");
        const Pre any;
        const quint8 M204 = ModelRKA204QE, M07 = ModelRKA07QE, M386 = ModelRKA386QE, TN386 = ModelTN386,
                     TN204 = ModelTN204E;

        SENDS(any, GetModelType(), "GET MODEL TYPE", "MODEL TYPE");
        SENDS(any, GetNetworkInfo(), "GET NETWORK-INFO", "NETWORK-INFO");
        SENDS(any, GetBaudrate(), "GET BAUDRATE", "BAUDRATE");
        SENDS(any, GetVersion(0), "GET VERSION", "VERSION");
        SENDS(any, GetVersion(1), "GET SUB-VERSION", "SUB-VERSION");
        SENDS(any, GetVersion(2), "GET EXPAND-VERSION", "EXPAND-VERSION");
        SENDS(any, GetVersion(3), "GET KEYBOARD-VERSION", "KEYBOARD-VERSION");
        NONE(any, GetVersion(4));
        SENDS(any, ReadSetting(d, "output.resolution"), "GET OUT RESOLUTION", "OUT RESOLUTION");
        SENDS(any, GetUserResolution(), "GET RESO-USER", "RESO-USER");
        SENDS(any, ReadSetting(d, "output.hdcp"), "GET OUT HDCP", "OUT HDCP");
        SENDS(any, ReadSetting(d, "output.vka"), "GET OUT VKA", "OUT VKA");
        SENDS(any, ReadSetting(d, "output.itc"), "GET OUT ITC", "OUT ITC");
        SENDS(on(TN204), ReadSetting(d, "output.fourKAuto"), "GET OUT 4K-AUTO", "OUT 4K-AUTO");
        SENDS(any, ReadSetting(d, "output.fourKAuto"), "GET OUT 4K-AUTO", "OUT 4K-AUTO");
        NONE(on(M07), ReadSetting(d, "output.fourKAuto"));
        SENDS(any, ReadSetting(d, "edid.mode"), "GET IN EDIDMODE", "IN EDIDMODE");
        SENDS(in(ModeSingle), GetInResolution(d), "GET IN RESOLUTION", "IN RESOLUTION");
        NONE(in(Mode4xWin), GetInResolution(d));
        SENDS(any, GetMultiviewSync(), "GET MULTIVIEW-SYNC", "MULTIVIEW-SYNC");
        SENDS(in(ModePip, 4, 0), GetUserWindow(d), "GET PIP USER", "PIP USER");
        SENDS(in(ModePip, 0, 3), GetUserWindow(d), "GET PIP USER", "PIP USER");
        NONE(in(ModePip, 3, 2), GetUserWindow(d));
        SENDS(in(ModePbp, 0, 0, 2), GetUserWindow(d), "GET PBP-PRESENTER", "PBP-PRESENTER");
        NONE(in(ModePbp, 4, 3, 1), GetUserWindow(d));
        NONE(in(Mode3xWin, 4, 3, 2), GetUserWindow(d));
        SENDS(any, ReadSetting(d, "audio.source"), "GET AUDIO SOURCE", "AUDIO SOURCE");
        SENDS(any, ReadSetting(d, "audio.volume"), "GET AUDIO VOL", "AUDIO VOL");
        SENDS(any, ReadSetting(d, "audio.mute"), "GET AUDIO-MUTE", "AUDIO-MUTE");
        SENDS(on(TN386), ReadSetting(d, "audio.mainAudio"), "GET MAIN-AUDIO ONOFF", "MAIN-AUDIO ONOFF");
        NONE(on(M204), ReadSetting(d, "audio.mainAudio"));
        SENDS(on(TN386), ReadSetting(d, "audio.mic2"), "GET MIC2 ONOFF", "MIC2 ONOFF");
        SENDS(on(TN386), ReadSetting(d, "audio.mic2Volume"), "GET MIC2 VOL", "MIC2 VOL");
        NONE(any, ReadSetting(d, "output.userWidth"));
        NONE(any, ReadSetting(d, "no.such.key"));

        SENDS(any, SetBaudrate(115200), "SET BAUDRATE 115200", "BAUDRATE");
        SENDS(any, SetNetworkInfo("192.168.1.10", "8000", "255.255.255.0", "192.168.1.1"),
              "SET NETWORK-INFO 192.168.1.10 8000 255.255.255.0 192.168.1.1", "NETWORK-INFO");
        SENDS(any, SetNetworkInfo(QString::fromUtf8("h\xC3\xA9"), "1", "", "3"),
              "SET NETWORK-INFO h\xC3\xA9 1  3", "NETWORK-INFO");
        SENDS(any, SetNetworkInfo(QString(1001, '9'), "a", "b", "c"),
              "SET NETWORK-INFO " + QByteArray(1001, '9') + " a b c", "NETWORK-INFO");
        NONE(any, SetNetworkInfo(QString(1002, '9'), "a", "b", "c"));
        SENDS(any, WriteSetting(d, "output.resolution", 7u), "SET OUT RESOLUTION 1920x1080p60",
              "OUT RESOLUTION", Busy);
        SENDS(any, WriteSetting(d, "output.resolution", 15u), "SET OUT RESOLUTION USER", "OUT RESOLUTION",
              Busy);
        NONE(any, WriteSetting(d, "output.resolution", 16u));
        SENDS(any, SetUserResolution(1920, -1), "SET RESO-USER 1920 -1", "RESO-USER", Busy);
        SENDS(any, WriteSetting(d, "output.hdcp", 2u), "SET OUT HDCP FORCE-OFF", "OUT HDCP");
        NONE(any, WriteSetting(d, "output.hdcp", 3u));
        SENDS(any, WriteSetting(d, "output.vka", 1u), "SET OUT VKA BLACKSCREEN", "OUT VKA");
        NONE(any, WriteSetting(d, "output.vka", 2u));
        SENDS(any, WriteSetting(d, "output.itc", 1u), "SET OUT ITC OFF", "OUT ITC");
        NONE(any, WriteSetting(d, "output.itc", 2u));
        SENDS(any, WriteSetting(d, "output.fourKAuto", 1u), "SET OUT 4K-AUTO OFF", "OUT 4K-AUTO");
        NONE(any, WriteSetting(d, "output.fourKAuto", 2u));
        SENDS(any, WriteSetting(d, "edid.mode", 18u), "SET IN EDIDMODE USER", "IN EDIDMODE");
        NONE(any, WriteSetting(d, "edid.mode", 19u));
        SENDS(any, SetUserEdid(zeroEdid), "SET EDID-USER" + QByteArray(" 00").repeated(256), "EDID-USER OK");
        SENDS(any, SetUserEdid(reinterpret_cast<const uchar *>(edidPattern.constData())),
              "SET EDID-USER " + edidPattern.toHex(' ').toUpper(), "EDID-USER OK");
        NONE(any, SetUserEdid(nullptr));

        SENDS(any, WriteSetting(d, "multiview.mode", 3u), "SET MULTIVIEW 3xWIN", "MULTIVIEW");
        NONE(any, WriteSetting(d, "multiview.mode", 5u));
        SENDS(in(ModePip), WriteSetting(d, "multiview.pipPosition", 4u), "SET PIP POS USER", "PIP POS");
        NONE(in(ModePip), WriteSetting(d, "multiview.pipPosition", 5u));
        NONE(in(ModeSingle), WriteSetting(d, "multiview.pipPosition", 0u));
        SENDS(in(ModePip), WriteSetting(d, "multiview.pipSize", 3u), "SET PIP SIZE USER", "PIP SIZE");
        NONE(in(ModePip), WriteSetting(d, "multiview.pipSize", 4u));
        NONE(in(ModePbp), WriteSetting(d, "multiview.pipSize", 1u));
        SENDS(in(ModePbp), SetLayoutMode(d, 3), "SET PBP MODE 3", "PBP MODE");
        SENDS(in(Mode4xWin), SetLayoutMode(d, -1), "SET 4xWIN MODE -1", "4xWIN MODE");
        NONE(in(ModeSingle), SetLayoutMode(d, 1));
        NONE(in(ModePip), SetLayoutMode(d, 1));
        SENDS(in(ModePbp), SetLayoutAspect(d, 1), "SET PBP ASPECT 16:9", "PBP ASPECT");
        SENDS(in(Mode3xWin), SetLayoutAspect(d, 0), "SET 3xWIN ASPECT FULL", "3xWIN ASPECT");
        NONE(in(ModePbp), SetLayoutAspect(d, 2));
        NONE(in(ModeSingle), SetLayoutAspect(d, 1));
        NONE(in(ModePip), SetLayoutAspect(d, 1));
        SENDS(in(ModePip, 4, 0), SetUserWindow(d, 0, 0, 960, 540), "SET PIP USER 0 0 960 540", "PIP USER");
        SENDS(in(ModePip, 1, 3), SetUserWindow(d, 100, 50, 640, 360), "SET PIP USER 100 50 640 360",
              "PIP USER");
        SENDS(in(ModePbp, 0, 0, 2), SetUserWindow(d, 10, 20, 1280, 720), "SET PBP-PRESENTER 10 20 1280 720",
              "PBP-PRESENTER");
        NONE(in(ModePip, 0, 0), SetUserWindow(d, 0, 0, 1, 1));
        NONE(in(ModePbp, 4, 3, 0), SetUserWindow(d, 0, 0, 1, 1));
        NONE(in(ModeSingle, 4, 3, 2), SetUserWindow(d, 0, 0, 1, 1));
        SENDS(on(M204), SetWindowInput(d, 0, 4), "SET WINDOW1 IN USB-C", "WINDOW1 IN");
        NONE(on(M07), SetWindowInput(d, 0, 4));
        SENDS(on(M386), SetWindowInput(d, 1, 7), "SET WINDOW2 IN DP", "WINDOW2 IN");
        SENDS(on(TN386), SetWindowInput(d, 2, 8), "SET WINDOW3 IN USB-C", "WINDOW3 IN");
        SENDS(on(TN204), SetWindowInput(d, 0, 3), "SET WINDOW1 IN DP", "WINDOW1 IN");
        NONE(on(M204), SetWindowInput(d, 4, 0));
        NONE(any, SetWindowInput(d, 0, 0));
        SENDS(in(ModeSingle), WriteSetting(d, "multiview.autoSwitch", 1u), "SET AUTO SWITCH OFF",
              "AUTO SWITCH");
        NONE(in(ModeSingle), WriteSetting(d, "multiview.autoSwitch", 2u));
        NONE(in(ModePip), WriteSetting(d, "multiview.autoSwitch", 0u));

        NONE(any, WriteSetting(d, "audio.source", 0u));
        SENDS(on(M204), WriteSetting(d, "audio.source", 5u), "SET AUDIO SOURCE USB-C", "AUDIO SOURCE");
        NONE(on(M204), WriteSetting(d, "audio.source", 6u));
        NONE(on(M07), WriteSetting(d, "audio.source", 5u));
        SENDS(on(M386), WriteSetting(d, "audio.source", 10u), "SET AUDIO SOURCE WIN-KVM", "AUDIO SOURCE");
        SENDS(on(TN386), WriteSetting(d, "audio.source", 13u), "SET AUDIO SOURCE LR4", "AUDIO SOURCE");
        NONE(on(TN386), WriteSetting(d, "audio.source", 14u));
        SENDS(on(TN204), WriteSetting(d, "audio.source", 4u), "SET AUDIO SOURCE DP", "AUDIO SOURCE");
        SENDS(on(M204), WriteSetting(d, "audio.volume", QString("100")), "SET AUDIO VOL 100", "AUDIO VOL");
        NONE(on(M204), WriteSetting(d, "audio.volume", QString("101")));
        NONE(on(M204), WriteSetting(d, "audio.volume", QString("-1")));
        SENDS(on(TN204), WriteSetting(d, "audio.volume", QString("60")), "SET AUDIO VOL 60", "AUDIO VOL");
        SENDS(on(TN386), WriteSetting(d, "audio.volume", QString("50")), "SET AUDIO VOL 50", "AUDIO VOL");
        NONE(on(TN386), WriteSetting(d, "audio.volume", QString("51")));
        SENDS(any, WriteSetting(d, "audio.volume", QString("0")), "SET AUDIO VOL 0", "AUDIO VOL");
        SENDS(any, WriteSetting(d, "audio.mute", 0u), "SET AUDIO-MUTE ON", "AUDIO-MUTE");
        NONE(any, WriteSetting(d, "audio.mute", 2u));
        SENDS(on(TN386), WriteSetting(d, "audio.mainAudio", 1u), "SET MAIN-AUDIO ONOFF OFF",
              "MAIN-AUDIO ONOFF");
        NONE(on(TN386), WriteSetting(d, "audio.mainAudio", 2u));
        NONE(on(M204), WriteSetting(d, "audio.mainAudio", 1u));
        SENDS(on(TN386), WriteSetting(d, "audio.mic1", 0u), "SET MIC1 ONOFF ON", "MIC1 ONOFF");
        SENDS(on(TN386), WriteSetting(d, "audio.mic2", 1u), "SET MIC2 ONOFF OFF", "MIC2 ONOFF");
        NONE(on(TN386), WriteSetting(d, "audio.mic1", 2u));
        SENDS(on(TN386), WriteSetting(d, "audio.mic1Volume", QString("50")), "SET MIC1 VOL 50", "MIC1 VOL");
        SENDS(on(TN386), WriteSetting(d, "audio.mic2Volume", QString("0")), "SET MIC2 VOL 0", "MIC2 VOL");
        NONE(on(TN386), WriteSetting(d, "audio.mic1Volume", QString("51")));
        NONE(on(TN386), WriteSetting(d, "audio.mic1Volume", QString("-1")));
        // A word of the list whatever its case, never text that is no value.
        SENDS(any, WriteSetting(d, "output.hdcp", QString("force-off")), "SET OUT HDCP FORCE-OFF",
              "OUT HDCP");
        NONE(any, WriteSetting(d, "output.hdcp", QString("FORCE-3")));
        NONE(any, WriteSetting(d, "audio.volume", QString("6x")));
        NONE(any, WriteSetting(d, "multiview.window1", 0u));
        NONE(any, MicVolumeUp(2));

        // The actions table: every action's request, or none for an argument or a model it does not take.
        SENDS(any, act(ActionId::SceneSave, d, "20"), "SET SAVE SCENE 20", "SAVE SCENE");
        SENDS(any, act(ActionId::SceneLoad, d, "1"), "SET LOAD SCENE 1", "LOAD SCENE");
        NONE(any, act(ActionId::SceneLoad, d, "0"));
        NONE(any, act(ActionId::SceneSave, d, "21"));
        NONE(any, act(ActionId::SceneSave, d, "2x"));
        SENDS(any, act(ActionId::VolumeUp, d, ""), "SET AUDIO VOL+", "AUDIO VOL");
        SENDS(any, act(ActionId::VolumeDown, d, ""), "SET AUDIO VOL-", "AUDIO VOL");
        NONE(any, act(ActionId::VolumeDown, d, "5"));
        SENDS(on(TN386), act(ActionId::Mic1VolumeUp, d, ""), "SET MIC1 VOL+", "MIC1 VOL");
        SENDS(on(TN386), act(ActionId::Mic1VolumeDown, d, ""), "SET MIC1 VOL-", "MIC1 VOL");
        SENDS(on(TN386), act(ActionId::Mic2VolumeUp, d, ""), "SET MIC2 VOL+", "MIC2 VOL");
        SENDS(on(TN386), act(ActionId::Mic2VolumeDown, d, ""), "SET MIC2 VOL-", "MIC2 VOL");
        NONE(on(TN204), act(ActionId::Mic1VolumeUp, d, ""));
        NONE(on(TN204), act(ActionId::Mic1VolumeDown, d, ""));
        NONE(on(M204), act(ActionId::Mic2VolumeUp, d, ""));
        NONE(on(M386), act(ActionId::Mic2VolumeDown, d, ""));
        SENDS(any, act(ActionId::FactoryReset, d, ""), "SET RESET", "RESET", Busy);
        SENDS(any, act(ActionId::EdidUpload, d, validEdid), "SET EDID-USER " + validEdid.toHex(' ').toUpper(),
              "EDID-USER OK");
        NONE(any, act(ActionId::EdidUpload, d, validEdid.left(255)));
        NONE(any, act(ActionId::EdidUpload, d, edidPattern));

        SENDS(any, requestWithRule(QByteArray(1024, 'A'), rule250), QByteArray(1024, 'A'), "X", 250);
        NONE(any, requestWithRule(QByteArray(1025, 'A'), rule250));
    }

    void builders()
    {
        QFETCH(Pre, pre);
        QFETCH(Call, call);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, keyword);
        QFETCH(quint32, pauseMs);
        DeviceContext device;
        device.ModelIdentified = pre.model < NoModel;
        device.CurrentModel = pre.model;
        device.InputCount = Tables::inputCount(pre.model);
        device.MultiviewMode = pre.mode;
        device.PipPosition = pre.position;
        device.PipSize = pre.size;
        device.ModeIndex = pre.modeIndex;

        const Request request = call(device);

        if (line.isEmpty()) {
            QVERIFY2(request.isNull(), request.line.constData());
            return;
        }
        QCOMPARE(request.line, line + '\r');
        const ReplyRule rule = request.rule;
        QCOMPARE(rule.keywordCount, 1u);
        QCOMPARE(rule.keyword[0], keyword);
        QCOMPARE(rule.expectReply, quint8(pauseMs == 0));
        QCOMPARE(rule.acceptAnyLine, quint8(0));
        QCOMPARE(rule.waitMs, pauseMs);
        QCOMPARE(rule.timeoutMs, 1000u);
        QCOMPARE(rule.reportTimeout, quint8(1));
    }

    // Every row of the settings table as the device and the pages know it: name, read and write objects and
    // its words (wire=display where a page shows another text), pinned here so that a wrong word in the table
    // is caught even where the simulator, which reads the same table, would agree with it. Per-model words
    // are those of an RKA386QE.
    void settingRows()
    {
        const QStringList expected = {
            "output.userWidth -/-",
            "output.userHeight -/-",
            "output.resolution OUT RESOLUTION/OUT RESOLUTION 4096x2160p60 4096x2160p50 3840x2160p60 "
            "3840x2160p50 "
            "3840x2160p30 3840x2160p25 1920x1200p60RB 1920x1080p60 1920x1080p50 1360x768p60 1280x800p60 "
            "1280x720p60 1280x720p50 1024x768p60 AUTO USER",
            "output.hdcp OUT HDCP/OUT HDCP FORCE-1.4=Force-1.4 FORCE-2.2=Force-2.2 FORCE-OFF=Force-Off",
            "output.vka OUT VKA/OUT VKA BLUESCREEN BLACKSCREEN",
            "output.itc OUT ITC/OUT ITC ON OFF",
            "output.fourKAuto OUT 4K-AUTO/OUT 4K-AUTO ON OFF",
            "edid.mode IN EDIDMODE/IN EDIDMODE 4K60-2.0 4K60-5.1 4K60-7.1 4K30-2.0 4K30-5.1 4K30-7.1 "
            "1080p60-2.0 "
            "1080p60-5.1 1080p60-7.1 1920x1200 1680x1050 1600x1200 1440x900 1360x768 1280x1024 1024x768 720p "
            "AUTO=Auto USER=User",
            "audio.source AUDIO SOURCE/AUDIO SOURCE WIN1 HDMI1 HDMI2 HDMI3 HDMI4 HDMI5 HDMI6 HDMI7 DP USB-C "
            "WIN-KVM",
            "audio.volume AUDIO VOL/AUDIO VOL",
            "audio.mute AUDIO-MUTE/AUDIO-MUTE ON OFF",
            "audio.mainAudio MAIN-AUDIO ONOFF/MAIN-AUDIO ONOFF ON OFF",
            "audio.mic1 MIC1 ONOFF/MIC1 ONOFF ON OFF",
            "audio.mic1Volume MIC1 VOL/MIC1 VOL",
            "audio.mic2 MIC2 ONOFF/MIC2 ONOFF ON OFF",
            "audio.mic2Volume MIC2 VOL/MIC2 VOL",
            "multiview.mode MULTIVIEW-SYNC/MULTIVIEW SINGLE PIP PBP 3xWIN 4xWIN",
            "multiview.autoSwitch MULTIVIEW-SYNC/AUTO SWITCH ON OFF",
            "multiview.pipPosition MULTIVIEW-SYNC/PIP POS LeftTop RightTop LeftBottom RightBottom USER",
            "multiview.pipSize MULTIVIEW-SYNC/PIP SIZE SMALL MIDDLE LARGE USER",
            "multiview.aspect MULTIVIEW-SYNC/- FULL 16:9",
            "multiview.layout MULTIVIEW-SYNC/-",
            "multiview.pipWindow -/-",
            "multiview.presenterWindow -/-",
            "multiview.window1 MULTIVIEW-SYNC/- HDMI1 HDMI2 HDMI3 HDMI4 HDMI5 HDMI6 HDMI7 DP USB-C",
            "multiview.window2 MULTIVIEW-SYNC/- HDMI1 HDMI2 HDMI3 HDMI4 HDMI5 HDMI6 HDMI7 DP USB-C",
            "multiview.window3 MULTIVIEW-SYNC/- HDMI1 HDMI2 HDMI3 HDMI4 HDMI5 HDMI6 HDMI7 DP USB-C",
            "multiview.window4 MULTIVIEW-SYNC/- HDMI1 HDMI2 HDMI3 HDMI4 HDMI5 HDMI6 HDMI7 DP USB-C",
            "link.baudRate BAUDRATE/- 9600 19200 38400 57600 115200",
            "link.ip NETWORK-INFO/-",
            "link.port NETWORK-INFO/-",
            "link.mask NETWORK-INFO/-",
            "link.gateway NETWORK-INFO/-"};
        QStringList rows;
        for (const Setting &setting : Settings::all()) {
            QCOMPARE(&Settings::of(setting.id), &setting);
            QString row = QStringLiteral("%1 %2/%3")
                              .arg(setting.name, setting.readObject ? setting.readObject : "-",
                                   setting.object ? setting.object : "-");
            if (setting.words) {
                const WordList &words = setting.words(ModelRKA386QE);
                const QStringList displays = words.displayList();
                for (int i = 0; i < words.count; ++i) {
                    row += ' ' + QString::fromLatin1(words.wire(quint32(i)));
                    if (displays[i] != QLatin1String(words.wire(quint32(i))))
                        row += '=' + displays[i];
                }
            }
            rows << row;
        }
        QCOMPARE(rows, expected);
    }

    // The windows the preview pictures show: as many as the mode has, each inside the output and not empty.
    // SINGLE is the whole output. PIP's small window lies in the corner its position names (USER where it
    // was dragged). The split layouts tile the output without overlap, wholly at FULL, every window kept at
    // the output's shape at 16:9.
    void layoutWindows()
    {
        using namespace LayoutCatalogue;
        const QRectF output(0, 0, 1, 1);
        const auto inOutput = [&output](const QRectF &window) {
            return !window.isEmpty() && output.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(window);
        };
        QCOMPARE(singleWindows(), QVector<QRectF>{output});
        QCOMPARE((QList<int>{windowCount(ModeSingle), windowCount(ModePip), windowCount(ModePbp),
                             windowCount(Mode3xWin), windowCount(Mode4xWin)}),
                 (QList<int>{1, 2, 2, 3, 4}));
        QVERIFY(modeCount(ModeSingle) == 0 && modeCount(ModePip) == 0);

        const QPointF corners[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0.6, 0.42}};
        for (quint32 position = 0; position < 5; ++position) {
            for (quint32 size = 0; size < 4; ++size) {
                const QVector<QRectF> pip = pipWindows(position, size);
                QCOMPARE(pip.size(), windowCount(ModePip));
                QCOMPARE(pip[0], output);
                QVERIFY(inOutput(pip[1]) && pip[1].width() <= 0.5 && pip[1].width() == pip[1].height());
                const QPointF toCorner = corners[position] - pip[1].center();
                QVERIFY2(qAbs(toCorner.x()) < 0.5 && qAbs(toCorner.y()) < 0.5,
                         qPrintable(QStringLiteral("position %1 size %2").arg(position).arg(size)));
            }
        }
        QVERIFY(pipWindows(5, 0).isEmpty() && pipWindows(0, 4).isEmpty());

        const QList<QPair<quint32, quint32>> modes = {{ModePbp, 3}, {Mode3xWin, 4}, {Mode4xWin, 6}};
        for (const auto &mode : modes) {
            QCOMPARE(modeCount(mode.first), mode.second);
            for (quint32 layout = 0; layout < mode.second; ++layout) {
                const QVector<QRectF> full = splitWindows(mode.first, layout, 0);
                for (quint32 aspect = 0; aspect < 2; ++aspect) {
                    const QVector<QRectF> windows = splitWindows(mode.first, layout, aspect);
                    const QString where =
                        QStringLiteral("mode %1 layout %2 aspect %3").arg(mode.first).arg(layout).arg(aspect);
                    QVERIFY2(windows.size() == windowCount(mode.first), qPrintable(where));
                    double area = 0;
                    for (int i = 0; i < windows.size(); ++i) {
                        QVERIFY2(inOutput(windows[i]), qPrintable(where));
                        // At 16:9 the largest square of its cell, centred in it.
                        QVERIFY2(aspect == 0 || (qFuzzyCompare(windows[i].width(), windows[i].height()) &&
                                                 qFuzzyCompare(windows[i].width(),
                                                               qMin(full[i].width(), full[i].height())) &&
                                                 windows[i].center() == full[i].center()),
                                 qPrintable(where));
                        area += windows[i].width() * windows[i].height();
                        for (int j = 0; j < i; ++j) {
                            const QRectF both = windows[i].intersected(windows[j]);
                            QVERIFY2(both.width() * both.height() < 1e-9, qPrintable(where));
                        }
                    }
                    QVERIFY2(aspect == 1 || qFuzzyCompare(area, 1.0) ||
                                 (mode.first == ModePbp && layout == 2),
                             qPrintable(where));
                }
            }
            QVERIFY(splitWindows(mode.first, mode.second, 0).isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
