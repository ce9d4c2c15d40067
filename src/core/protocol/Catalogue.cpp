#include "protocol/Catalogue.h"

#include "config/AppState.h"
#include "protocol/ValueTables.h"

namespace {

QByteArray words(std::initializer_list<QByteArray> parts)
{
    QByteArray line;
    for (const QByteArray &part : parts) {
        if (!line.isEmpty())
            line += ' ';
        line += part;
    }
    return line;
}

void send(const QByteArray &text, const ReplyRule &rule) { sendWithRule(text.constData(), quint32(text.size()), rule); }

// "GET <object>" awaiting <object>.
void get(const QByteArray &object) { send("GET " + object, defaultReplyRule(object)); }

// "SET <object> <value>" awaiting `keyword`; nothing when the value word is empty (index out of range).
void setWord(const QByteArray &object, const QByteArray &value, const QByteArray &keyword)
{
    if (value.isEmpty())
        return;
    send(words({"SET", object, value}), defaultReplyRule(keyword));
}

QByteArray number(qint64 value) { return QByteArray::number(value); }

QByteArray micWord(quint32 mic) { return "MIC" + number(qint64(mic) + 1); }

const AppState &state() { return State(); }

bool layoutHasOptions()
{
    const quint32 mode = state().MultiviewMode;
    return mode == ModePbp || mode == Mode3xWin || mode == Mode4xWin;
}

// "PIP USER" in PIP with a user position or size, "PBP-PRESENTER" in PBP layout mode 3; empty otherwise.
QByteArray userWindowObject()
{
    const AppState &s = state();
    if (s.MultiviewMode == ModePip && (s.PipPosition == PipUserPosition || s.PipSize == PipUserSize))
        return "PIP USER";
    if (s.MultiviewMode == ModePbp && s.ModeIndex == PbpPresenterModeIndex)
        return "PBP-PRESENTER";
    return QByteArray();
}

} // namespace

namespace {
RequestSink &requestSink()
{
    static RequestSink sink;
    return sink;
}
} // namespace

RequestSink setRequestSink(RequestSink sink)
{
    RequestSink previous = std::move(requestSink());
    requestSink() = std::move(sink);
    return previous;
}

void sendWithRule(const char *text, quint32 length, ReplyRule rule)
{
    if (!text || length > MaxRequestText || !requestSink())
        return;
    QByteArray line(text, int(length));
    line += '\r';
    requestSink()(line, rule);
}

void GetModelType() { get("MODEL TYPE"); }
void GetNetworkInfo() { get("NETWORK-INFO"); }
void GetBaudrate() { get("BAUDRATE"); }

void GetVersion(quint32 kind)
{
    static const char *const objects[] = {"VERSION", "SUB-VERSION", "EXPAND-VERSION", "KEYBOARD-VERSION"};
    if (kind <= 3)
        get(objects[kind]);
}

void GetOutResolution() { get("OUT RESOLUTION"); }
void GetUserResolution() { get("RESO-USER"); }
void GetOutHdcp() { get("OUT HDCP"); }
void GetOutVka() { get("OUT VKA"); }
void GetOutItc() { get("OUT ITC"); }

void GetOut4KAuto()
{
    if (state().CurrentModel != ModelRKA07QE)
        get("OUT 4K-AUTO");
}

void GetInEdidMode() { get("IN EDIDMODE"); }

void GetInResolution()
{
    if (state().MultiviewMode == ModeSingle)
        get("IN RESOLUTION");
}

void GetMultiviewSync() { get("MULTIVIEW-SYNC"); }

void GetUserWindow()
{
    const QByteArray object = userWindowObject();
    if (!object.isEmpty())
        get(object);
}

void GetAudioSource() { get("AUDIO SOURCE"); }
void GetAudioVolume() { get("AUDIO VOL"); }
void GetAudioMute() { get("AUDIO-MUTE"); }
void GetMainAudioOnOff() { get("MAIN-AUDIO ONOFF"); }

void GetMicOnOff(quint32 mic)
{
    if (mic <= 1)
        get(words({micWord(mic), "ONOFF"}));
}

void GetMicVolume(quint32 mic)
{
    if (mic <= 1)
        get(words({micWord(mic), "VOL"}));
}

void SetBaudrate(qint32 rate) { setWord("BAUDRATE", number(rate), "BAUDRATE"); }

void SetNetworkInfo(const QString &ip, const QString &port, const QString &mask, const QString &gateway)
{
    send(words({"SET", "NETWORK-INFO", ip.toUtf8(), port.toUtf8(), mask.toUtf8(), gateway.toUtf8()}),
         defaultReplyRule("NETWORK-INFO"));
}

void ResetDevice() { send("SET RESET", pauseReplyRule("RESET", PauseAfterBusyCommandMs)); }

void SetOutResolution(quint32 index)
{
    const QByteArray value = Tables::OutputResolutions.at(index);
    if (!value.isEmpty())
        send(words({"SET", "OUT RESOLUTION", value}), pauseReplyRule("OUT RESOLUTION", PauseAfterBusyCommandMs));
}

