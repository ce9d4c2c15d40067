// Request builders: the exact line each one queues (CR included) with its reply rule, or that it queues
// nothing, for the identified model and the multiview layout held in the application state.

#include "config/AppState.h"
#include "core/MultiviewTestState.h"
#include "core/RequestRecorder.h"
#include "protocol/Catalogue.h"
#include "protocol/ValueTables.h"

#include <QtTest>

#include <functional>

namespace {

using Call = std::function<void()>;

// What a row needs in the application state: the identified model and the multiview mirror.
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
#define SENDS(pre, call, ...) row(#call, pre, Expect{__VA_ARGS__}, [] { call; })
#define NONE(pre, call) row(#call, pre, Expect{}, [] { call; })

const unsigned char zeroEdid[256] = {};

const QByteArray edidPattern = [] {
    QByteArray bytes(256, '\0');
    for (int i = 0; i < 256; ++i)
        bytes[i] = char(255 - i);
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
        SENDS(any, GetOutResolution(), "GET OUT RESOLUTION", "OUT RESOLUTION");
        SENDS(any, GetUserResolution(), "GET RESO-USER", "RESO-USER");
        SENDS(any, GetOutHdcp(), "GET OUT HDCP", "OUT HDCP");
        SENDS(any, GetOutVka(), "GET OUT VKA", "OUT VKA");
        SENDS(any, GetOutItc(), "GET OUT ITC", "OUT ITC");
        SENDS(on(TN204), GetOut4KAuto(), "GET OUT 4K-AUTO", "OUT 4K-AUTO");
        SENDS(any, GetOut4KAuto(), "GET OUT 4K-AUTO", "OUT 4K-AUTO");
        NONE(on(M07), GetOut4KAuto());
        SENDS(any, GetInEdidMode(), "GET IN EDIDMODE", "IN EDIDMODE");
        SENDS(in(ModeSingle), GetInResolution(), "GET IN RESOLUTION", "IN RESOLUTION");
        NONE(in(Mode4xWin), GetInResolution());
        SENDS(any, GetMultiviewSync(), "GET MULTIVIEW-SYNC", "MULTIVIEW-SYNC");
        SENDS(in(ModePip, 4, 0), GetUserWindow(), "GET PIP USER", "PIP USER");
        SENDS(in(ModePip, 0, 3), GetUserWindow(), "GET PIP USER", "PIP USER");
        NONE(in(ModePip, 3, 2), GetUserWindow());
        SENDS(in(ModePbp, 0, 0, 2), GetUserWindow(), "GET PBP-PRESENTER", "PBP-PRESENTER");
        NONE(in(ModePbp, 4, 3, 1), GetUserWindow());
        NONE(in(Mode3xWin, 4, 3, 2), GetUserWindow());
        SENDS(any, GetAudioSource(), "GET AUDIO SOURCE", "AUDIO SOURCE");
        SENDS(any, GetAudioVolume(), "GET AUDIO VOL", "AUDIO VOL");
        SENDS(any, GetAudioMute(), "GET AUDIO-MUTE", "AUDIO-MUTE");
        SENDS(any, GetMainAudioOnOff(), "GET MAIN-AUDIO ONOFF", "MAIN-AUDIO ONOFF");
        SENDS(any, GetMicOnOff(1), "GET MIC2 ONOFF", "MIC2 ONOFF");
        NONE(any, GetMicOnOff(2));
        SENDS(any, GetMicVolume(1), "GET MIC2 VOL", "MIC2 VOL");
        NONE(any, GetMicVolume(2));

        SENDS(any, SetBaudrate(115200), "SET BAUDRATE 115200", "BAUDRATE");
        SENDS(any, SetNetworkInfo("192.168.1.10", "8000", "255.255.255.0", "192.168.1.1"),
              "SET NETWORK-INFO 192.168.1.10 8000 255.255.255.0 192.168.1.1", "NETWORK-INFO");
        SENDS(any, SetNetworkInfo(QString::fromUtf8("h\xC3\xA9"), "1", "", "3"),
              "SET NETWORK-INFO h\xC3\xA9 1  3", "NETWORK-INFO");
        SENDS(any, SetNetworkInfo(QString(1001, '9'), "a", "b", "c"),
              "SET NETWORK-INFO " + QByteArray(1001, '9') + " a b c", "NETWORK-INFO");
        NONE(any, SetNetworkInfo(QString(1002, '9'), "a", "b", "c"));
        SENDS(any, ResetDevice(), "SET RESET", "RESET", Busy);
        SENDS(any, SetOutResolution(7), "SET OUT RESOLUTION 1920x1080p60", "OUT RESOLUTION", Busy);
        SENDS(any, SetOutResolution(15), "SET OUT RESOLUTION USER", "OUT RESOLUTION", Busy);
        NONE(any, SetOutResolution(16));
        SENDS(any, SetUserResolution(1920, -1), "SET RESO-USER 1920 -1", "RESO-USER", Busy);
        SENDS(any, SetOutHdcp(2), "SET OUT HDCP FORCE-OFF", "OUT HDCP");
        NONE(any, SetOutHdcp(3));
        SENDS(any, SetOutVka(1), "SET OUT VKA BLACKSCREEN", "OUT VKA");
        NONE(any, SetOutVka(2));
        SENDS(any, SetOutItc(1), "SET OUT ITC OFF", "OUT ITC");
        NONE(any, SetOutItc(2));
        SENDS(any, SetOut4KAuto(1), "SET OUT 4K-AUTO OFF", "OUT 4K-AUTO");
        NONE(any, SetOut4KAuto(2));
        SENDS(any, SetInEdidMode(18), "SET IN EDIDMODE USER", "IN EDIDMODE");
        NONE(any, SetInEdidMode(19));
        SENDS(any, SetUserEdid(zeroEdid), "SET EDID-USER" + QByteArray(" 00").repeated(256), "EDID-USER OK");
        SENDS(any, SetUserEdid(reinterpret_cast<const uchar *>(edidPattern.constData())),
              "SET EDID-USER " + edidPattern.toHex(' ').toUpper(), "EDID-USER OK");
        NONE(any, SetUserEdid(nullptr));

        SENDS(any, SetMultiview(3), "SET MULTIVIEW 3xWIN", "MULTIVIEW");
        NONE(any, SetMultiview(5));
        SENDS(in(ModePip), SetPipPosition(4), "SET PIP POS USER", "PIP POS");
        NONE(in(ModePip), SetPipPosition(5));
        NONE(in(ModeSingle), SetPipPosition(0));
        SENDS(in(ModePip), SetPipSize(3), "SET PIP SIZE USER", "PIP SIZE");
        NONE(in(ModePip), SetPipSize(4));
        NONE(in(ModePbp), SetPipSize(1));
        SENDS(in(ModePbp), SetLayoutMode(3), "SET PBP MODE 3", "PBP MODE");
        SENDS(in(Mode4xWin), SetLayoutMode(-1), "SET 4xWIN MODE -1", "4xWIN MODE");
        NONE(in(ModeSingle), SetLayoutMode(1));
        NONE(in(ModePip), SetLayoutMode(1));
        SENDS(in(ModePbp), SetLayoutAspect(1), "SET PBP ASPECT 16:9", "PBP ASPECT");
        SENDS(in(Mode3xWin), SetLayoutAspect(0), "SET 3xWIN ASPECT FULL", "3xWIN ASPECT");
        NONE(in(ModePbp), SetLayoutAspect(2));
        NONE(in(ModeSingle), SetLayoutAspect(1));
        NONE(in(ModePip), SetLayoutAspect(1));
        SENDS(in(ModePip, 4, 0), SetUserWindow(0, 0, 960, 540), "SET PIP USER 0 0 960 540", "PIP USER");
        SENDS(in(ModePip, 1, 3), SetUserWindow(100, 50, 640, 360), "SET PIP USER 100 50 640 360", "PIP USER");
        SENDS(in(ModePbp, 0, 0, 2), SetUserWindow(10, 20, 1280, 720), "SET PBP-PRESENTER 10 20 1280 720",
              "PBP-PRESENTER");
        NONE(in(ModePip, 0, 0), SetUserWindow(0, 0, 1, 1));
        NONE(in(ModePbp, 4, 3, 0), SetUserWindow(0, 0, 1, 1));
        NONE(in(ModeSingle, 4, 3, 2), SetUserWindow(0, 0, 1, 1));
        SENDS(on(M204), SetWindowInput(0, 4), "SET WINDOW1 IN USB-C", "WINDOW1 IN");
        NONE(on(M07), SetWindowInput(0, 4));
        SENDS(on(M386), SetWindowInput(1, 7), "SET WINDOW2 IN DP", "WINDOW2 IN");
        SENDS(on(TN386), SetWindowInput(2, 8), "SET WINDOW3 IN USB-C", "WINDOW3 IN");
        SENDS(on(TN204), SetWindowInput(0, 3), "SET WINDOW1 IN DP", "WINDOW1 IN");
        NONE(on(M204), SetWindowInput(4, 0));
        NONE(any, SetWindowInput(0, 0));
        SENDS(in(ModeSingle), SetAutoSwitch(1), "SET AUTO SWITCH OFF", "AUTO SWITCH");
        NONE(in(ModeSingle), SetAutoSwitch(2));
        NONE(in(ModePip), SetAutoSwitch(0));
        SENDS(any, SaveScene(20), "SET SAVE SCENE 20", "SAVE SCENE");
        SENDS(any, LoadScene(7), "SET LOAD SCENE 7", "LOAD SCENE");

        NONE(any, SetAudioSource(0));
        SENDS(on(M204), SetAudioSource(5), "SET AUDIO SOURCE USB-C", "AUDIO SOURCE");
        NONE(on(M204), SetAudioSource(6));
        NONE(on(M07), SetAudioSource(5));
        SENDS(on(M386), SetAudioSource(10), "SET AUDIO SOURCE WIN-KVM", "AUDIO SOURCE");
        SENDS(on(TN386), SetAudioSource(13), "SET AUDIO SOURCE LR4", "AUDIO SOURCE");
        NONE(on(TN386), SetAudioSource(14));
        SENDS(on(TN204), SetAudioSource(4), "SET AUDIO SOURCE DP", "AUDIO SOURCE");
        SENDS(on(M204), SetAudioVolume(100), "SET AUDIO VOL 100", "AUDIO VOL");
        NONE(on(M204), SetAudioVolume(101));
        NONE(on(M204), SetAudioVolume(-1));
        SENDS(on(TN204), SetAudioVolume(60), "SET AUDIO VOL 60", "AUDIO VOL");
        SENDS(on(TN386), SetAudioVolume(50), "SET AUDIO VOL 50", "AUDIO VOL");
        NONE(on(TN386), SetAudioVolume(51));
        SENDS(any, SetAudioVolume(0), "SET AUDIO VOL 0", "AUDIO VOL");
        SENDS(any, AudioVolumeUp(), "SET AUDIO VOL+", "AUDIO VOL");
        SENDS(any, AudioVolumeDown(), "SET AUDIO VOL-", "AUDIO VOL");
        SENDS(any, SetAudioMute(0), "SET AUDIO-MUTE ON", "AUDIO-MUTE");
        NONE(any, SetAudioMute(2));
        SENDS(any, SetMainAudioOnOff(1), "SET MAIN-AUDIO ONOFF OFF", "MAIN-AUDIO ONOFF");
        NONE(any, SetMainAudioOnOff(2));
        SENDS(any, SetMicOnOff(0, 0), "SET MIC1 ONOFF ON", "MIC1 ONOFF");
        SENDS(any, SetMicOnOff(1, 1), "SET MIC2 ONOFF OFF", "MIC2 ONOFF");
        NONE(any, SetMicOnOff(2, 0));
        NONE(any, SetMicOnOff(0, 2));
        SENDS(on(TN386), SetMicVolume(0, 50), "SET MIC1 VOL 50", "MIC1 VOL");
        SENDS(any, SetMicVolume(1, 0), "SET MIC2 VOL 0", "MIC2 VOL");
        NONE(on(TN386), SetMicVolume(0, 51));
        NONE(any, SetMicVolume(0, -1));
        NONE(any, SetMicVolume(2, 10));
        SENDS(any, MicVolumeUp(0), "SET MIC1 VOL+", "MIC1 VOL");
        SENDS(any, MicVolumeDown(1), "SET MIC2 VOL-", "MIC2 VOL");
        NONE(any, MicVolumeUp(2));

        SENDS(any, sendWithRule(QByteArray(1024, 'A').constData(), 1024, rule250), QByteArray(1024, 'A'), "X",
              250);
        NONE(any, sendWithRule(QByteArray(1025, 'A').constData(), 1025, rule250));
        NONE(any, sendWithRule(nullptr, 5, defaultReplyRule("X")));
    }

