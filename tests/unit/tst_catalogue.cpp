// Request builders: the exact line each one queues, the reply rule that goes with it, the channel that
// LinkType selects, and the conditions under which nothing is queued.

#include "config/AppState.h"
#include "core/TestAppDir.h"
#include "link/LinkChannel.h"
#include "protocol/Catalogue.h"
#include "protocol/ValueTables.h"

#include <QMutexLocker>
#include <QtTest>

#include <functional>
#include <memory>

using Scenario = std::function<void()>;
Q_DECLARE_METATYPE(Scenario)

namespace {

std::deque<QueueEntry> takeSent(LinkChannel &channel)
{
    QMutexLocker locker(&channel.sendLock);
    return takeAllEntries(&channel.sendQueue);
}

void resetChannels()
{
    for (LinkChannel *channel : {&SerialChannel(), &TcpChannel()}) {
        closeChannel(channel);
        openChannel(channel);
    }
}

// The multiview mirror that the layout-dependent builders read.
struct Layout
{
    quint32 mode = 0;
    quint32 pipPosition = 0;
    quint32 pipSize = 0;
    quint32 modeIndex = 0;
};

// A scenario that first selects the model, then calls the builder.
Scenario onModel(quint8 model, Scenario call)
{
    return [=] {
        State().CurrentModel = model;
        call();
    };
}

// A scenario that first sets the multiview mirror, then calls the builder.
Scenario inLayout(Layout layout, Scenario call)
{
    return [=] {
        State().MultiviewMode = layout.mode;
        State().PipPosition = layout.pipPosition;
        State().PipSize = layout.pipSize;
        State().ModeIndex = layout.modeIndex;
        call();
    };
}

// Checks one queued entry against the line (without CR) and the rule every builder must attach.
void verifyEntry(const QueueEntry &entry, const QByteArray &line, const QByteArray &keyword, bool pause)
{
    QCOMPARE(entry.data, line + '\r');
    QVERIFY(!entry.data.contains('\n'));
    QVERIFY(!entry.data.contains('\0'));
    QCOMPARE(entry.rule.keywordCount, 1u);
    QCOMPARE(entry.rule.keyword[0], keyword);
    QCOMPARE(entry.rule.keywordLength(0), quint32(keyword.size()));
    QVERIFY(entry.rule.keyword[1].isEmpty());
    QCOMPARE(entry.rule.expectReply, quint8(pause ? 0 : 1));
    QCOMPARE(entry.rule.acceptAnyLine, quint8(0));
    QCOMPARE(entry.rule.waitMs, pause ? 10000u : 0u);
    QCOMPARE(entry.rule.timeoutMs, 1000u);
    QCOMPARE(entry.rule.reportTimeout, quint8(1));
}

void addRow(const char *name, const QByteArray &line, const QByteArray &keyword, bool pause,
            Scenario scenario)
{
    QTest::newRow(name) << scenario << line << keyword << pause;
}

// A scenario that queues `line` (without CR) awaiting `keyword` with the default rule.
void row(const char *name, const QByteArray &line, const QByteArray &keyword, Scenario scenario)
{
    addRow(name, line, keyword, false, scenario);
}

// A scenario that queues `line` followed by the 10-second pause instead of a reply.
void pauseRow(const char *name, const QByteArray &line, const QByteArray &keyword, Scenario scenario)
{
    addRow(name, line, keyword, true, scenario);
}

// A scenario that must not queue anything.
void none(const char *name, Scenario scenario)
{
    addRow(name, QByteArray(), QByteArray(), false, scenario);
}

void readRequestRows()
{
    row("GetModelType", "GET MODEL TYPE", "MODEL TYPE", [] { GetModelType(); });
    row("GetNetworkInfo", "GET NETWORK-INFO", "NETWORK-INFO", [] { GetNetworkInfo(); });
    row("GetBaudrate", "GET BAUDRATE", "BAUDRATE", [] { GetBaudrate(); });
    row("GetVersion 0", "GET VERSION", "VERSION", [] { GetVersion(0); });
    row("GetVersion 1", "GET SUB-VERSION", "SUB-VERSION", [] { GetVersion(1); });
    row("GetVersion 2", "GET EXPAND-VERSION", "EXPAND-VERSION", [] { GetVersion(2); });
    row("GetVersion 3", "GET KEYBOARD-VERSION", "KEYBOARD-VERSION", [] { GetVersion(3); });
    none("GetVersion 4", [] { GetVersion(4); });
    row("GetOutResolution", "GET OUT RESOLUTION", "OUT RESOLUTION", [] { GetOutResolution(); });
    row("GetUserResolution", "GET RESO-USER", "RESO-USER", [] { GetUserResolution(); });
    row("GetOutHdcp", "GET OUT HDCP", "OUT HDCP", [] { GetOutHdcp(); });
    row("GetOutVka", "GET OUT VKA", "OUT VKA", [] { GetOutVka(); });
    row("GetOutItc", "GET OUT ITC", "OUT ITC", [] { GetOutItc(); });
    row("GetOut4KAuto RKA204QE", "GET OUT 4K-AUTO", "OUT 4K-AUTO", onModel(0, [] { GetOut4KAuto(); }));
    row("GetOut4KAuto TN204E", "GET OUT 4K-AUTO", "OUT 4K-AUTO", onModel(4, [] { GetOut4KAuto(); }));
    row("GetOut4KAuto no model", "GET OUT 4K-AUTO", "OUT 4K-AUTO", [] { GetOut4KAuto(); });
    none("GetOut4KAuto RKA07QE", onModel(1, [] { GetOut4KAuto(); }));
    row("GetInEdidMode", "GET IN EDIDMODE", "IN EDIDMODE", [] { GetInEdidMode(); });
    row("GetInResolution SINGLE", "GET IN RESOLUTION", "IN RESOLUTION",
        inLayout({0}, [] { GetInResolution(); }));
    none("GetInResolution PIP", inLayout({1}, [] { GetInResolution(); }));
    none("GetInResolution PBP", inLayout({2}, [] { GetInResolution(); }));
    none("GetInResolution 4xWIN", inLayout({4}, [] { GetInResolution(); }));
    row("GetMultiviewSync", "GET MULTIVIEW-SYNC", "MULTIVIEW-SYNC", [] { GetMultiviewSync(); });
    row("GetUserWindow PIP pos USER", "GET PIP USER", "PIP USER",
        inLayout({1, 4, 0}, [] { GetUserWindow(); }));
    row("GetUserWindow PIP size USER", "GET PIP USER", "PIP USER",
        inLayout({1, 0, 3}, [] { GetUserWindow(); }));
    none("GetUserWindow PIP fixed", inLayout({1, 3, 2}, [] { GetUserWindow(); }));
    row("GetUserWindow PBP mode 3", "GET PBP-PRESENTER", "PBP-PRESENTER",
        inLayout({2, 0, 0, 2}, [] { GetUserWindow(); }));
    none("GetUserWindow PBP mode 2", inLayout({2, 4, 3, 1}, [] { GetUserWindow(); }));
    none("GetUserWindow SINGLE", inLayout({0, 4, 3, 2}, [] { GetUserWindow(); }));
    none("GetUserWindow 3xWIN mode 3", inLayout({3, 4, 3, 2}, [] { GetUserWindow(); }));
    row("GetAudioSource", "GET AUDIO SOURCE", "AUDIO SOURCE", [] { GetAudioSource(); });
    row("GetAudioVolume", "GET AUDIO VOL", "AUDIO VOL", [] { GetAudioVolume(); });
    row("GetAudioMute", "GET AUDIO-MUTE", "AUDIO-MUTE", [] { GetAudioMute(); });
    row("GetMainAudioOnOff", "GET MAIN-AUDIO ONOFF", "MAIN-AUDIO ONOFF", [] { GetMainAudioOnOff(); });
    row("GetMicOnOff 0", "GET MIC1 ONOFF", "MIC1 ONOFF", [] { GetMicOnOff(0); });
    row("GetMicOnOff 1", "GET MIC2 ONOFF", "MIC2 ONOFF", [] { GetMicOnOff(1); });
    none("GetMicOnOff 2", [] { GetMicOnOff(2); });
    row("GetMicVolume 0", "GET MIC1 VOL", "MIC1 VOL", [] { GetMicVolume(0); });
    row("GetMicVolume 1", "GET MIC2 VOL", "MIC2 VOL", [] { GetMicVolume(1); });
    none("GetMicVolume 2", [] { GetMicVolume(2); });
}

void outputAndSystemRows()
{
    row("SetBaudrate", "SET BAUDRATE 115200", "BAUDRATE", [] { SetBaudrate(115200); });
    row("SetNetworkInfo", "SET NETWORK-INFO 192.168.1.10 8000 255.255.255.0 192.168.1.1", "NETWORK-INFO",
        [] { SetNetworkInfo("192.168.1.10", "8000", "255.255.255.0", "192.168.1.1"); });
    row("SetNetworkInfo spaces", "SET NETWORK-INFO 10.0.0.2 a 80 80  x", "NETWORK-INFO",
        [] { SetNetworkInfo("10.0.0.2 a", "80 80", "", "x"); });
    row("SetNetworkInfo UTF-8", "SET NETWORK-INFO h\xC3\xA9 1 2 3", "NETWORK-INFO",
        [] { SetNetworkInfo(QString::fromUtf8("h\xC3\xA9"), "1", "2", "3"); });
    pauseRow("ResetDevice", "SET RESET", "RESET", [] { ResetDevice(); });
    pauseRow("SetOutResolution 0", "SET OUT RESOLUTION 4096x2160p60", "OUT RESOLUTION",
             [] { SetOutResolution(0); });
    pauseRow("SetOutResolution 7", "SET OUT RESOLUTION 1920x1080p60", "OUT RESOLUTION",
             [] { SetOutResolution(7); });
    pauseRow("SetOutResolution 15", "SET OUT RESOLUTION USER", "OUT RESOLUTION",
             [] { SetOutResolution(15); });
    none("SetOutResolution 16", [] { SetOutResolution(16); });
    pauseRow("SetUserResolution", "SET RESO-USER 1920 1080", "RESO-USER",
             [] { SetUserResolution(1920, 1080); });
    pauseRow("SetUserResolution signed", "SET RESO-USER -1 0", "RESO-USER", [] { SetUserResolution(-1, 0); });
    row("SetOutHdcp 0", "SET OUT HDCP FORCE-1.4", "OUT HDCP", [] { SetOutHdcp(0); });
    row("SetOutHdcp 1", "SET OUT HDCP FORCE-2.2", "OUT HDCP", [] { SetOutHdcp(1); });
    row("SetOutHdcp 2", "SET OUT HDCP FORCE-OFF", "OUT HDCP", [] { SetOutHdcp(2); });
    none("SetOutHdcp 3", [] { SetOutHdcp(3); });
    row("SetOutVka 0", "SET OUT VKA BLUESCREEN", "OUT VKA", [] { SetOutVka(0); });
    row("SetOutVka 1", "SET OUT VKA BLACKSCREEN", "OUT VKA", [] { SetOutVka(1); });
    none("SetOutVka 2", [] { SetOutVka(2); });
    row("SetOutItc 0", "SET OUT ITC ON", "OUT ITC", [] { SetOutItc(0); });
    row("SetOutItc 1", "SET OUT ITC OFF", "OUT ITC", [] { SetOutItc(1); });
    none("SetOutItc 2", [] { SetOutItc(2); });
    row("SetOut4KAuto 0", "SET OUT 4K-AUTO ON", "OUT 4K-AUTO", [] { SetOut4KAuto(0); });
    row("SetOut4KAuto 1", "SET OUT 4K-AUTO OFF", "OUT 4K-AUTO", [] { SetOut4KAuto(1); });
    none("SetOut4KAuto 2", [] { SetOut4KAuto(2); });
    row("SetInEdidMode 0", "SET IN EDIDMODE 4K60-2.0", "IN EDIDMODE", [] { SetInEdidMode(0); });
    row("SetInEdidMode 17", "SET IN EDIDMODE AUTO", "IN EDIDMODE", [] { SetInEdidMode(17); });
    row("SetInEdidMode 18", "SET IN EDIDMODE USER", "IN EDIDMODE", [] { SetInEdidMode(18); });
    none("SetInEdidMode 19", [] { SetInEdidMode(19); });
    none("SetUserEdid null", [] { SetUserEdid(nullptr); });
}

void multiviewRows()
{
    row("SetMultiview 0", "SET MULTIVIEW SINGLE", "MULTIVIEW", [] { SetMultiview(0); });
    row("SetMultiview 3", "SET MULTIVIEW 3xWIN", "MULTIVIEW", [] { SetMultiview(3); });
    row("SetMultiview 4", "SET MULTIVIEW 4xWIN", "MULTIVIEW", [] { SetMultiview(4); });
    none("SetMultiview 5", [] { SetMultiview(5); });
    row("SetPipPosition 0", "SET PIP POS LeftTop", "PIP POS", inLayout({1}, [] { SetPipPosition(0); }));
    row("SetPipPosition 4", "SET PIP POS USER", "PIP POS", inLayout({1}, [] { SetPipPosition(4); }));
    none("SetPipPosition 5", inLayout({1}, [] { SetPipPosition(5); }));
    none("SetPipPosition SINGLE", inLayout({0}, [] { SetPipPosition(0); }));
    none("SetPipPosition PBP", inLayout({2}, [] { SetPipPosition(1); }));
    row("SetPipSize 0", "SET PIP SIZE SMALL", "PIP SIZE", inLayout({1}, [] { SetPipSize(0); }));
    row("SetPipSize 3", "SET PIP SIZE USER", "PIP SIZE", inLayout({1}, [] { SetPipSize(3); }));
    none("SetPipSize 4", inLayout({1}, [] { SetPipSize(4); }));
    none("SetPipSize SINGLE", inLayout({0}, [] { SetPipSize(1); }));
    row("SetLayoutMode PBP", "SET PBP MODE 3", "PBP MODE", inLayout({2}, [] { SetLayoutMode(3); }));
    row("SetLayoutMode 3xWIN", "SET 3xWIN MODE 2", "3xWIN MODE", inLayout({3}, [] { SetLayoutMode(2); }));
    row("SetLayoutMode 4xWIN", "SET 4xWIN MODE 6", "4xWIN MODE", inLayout({4}, [] { SetLayoutMode(6); }));
    row("SetLayoutMode signed", "SET PBP MODE -1", "PBP MODE", inLayout({2}, [] { SetLayoutMode(-1); }));
    none("SetLayoutMode SINGLE", inLayout({0}, [] { SetLayoutMode(1); }));
    none("SetLayoutMode PIP", inLayout({1}, [] { SetLayoutMode(1); }));
    row("SetLayoutAspect PBP 1", "SET PBP ASPECT 16:9", "PBP ASPECT",
        inLayout({2}, [] { SetLayoutAspect(1); }));
    row("SetLayoutAspect 3xWIN 0", "SET 3xWIN ASPECT FULL", "3xWIN ASPECT",
        inLayout({3}, [] { SetLayoutAspect(0); }));
    row("SetLayoutAspect 4xWIN 1", "SET 4xWIN ASPECT 16:9", "4xWIN ASPECT",
        inLayout({4}, [] { SetLayoutAspect(1); }));
    none("SetLayoutAspect PBP 2", inLayout({2}, [] { SetLayoutAspect(2); }));
    none("SetLayoutAspect SINGLE", inLayout({0}, [] { SetLayoutAspect(1); }));
    none("SetLayoutAspect PIP", inLayout({1}, [] { SetLayoutAspect(1); }));
    row("SetUserWindow PIP pos USER", "SET PIP USER 0 0 960 540", "PIP USER",
        inLayout({1, 4, 0}, [] { SetUserWindow(0, 0, 960, 540); }));
    row("SetUserWindow PIP size USER", "SET PIP USER 100 50 640 360", "PIP USER",
        inLayout({1, 1, 3}, [] { SetUserWindow(100, 50, 640, 360); }));
    row("SetUserWindow PBP mode 3", "SET PBP-PRESENTER 10 20 1280 720", "PBP-PRESENTER",
        inLayout({2, 0, 0, 2}, [] { SetUserWindow(10, 20, 1280, 720); }));
    none("SetUserWindow PIP fixed", inLayout({1, 0, 0}, [] { SetUserWindow(0, 0, 1, 1); }));
    none("SetUserWindow PBP mode 1", inLayout({2, 4, 3, 0}, [] { SetUserWindow(0, 0, 1, 1); }));
    none("SetUserWindow SINGLE", inLayout({0, 4, 3, 2}, [] { SetUserWindow(0, 0, 1, 1); }));
    row("SetWindowInput RKA204QE", "SET WINDOW1 IN USB-C", "WINDOW1 IN",
        onModel(0, [] { SetWindowInput(0, 4); }));
    none("SetWindowInput RKA07QE 4", onModel(1, [] { SetWindowInput(0, 4); }));
    row("SetWindowInput RKA07QE 3", "SET WINDOW4 IN HDMI4", "WINDOW4 IN",
        onModel(1, [] { SetWindowInput(3, 3); }));
    row("SetWindowInput RKA386QE", "SET WINDOW2 IN DP", "WINDOW2 IN",
        onModel(2, [] { SetWindowInput(1, 7); }));
    row("SetWindowInput TN386", "SET WINDOW3 IN USB-C", "WINDOW3 IN",
        onModel(3, [] { SetWindowInput(2, 8); }));
    none("SetWindowInput TN386 9", onModel(3, [] { SetWindowInput(2, 9); }));
    row("SetWindowInput TN204E", "SET WINDOW1 IN DP", "WINDOW1 IN", onModel(4, [] { SetWindowInput(0, 3); }));
    none("SetWindowInput window 4", onModel(0, [] { SetWindowInput(4, 0); }));
    none("SetWindowInput no model", [] { SetWindowInput(0, 0); });
    row("SetAutoSwitch 0", "SET AUTO SWITCH ON", "AUTO SWITCH", inLayout({0}, [] { SetAutoSwitch(0); }));
    row("SetAutoSwitch 1", "SET AUTO SWITCH OFF", "AUTO SWITCH", inLayout({0}, [] { SetAutoSwitch(1); }));
    none("SetAutoSwitch 2", inLayout({0}, [] { SetAutoSwitch(2); }));
    none("SetAutoSwitch PIP", inLayout({1}, [] { SetAutoSwitch(0); }));
    none("SetAutoSwitch 4xWIN", inLayout({4}, [] { SetAutoSwitch(0); }));
    row("SaveScene", "SET SAVE SCENE 1", "SAVE SCENE", [] { SaveScene(1); });
    row("SaveScene 20", "SET SAVE SCENE 20", "SAVE SCENE", [] { SaveScene(20); });
    row("LoadScene", "SET LOAD SCENE 7", "LOAD SCENE", [] { LoadScene(7); });
}

void audioRows()
{
    none("SetAudioSource no model", [] { SetAudioSource(0); });
    row("SetAudioSource RKA204QE 5", "SET AUDIO SOURCE USB-C", "AUDIO SOURCE",
        onModel(0, [] { SetAudioSource(5); }));
    none("SetAudioSource RKA204QE 6", onModel(0, [] { SetAudioSource(6); }));
    row("SetAudioSource RKA07QE 0", "SET AUDIO SOURCE WIN1", "AUDIO SOURCE",
        onModel(1, [] { SetAudioSource(0); }));
    none("SetAudioSource RKA07QE 5", onModel(1, [] { SetAudioSource(5); }));
    row("SetAudioSource RKA386QE 10", "SET AUDIO SOURCE WIN-KVM", "AUDIO SOURCE",
        onModel(2, [] { SetAudioSource(10); }));
    row("SetAudioSource TN386 13", "SET AUDIO SOURCE LR4", "AUDIO SOURCE",
        onModel(3, [] { SetAudioSource(13); }));
    none("SetAudioSource TN386 14", onModel(3, [] { SetAudioSource(14); }));
    row("SetAudioSource TN204E 4", "SET AUDIO SOURCE DP", "AUDIO SOURCE",
        onModel(4, [] { SetAudioSource(4); }));
    row("SetAudioVolume RKA204QE 60", "SET AUDIO VOL 60", "AUDIO VOL",
        onModel(0, [] { SetAudioVolume(60); }));
    row("SetAudioVolume RKA204QE 0", "SET AUDIO VOL 0", "AUDIO VOL", onModel(0, [] { SetAudioVolume(0); }));
    row("SetAudioVolume RKA204QE 100", "SET AUDIO VOL 100", "AUDIO VOL",
        onModel(0, [] { SetAudioVolume(100); }));
    none("SetAudioVolume RKA204QE 101", onModel(0, [] { SetAudioVolume(101); }));
    none("SetAudioVolume RKA204QE -1", onModel(0, [] { SetAudioVolume(-1); }));
    row("SetAudioVolume TN386 50", "SET AUDIO VOL 50", "AUDIO VOL", onModel(3, [] { SetAudioVolume(50); }));
    none("SetAudioVolume TN386 60", onModel(3, [] { SetAudioVolume(60); }));
    none("SetAudioVolume TN386 -5", onModel(3, [] { SetAudioVolume(-5); }));
    row("SetAudioVolume TN204E 60", "SET AUDIO VOL 60", "AUDIO VOL", onModel(4, [] { SetAudioVolume(60); }));
    row("AudioVolumeUp", "SET AUDIO VOL+", "AUDIO VOL", [] { AudioVolumeUp(); });
    row("AudioVolumeDown", "SET AUDIO VOL-", "AUDIO VOL", [] { AudioVolumeDown(); });
    row("SetAudioMute 0", "SET AUDIO-MUTE ON", "AUDIO-MUTE", [] { SetAudioMute(0); });
    row("SetAudioMute 1", "SET AUDIO-MUTE OFF", "AUDIO-MUTE", [] { SetAudioMute(1); });
    none("SetAudioMute 2", [] { SetAudioMute(2); });
    row("SetMainAudioOnOff 0", "SET MAIN-AUDIO ONOFF ON", "MAIN-AUDIO ONOFF", [] { SetMainAudioOnOff(0); });
    row("SetMainAudioOnOff 1", "SET MAIN-AUDIO ONOFF OFF", "MAIN-AUDIO ONOFF", [] { SetMainAudioOnOff(1); });
    none("SetMainAudioOnOff 2", [] { SetMainAudioOnOff(2); });
    row("SetMicOnOff 0 0", "SET MIC1 ONOFF ON", "MIC1 ONOFF", [] { SetMicOnOff(0, 0); });
    row("SetMicOnOff 1 1", "SET MIC2 ONOFF OFF", "MIC2 ONOFF", [] { SetMicOnOff(1, 1); });
    none("SetMicOnOff 2 0", [] { SetMicOnOff(2, 0); });
    none("SetMicOnOff 0 2", [] { SetMicOnOff(0, 2); });
    row("SetMicVolume 0 50", "SET MIC1 VOL 50", "MIC1 VOL", [] { SetMicVolume(0, 50); });
    row("SetMicVolume 1 0", "SET MIC2 VOL 0", "MIC2 VOL", [] { SetMicVolume(1, 0); });
    none("SetMicVolume 0 51", [] { SetMicVolume(0, 51); });
    none("SetMicVolume 0 -1", [] { SetMicVolume(0, -1); });
    none("SetMicVolume 2 10", [] { SetMicVolume(2, 10); });
    row("MicVolumeUp 0", "SET MIC1 VOL+", "MIC1 VOL", [] { MicVolumeUp(0); });
    row("MicVolumeUp 1", "SET MIC2 VOL+", "MIC2 VOL", [] { MicVolumeUp(1); });
    row("MicVolumeDown 0", "SET MIC1 VOL-", "MIC1 VOL", [] { MicVolumeDown(0); });
    row("MicVolumeDown 1", "SET MIC2 VOL-", "MIC2 VOL", [] { MicVolumeDown(1); });
    none("MicVolumeUp 2", [] { MicVolumeUp(2); });
    none("MicVolumeDown 2", [] { MicVolumeDown(2); });
}

QByteArray edidLine(const QByteArray &edid)
{
    return "SET EDID-USER " + edid.toHex(' ').toUpper();
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        appDir = std::make_unique<TestAppDir>();
        resetChannels();
    }