void SetUserResolution(qint32 width, qint32 height)
{
    send(words({"SET RESO-USER", number(width), number(height)}),
         pauseReplyRule("RESO-USER", PauseAfterBusyCommandMs));
}

void SetOutHdcp(quint32 index) { setWord("OUT HDCP", Tables::HdcpModes.at(index), "OUT HDCP"); }
void SetOutVka(quint32 index) { setWord("OUT VKA", Tables::VkaModes.at(index), "OUT VKA"); }
void SetOutItc(quint32 index) { setWord("OUT ITC", Tables::OnOff.at(index), "OUT ITC"); }
void SetOut4KAuto(quint32 index) { setWord("OUT 4K-AUTO", Tables::OnOff.at(index), "OUT 4K-AUTO"); }
void SetInEdidMode(quint32 index) { setWord("IN EDIDMODE", Tables::EdidModes.at(index), "IN EDIDMODE"); }

void SetUserEdid(const unsigned char *edid256)
{
    if (!edid256)
        return;
    QByteArray line = "SET EDID-USER";
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 0; i < 256; ++i) {
        line += ' ';
        line += hex[edid256[i] >> 4];
        line += hex[edid256[i] & 0x0F];
    }
    send(line, defaultReplyRule("EDID-USER OK"));
}

void SetMultiview(quint32 mode) { setWord("MULTIVIEW", Tables::MultiviewModes.at(mode), "MULTIVIEW"); }

void SetPipPosition(quint32 index)
{
    if (state().MultiviewMode == ModePip)
        setWord("PIP POS", Tables::PipPositions.at(index), "PIP POS");
}

void SetPipSize(quint32 index)
{
    if (state().MultiviewMode == ModePip)
        setWord("PIP SIZE", Tables::PipSizes.at(index), "PIP SIZE");
}

void SetLayoutMode(qint32 mode)
{
    if (!layoutHasOptions())
        return;
    const QByteArray object = words({Tables::MultiviewModes.at(state().MultiviewMode), "MODE"});
    setWord(object, number(mode), object);
}

void SetLayoutAspect(quint32 index)
{
    if (!layoutHasOptions())
        return;
    const QByteArray object = words({Tables::MultiviewModes.at(state().MultiviewMode), "ASPECT"});
    setWord(object, Tables::Aspects.at(index), object);
}

void SetUserWindow(qint32 hStart, qint32 vStart, qint32 hSize, qint32 vSize)
{
    const QByteArray object = userWindowObject();
    if (object.isEmpty())
        return;
    send(words({"SET", object, number(hStart), number(vStart), number(hSize), number(vSize)}),
         defaultReplyRule(object));
}

void SetWindowInput(quint32 window, quint32 source)
{
    const QByteArray windowWord = Tables::WindowNames.at(window);
    const QByteArray object = words({windowWord, "IN"});
    if (!windowWord.isEmpty())
        setWord(object, Tables::inputSources(state().CurrentModel).at(source), object);
}

void SetAutoSwitch(quint32 index)
{
    if (state().MultiviewMode == ModeSingle)
        setWord("AUTO SWITCH", Tables::OnOff.at(index), "AUTO SWITCH");
}

void SaveScene(qint32 scene) { setWord("SAVE SCENE", number(scene), "SAVE SCENE"); }
void LoadScene(qint32 scene) { setWord("LOAD SCENE", number(scene), "LOAD SCENE"); }

void SetAudioSource(quint32 index)
{
    setWord("AUDIO SOURCE", Tables::audioSources(state().CurrentModel).at(index), "AUDIO SOURCE");
}

void SetAudioVolume(qint32 volume)
{
    if (quint32(volume) <= quint32(Tables::volumeLimit(state().CurrentModel)))
        setWord("AUDIO VOL", number(volume), "AUDIO VOL");
}

void AudioVolumeUp() { send("SET AUDIO VOL+", defaultReplyRule("AUDIO VOL")); }
void AudioVolumeDown() { send("SET AUDIO VOL-", defaultReplyRule("AUDIO VOL")); }

void SetAudioMute(quint32 index) { setWord("AUDIO-MUTE", Tables::OnOff.at(index), "AUDIO-MUTE"); }

void SetMainAudioOnOff(quint32 index)
{
    setWord("MAIN-AUDIO ONOFF", Tables::OnOff.at(index), "MAIN-AUDIO ONOFF");
}

void SetMicOnOff(quint32 mic, quint32 index)
{
    if (mic > 1)
        return;
    const QByteArray object = words({micWord(mic), "ONOFF"});
    setWord(object, Tables::OnOff.at(index), object);
}

void SetMicVolume(quint32 mic, qint32 volume)
{
    if (mic > 1 || quint32(volume) > quint32(MicVolumeLimit))
        return;
    const QByteArray object = words({micWord(mic), "VOL"});
    setWord(object, number(volume), object);
}

void MicVolumeUp(quint32 mic)
{
    if (mic <= 1)
        send(words({"SET", micWord(mic), "VOL+"}), defaultReplyRule(words({micWord(mic), "VOL"})));
}

void MicVolumeDown(quint32 mic)
{
    if (mic <= 1)
        send(words({"SET", micWord(mic), "VOL-"}), defaultReplyRule(words({micWord(mic), "VOL"})));
}