    void builders()
    {
        QFETCH(Pre, pre);
        QFETCH(Call, call);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, keyword);
        QFETCH(quint32, pauseMs);
        identifyModel(pre.model);
        setMultiviewState(pre.mode, pre.position, pre.size, pre.modeIndex);
        RequestRecorder recorder;

        call();

        if (line.isEmpty()) {
            QCOMPARE(recorder.lines(), QByteArrayList());
            return;
        }
        QCOMPARE(recorder.lines(), QByteArrayList{line + '\r'});
        const ReplyRule rule = recorder.rules().first();
        QCOMPARE(rule.keywordCount, 1u);
        QCOMPARE(rule.keyword[0], keyword);
        QCOMPARE(rule.expectReply, quint8(pauseMs == 0));
        QCOMPARE(rule.acceptAnyLine, quint8(0));
        QCOMPARE(rule.waitMs, pauseMs);
        QCOMPARE(rule.timeoutMs, 1000u);
        QCOMPARE(rule.reportTimeout, quint8(1));
    }

    // Without a sink (no link session) a builder reaches no one; the sink that was replaced comes back.
    void withoutSinkNothingIsQueued()
    {
        RequestRecorder recorder;
        const RequestSink replaced = setRequestSink(nullptr);
        GetModelType();
        SetOutHdcp(1);
        QVERIFY(!setRequestSink(replaced));
        QVERIFY(recorder.lines().isEmpty());
        GetModelType();
        QCOMPARE(recorder.lines(), QByteArrayList{"GET MODEL TYPE\r"});
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