    void cleanup()
    {
        resetChannels();
        appDir.reset();
    }

    void builderQueuesOnSelectedChannel_data()
    {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("keyword");
        QTest::addColumn<bool>("pause");
        readRequestRows();
        outputAndSystemRows();
        multiviewRows();
        audioRows();
    }

    void builderQueuesOnSelectedChannel()
    {
        QFETCH(Scenario, scenario);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, keyword);
        QFETCH(bool, pause);

        for (quint32 linkType : {1u, 2u, 0u, 7u}) {
            State().LinkType = linkType;
            scenario();
            const std::deque<QueueEntry> serial = takeSent(SerialChannel());
            const std::deque<QueueEntry> tcp = takeSent(TcpChannel());
            const bool queued = !line.isEmpty() && (linkType == 1 || linkType == 2);
            QCOMPARE(serial.size(), size_t(queued && linkType == 1 ? 1 : 0));
            QCOMPARE(tcp.size(), size_t(queued && linkType == 2 ? 1 : 0));
            if (queued)
                verifyEntry(linkType == 1 ? serial.front() : tcp.front(), line, keyword, pause);
        }
    }

    void userEdidZeroBytes()
    {
        State().LinkType = 2;
        const QByteArray edid(256, '\0');
        SetUserEdid(reinterpret_cast<const unsigned char *>(edid.constData()));
        const std::deque<QueueEntry> sent = takeSent(TcpChannel());
        QCOMPARE(sent.size(), size_t(1));
        QByteArray expected = "SET EDID-USER";
        for (int i = 0; i < 256; ++i)
            expected += " 00";
        verifyEntry(sent.front(), expected, "EDID-USER OK", false);
        QCOMPARE(sent.front().data.size(), 782);
    }

    void userEdidPatternIsUpperCaseHex()
    {
        State().LinkType = 1;
        QByteArray edid(256, '\0');
        for (int i = 0; i < 256; ++i)
            edid[i] = char(255 - i);
        SetUserEdid(reinterpret_cast<const unsigned char *>(edid.constData()));
        const std::deque<QueueEntry> sent = takeSent(SerialChannel());
        QCOMPARE(sent.size(), size_t(1));
        verifyEntry(sent.front(), edidLine(edid), "EDID-USER OK", false);
        QVERIFY(sent.front().data.startsWith("SET EDID-USER FF FE FD FC FB FA F9"));
        QVERIFY(sent.front().data.contains(" AB AA A9 "));
        QVERIFY(sent.front().data.endsWith(" 02 01 00\r"));
    }

    void sendWithRuleLengthLimit_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("queued");
        QTest::newRow("1 byte") << 1 << true;
        QTest::newRow("1024 bytes") << 1024 << true;
        QTest::newRow("1025 bytes") << 1025 << false;
        QTest::newRow("4096 bytes") << 4096 << false;
    }

    void sendWithRuleLengthLimit()
    {
        QFETCH(int, length);
        QFETCH(bool, queued);
        State().LinkType = 2;
        const QByteArray text(length, 'A');
        ReplyRule rule;
        rule.keyword[0] = "X";
        rule.keywordCount = 1;
        rule.waitMs = 250;
        rule.timeoutMs = 3000;
        sendWithRule(text.constData(), quint32(text.size()), rule);
        const std::deque<QueueEntry> sent = takeSent(TcpChannel());
        QCOMPARE(sent.size(), size_t(queued ? 1 : 0));
        QVERIFY(takeSent(SerialChannel()).empty());
        if (!queued)
            return;
        QCOMPARE(sent.front().data.size(), length + 1);
        QCOMPARE(sent.front().data, text + '\r');
        QCOMPARE(sent.front().rule.keyword[0], QByteArray("X"));
        QCOMPARE(sent.front().rule.expectReply, quint8(0));
        QCOMPARE(sent.front().rule.waitMs, 250u);
        QCOMPARE(sent.front().rule.timeoutMs, 3000u);
    }

    void sendWithRuleRefusesNullText()
    {
        State().LinkType = 1;
        sendWithRule(nullptr, 5, defaultReplyRule("X"));
        QVERIFY(takeSent(SerialChannel()).empty());
    }

    void buildersQueueInCallOrder()
    {
        State().LinkType = 2;
        State().CurrentModel = 0;
        GetModelType();
        SetOutHdcp(1);
        SetOutResolution(14);
        GetMicVolume(1);
        SetAudioSource(2);
        const std::deque<QueueEntry> sent = takeSent(TcpChannel());
        QCOMPARE(sent.size(), size_t(5));
        QCOMPARE(sent[0].data, QByteArray("GET MODEL TYPE\r"));
        QCOMPARE(sent[1].data, QByteArray("SET OUT HDCP FORCE-2.2\r"));
        QCOMPARE(sent[2].data, QByteArray("SET OUT RESOLUTION AUTO\r"));
        QCOMPARE(sent[2].rule.waitMs, 10000u);
        QCOMPARE(sent[3].data, QByteArray("GET MIC2 VOL\r"));
        QCOMPARE(sent[4].data, QByteArray("SET AUDIO SOURCE HDMI2\r"));
        QVERIFY(takeSent(SerialChannel()).empty());
    }

    void linkTypeChangeSwitchesChannel()
    {
        State().LinkType = 1;
        GetOutHdcp();
        State().LinkType = 2;
        GetOutVka();
        State().LinkType = 0;
        GetOutItc();
        const std::deque<QueueEntry> serial = takeSent(SerialChannel());
        const std::deque<QueueEntry> tcp = takeSent(TcpChannel());
        QCOMPARE(serial.size(), size_t(1));
        QCOMPARE(serial.front().data, QByteArray("GET OUT HDCP\r"));
        QCOMPARE(tcp.size(), size_t(1));
        QCOMPARE(tcp.front().data, QByteArray("GET OUT VKA\r"));
    }

    void closedChannelDropsBuilderOutput()
    {
        State().LinkType = 1;
        closeChannel(&SerialChannel());
        GetModelType();
        openChannel(&SerialChannel());
        QVERIFY(takeSent(SerialChannel()).empty());
    }

private:
    std::unique_ptr<TestAppDir> appDir;
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
