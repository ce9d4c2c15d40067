#include "protocol/Settings.h"

#include "protocol/Catalogue.h"
#include "protocol/LayoutCatalogue.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ValueTables.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QStringList>

namespace {

using K = Setting;
// The largest number of a user resolution or a window rectangle the pages take.
constexpr int MaxScreenNumber = 9999;
constexpr int LowestPort = 1;
constexpr int HighestPort = 65534;

const WordList &onOff(quint32)
{
    return Tables::OnOff;
}
const WordList &resolutions(quint32)
{
    return Tables::OutputResolutions;
}
const WordList &hdcpModes(quint32)
{
    return Tables::HdcpModes;
}
const WordList &vkaModes(quint32)
{
    return Tables::VkaModes;
}
const WordList &edidModes(quint32)
{
    return Tables::EdidModes;
}
const WordList &multiviewModes(quint32)
{
    return Tables::MultiviewModes;
}
const WordList &pipPositions(quint32)
{
    return Tables::PipPositions;
}
const WordList &pipSizes(quint32)
{
    return Tables::PipSizes;
}
const WordList &aspects(quint32)
{
    return Tables::Aspects;
}
const WordList &baudRates(quint32)
{
    return Tables::BaudRates;
}

constexpr const char *Report = "MULTIVIEW-SYNC";

constexpr ModelSet bit(quint32 model)
{
    return ModelSet(1U << model);
}
// The models with a 4K auto switch, with microphones, and with network settings.
constexpr ModelSet With4KAuto = ModelSet(AnyModel & ~bit(ModelRKA07QE));
constexpr ModelSet Tn386Only = bit(ModelTN386);
constexpr ModelSet WithNetwork = ModelSet(AnyModel & ~bit(ModelRKA07QE) & ~bit(ModelTN204E));

// Every setting: one row each, in the order of SettingId.
const std::vector<Setting> &settingTable()
{
    using G = SetupGroup;
    using P = SettingPage;
    using I = SettingId;
    using T = LanguageTexts;
    constexpr ModelSet All = AnyModel;
    static const std::vector<Setting> rows = {
        {I::OutputUserWidth, "output.userWidth", G::Output, K::Number, All, K::UserResolution, 0, nullptr,
         nullptr, 0, nullptr, P::Output, nullptr, "Slabel_UserResolutionWidthHeight"},
        {I::OutputUserHeight, "output.userHeight", G::Output, K::Number, All, K::UserResolution, 0, nullptr,
         nullptr, 0, nullptr, P::Output, nullptr, "Slabel_UserResolutionWidthHeight"},
        {I::OutputResolution, "output.resolution", G::Output, K::Word, All, K::Always, 0, "OUT RESOLUTION",
         "OUT RESOLUTION", PauseAfterBusyCommandMs, resolutions, P::Output, nullptr, "Slabel_Resolution",
         &T::Slabel_Resolution},
        {I::OutputHdcp, "output.hdcp", G::Output, K::Word, All, K::Always, 0, "OUT HDCP", "OUT HDCP", 0,
         hdcpModes, P::Output, nullptr, "Slabel_HDCP", &T::Slabel_HDCP},
        {I::OutputVka, "output.vka", G::Output, K::Word, All, K::Always, 0, "OUT VKA", "OUT VKA", 0, vkaModes,
         P::Output, nullptr, "Slabel_VKA", &T::Slabel_VKA},
        {I::OutputItc, "output.itc", G::Output, K::Switch, All, K::Always, 0, "OUT ITC", "OUT ITC", 0, onOff,
         P::Output, nullptr, "Slabel_ITC", &T::Slabel_ITC},
        {I::OutputFourKAuto, "output.fourKAuto", G::Output, K::Switch, With4KAuto, K::Always, 0,
         "OUT 4K-AUTO", "OUT 4K-AUTO", 0, onOff, P::Output, nullptr, "Slabel_4KAUTO", &T::Slabel_4KAUTO},
        {I::EdidMode, "edid.mode", G::Edid, K::Word, All, K::Always, 0, "IN EDIDMODE", "IN EDIDMODE", 0,
         edidModes, P::System, nullptr, "Slabel_EdidSelect", &T::Slabel_EdidSelect},
        {I::AudioSource, "audio.source", G::Audio, K::Word, All, K::Always, 0, "AUDIO SOURCE", "AUDIO SOURCE",
         0, Tables::audioSources, P::Audio, nullptr, "Slabel_AudioSource", &T::Slabel_AudioSource},
        {I::AudioVolume, "audio.volume", G::Audio, K::Number, All, K::Always, 0, "AUDIO VOL", "AUDIO VOL", 0,
         nullptr, P::Audio, nullptr, "Slabel_Volume", &T::Slabel_Volume},
        {I::AudioMute, "audio.mute", G::Audio, K::Switch, All, K::Always, 0, "AUDIO-MUTE", "AUDIO-MUTE", 0,
         onOff, P::Audio, nullptr, "Slabel_AudioMute", &T::Slabel_AudioMute},
        {I::AudioMainAudio, "audio.mainAudio", G::Audio, K::Switch, Tn386Only, K::Always, 0,
         "MAIN-AUDIO ONOFF", "MAIN-AUDIO ONOFF", 0, onOff, P::Audio, "SgroupBox_MainAudio", "S_SwitchOnOff"},
        {I::AudioMic1, "audio.mic1", G::Audio, K::Switch, Tn386Only, K::Always, 0, "MIC1 ONOFF", "MIC1 ONOFF",
         0, onOff, P::Audio, "SgroupBox_Microphone", "Slabel_Microphone1Switch"},
        {I::AudioMic1Volume, "audio.mic1Volume", G::Audio, K::Number, Tn386Only, K::Always, 0, "MIC1 VOL",
         "MIC1 VOL", 0, nullptr, P::Audio, "SgroupBox_Microphone", "Slabel_Microphone1Volume"},
        {I::AudioMic2, "audio.mic2", G::Audio, K::Switch, Tn386Only, K::Always, 0, "MIC2 ONOFF", "MIC2 ONOFF",
         0, onOff, P::Audio, "SgroupBox_Microphone", "Slabel_Microphone2Switch"},
        {I::AudioMic2Volume, "audio.mic2Volume", G::Audio, K::Number, Tn386Only, K::Always, 0, "MIC2 VOL",
         "MIC2 VOL", 0, nullptr, P::Audio, "SgroupBox_Microphone", "Slabel_Microphone2Volume"},
        {I::MultiviewMode, "multiview.mode", G::Multiview, K::Word, All, K::Always, 0, "MULTIVIEW", Report, 0,
         multiviewModes, P::Multiview, nullptr, "Slabel_Multiview"},
        {I::MultiviewAutoSwitch, "multiview.autoSwitch", G::Multiview, K::Switch, All, K::Single, 0,
         "AUTO SWITCH", Report, 0, onOff, P::Multiview, nullptr, "Slabel_AutoSwitch"},
        {I::MultiviewPipPosition, "multiview.pipPosition", G::Multiview, K::Word, All, K::Pip, 0, "PIP POS",
         Report, 0, pipPositions, P::Multiview, nullptr, "Slabel_Position"},
        {I::MultiviewPipSize, "multiview.pipSize", G::Multiview, K::Word, All, K::Pip, 0, "PIP SIZE", Report,
         0, pipSizes, P::Multiview, nullptr, "Slabel_Size"},
        {I::MultiviewAspect, "multiview.aspect", G::Multiview, K::Word, All, K::Split, 0, nullptr, Report, 0,
         aspects, P::Multiview, nullptr, "Slabel_Aspect"},
        {I::MultiviewLayout, "multiview.layout", G::Multiview, K::Number, All, K::Split, 0, nullptr, Report,
         0, nullptr, P::Multiview, nullptr, "Slabel_Mode"},
        {I::MultiviewPipWindow, "multiview.pipWindow", G::Multiview, K::Rectangle, All, K::PipUserWindow, 0,
         nullptr, nullptr, 0, nullptr, P::Multiview, nullptr, "Slabel_CaptureDisplay_2"},
        {I::MultiviewPresenterWindow, "multiview.presenterWindow", G::Multiview, K::Rectangle, All,
         K::PresenterWindow, 0, nullptr, nullptr, 0, nullptr, P::Multiview, nullptr,
         "Slabel_CaptureDisplay_1"},
        {I::MultiviewWindow1, "multiview.window1", G::Multiview, K::Word, All, K::ShownWindow, 0, nullptr,
         Report, 0, Tables::inputSources, P::Multiview, nullptr, "Slabel_Windows_Name[0]"},
        {I::MultiviewWindow2, "multiview.window2", G::Multiview, K::Word, All, K::ShownWindow, 1, nullptr,
         Report, 0, Tables::inputSources, P::Multiview, nullptr, "Slabel_Windows_Name[1]"},
        {I::MultiviewWindow3, "multiview.window3", G::Multiview, K::Word, All, K::ShownWindow, 2, nullptr,
         Report, 0, Tables::inputSources, P::Multiview, nullptr, "Slabel_Windows_Name[2]"},
        {I::MultiviewWindow4, "multiview.window4", G::Multiview, K::Word, All, K::ShownWindow, 3, nullptr,
         Report, 0, Tables::inputSources, P::Multiview, nullptr, "Slabel_Windows_Name[3]"},
        {I::LinkBaudRate, "link.baudRate", G::Link, K::Baud, All, K::Always, 0, nullptr, "BAUDRATE", 0,
         baudRates, P::System, nullptr, "Slabel_Baudrate"},
        {I::LinkIp, "link.ip", G::Link, K::Address, WithNetwork, K::Always, 0, nullptr, "NETWORK-INFO", 0,
         nullptr, P::System, nullptr, "Slabel_Ip"},
        {I::LinkPort, "link.port", G::Link, K::Number, WithNetwork, K::Always, 0, nullptr, "NETWORK-INFO", 0,
         nullptr, P::System, nullptr, "Slabel_Port"},
        {I::LinkMask, "link.mask", G::Link, K::Address, WithNetwork, K::Always, 0, nullptr, "NETWORK-INFO", 0,
         nullptr, P::System, nullptr, "Slabel_SubMask"},
        {I::LinkGateway, "link.gateway", G::Link, K::Address, WithNetwork, K::Always, 0, nullptr,
         "NETWORK-INFO", 0, nullptr, P::System, nullptr, "Slabel_Gateway"},
    };
    return rows;
}

// Index of the value of `name` in `list`, -1 when the value is not given, -2 when it is in no entry.
int indexOf(const SetupValues &values, const char *name, const WordList &list)
{
    const auto it = values.find(QLatin1String(name));
    if (it == values.end())
        return -1;
    const int index = list.indexOf(it->second.toLatin1());
    return index >= 0 ? index : -2;
}

bool modeIs(const SetupValues &values, std::initializer_list<int> modes)
{
    const int mode = indexOf(values, "multiview.mode", Tables::MultiviewModes);
    if (mode == -1)
        return true;
    for (int m : modes) {
        if (m == mode)
            return true;
    }
    return false;
}

bool pipUserWindow(const SetupValues &values)
{
    const int position = indexOf(values, "multiview.pipPosition", Tables::PipPositions);
    const int size = indexOf(values, "multiview.pipSize", Tables::PipSizes);
    return modeIs(values, {ModePip}) &&
           (position == -1 || size == -1 || position == int(PipUserPosition) || size == int(PipUserSize));
}

bool presenterWindow(const SetupValues &values)
{
    const auto layout = values.find(QStringLiteral("multiview.layout"));
    return modeIs(values, {ModePbp}) &&
           (layout == values.end() || layout->second == QString::number(PbpPresenterModeIndex + 1));
}

std::pair<int, int> rangeOf(SettingId id, quint32 model, const SetupValues &values)
{
    switch (id) {
    case SettingId::AudioVolume:
        return {0, Tables::volumeLimit(model)};
    case SettingId::AudioMic1Volume:
    case SettingId::AudioMic2Volume:
        return {0, MicVolumeLimit};
    case SettingId::LinkPort:
        return {LowestPort, HighestPort};
    case SettingId::MultiviewPipWindow:
    case SettingId::MultiviewPresenterWindow:
        return {0, MaxScreenNumber};
    case SettingId::MultiviewLayout: {
        const int mode = indexOf(values, "multiview.mode", Tables::MultiviewModes);
        return {1, int(LayoutCatalogue::modeCount(mode >= 0 ? quint32(mode) : quint32(Mode4xWin)))};
    }
    default:
        return {1, MaxScreenNumber};
    }
}

QString wordValue(const WordList &list, const QString &text, QString *why)
{
    for (int i = 0; i < list.count; ++i) {
        if (text.compare(QLatin1String(list.items[i].wire), Qt::CaseInsensitive) == 0)
            return QLatin1String(list.items[i].wire);
    }
    *why = QStringLiteral("'%1' is not one of %2").arg(text, list.toStringList().join(QLatin1String(", ")));
    return QString();
}

QString numberValue(const QString &text, int low, int high, QString *why)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    const int number = digits.match(text).hasMatch() ? text.toInt() : -1;
    if (number < low || number > high) {
        *why = QStringLiteral("'%1' is not a number from %2 to %3").arg(text).arg(low).arg(high);
        return QString();
    }
    return QString::number(number);
}

QString rectangleValue(const QString &text, QString *why)
{
    const QStringList parts =
        QString(text).replace(QLatin1Char(','), QLatin1Char(' ')).simplified().split(' ');
    QStringList numbers;
    for (const QString &part : parts)
        numbers << numberValue(part, 0, MaxScreenNumber, why);
    if (numbers.size() != 4 || numbers.contains(QString())) {
        *why = QStringLiteral("'%1' is not four numbers from 0 to %2 (start x, start y, width, height)")
                   .arg(text)
                   .arg(MaxScreenNumber);
        return QString();
    }
    return numbers.join(QLatin1Char(' '));
}

QString addressValue(const QString &text, QString *why)
{
    QHostAddress address;
    if (!address.setAddress(text) || address.protocol() != QAbstractSocket::IPv4Protocol ||
        text.count(QLatin1Char('.')) != 3) {
        *why = QStringLiteral("'%1' is not an IPv4 address").arg(text);
        return QString();
    }
    return address.toString();
}

} // namespace

namespace Settings {

const std::vector<Setting> &all()
{
    return settingTable();
}

const Setting &of(SettingId id)
{
    return settingTable()[std::size_t(id)];
}

const Setting *find(const QString &name)
{
    for (const Setting &setting : settingTable()) {
        if (name == QLatin1String(setting.name))
            return &setting;
    }
    return nullptr;
}

bool onModel(SettingId id, quint32 model)
{
    return of(id).onModel(model);
}

std::pair<int, int> range(const Setting &setting, quint32 model, const SetupValues &values)
{
    return rangeOf(setting.id, model, values);
}

const Setting *ofKeyword(int keyword)
{
    static const std::vector<const Setting *> byKeyword = [] {
        std::vector<const Setting *> settings(std::size_t(Tables::ReplyKeywords.count), nullptr);
        for (const Setting &setting : settingTable()) {
            const int index = setting.object ? Tables::ReplyKeywords.indexOf(setting.object) : -1;
            if (index >= 0)
                settings[std::size_t(index)] = &setting;
        }
        return settings;
    }();
    return keyword >= 0 && keyword < int(byKeyword.size()) ? byKeyword[std::size_t(keyword)] : nullptr;
}

bool applies(const Setting &setting, quint32 model, const SetupValues &values)
{
    if (!setting.onModel(model))
        return false;
    switch (setting.condition) {
    case Setting::Always:
        return true;
    case Setting::UserResolution: {
        const auto it = values.find(QStringLiteral("output.resolution"));
        return it == values.end() || it->second == QLatin1String("USER");
    }
    case Setting::Single:
        return modeIs(values, {ModeSingle});
    case Setting::Pip:
        return modeIs(values, {ModePip});
    case Setting::Split:
        return modeIs(values, {ModePbp, Mode3xWin, Mode4xWin});
    case Setting::PipUserWindow:
        return pipUserWindow(values);
    case Setting::PresenterWindow:
        return presenterWindow(values);
    case Setting::ShownWindow: {
        const int mode = indexOf(values, "multiview.mode", Tables::MultiviewModes);
        return mode == -1 || (mode >= 0 && setting.window < LayoutCatalogue::windowCount(quint32(mode)));
    }
    }
    return false;
}

void prune(quint32 model, SetupValues &values)
{
    for (auto it = values.begin(); it != values.end();) {
        const Setting *setting = find(it->first);
        if (!setting || !applies(*setting, model, values))
            it = values.erase(it);
        else
            ++it;
    }
}

QString normalized(const Setting &setting, quint32 model, const SetupValues &values, const QString &text,
                   QString *why)
{
    QString reason;
    QString value;
    switch (setting.kind) {
    case Setting::Word:
    case Setting::Switch:
    case Setting::Baud:
        value = wordValue(setting.words(model), text, &reason);
        break;
    case Setting::Number: {
        const std::pair<int, int> range = rangeOf(setting.id, model, values);
        value = numberValue(text, range.first, range.second, &reason);
        break;
    }
    case Setting::Rectangle:
        value = rectangleValue(text, &reason);
        break;
    case Setting::Address:
        value = addressValue(text, &reason);
        break;
    }
    if (why)
        *why = value.isNull() ? QStringLiteral("%1: %2").arg(QLatin1String(setting.name), reason) : QString();
    return value;
}

} // namespace Settings
