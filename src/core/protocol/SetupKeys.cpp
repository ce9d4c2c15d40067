#include "protocol/SetupKeys.h"

#include "protocol/Catalogue.h"
#include "protocol/LayoutCatalogue.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ValueTables.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QStringList>

namespace {

using K = SetupKey;
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

// Every setting: one row each, in the order in which a restore writes them.
const std::vector<SetupKey> &keyTable()
{
    using G = SetupGroup;
    static const std::vector<SetupKey> keys = {
        {"output.userWidth", G::Output, K::Number, K::UserResolution, 0},
        {"output.userHeight", G::Output, K::Number, K::UserResolution, 0},
        {"output.resolution", G::Output, K::Word, K::Always, 0, "OUT RESOLUTION", "OUT RESOLUTION",
         PauseAfterBusyCommandMs, resolutions, &LanguageTexts::Slabel_Resolution},
        {"output.hdcp", G::Output, K::Word, K::Always, 0, "OUT HDCP", "OUT HDCP", 0, hdcpModes,
         &LanguageTexts::Slabel_HDCP},
        {"output.vka", G::Output, K::Word, K::Always, 0, "OUT VKA", "OUT VKA", 0, vkaModes,
         &LanguageTexts::Slabel_VKA},
        {"output.itc", G::Output, K::Switch, K::Always, 0, "OUT ITC", "OUT ITC", 0, onOff,
         &LanguageTexts::Slabel_ITC},
        {"output.fourKAuto", G::Output, K::Switch, K::Has4KAuto, 0, "OUT 4K-AUTO", "OUT 4K-AUTO", 0, onOff,
         &LanguageTexts::Slabel_4KAUTO},
        {"edid.mode", G::Edid, K::Word, K::Always, 0, "IN EDIDMODE", "IN EDIDMODE", 0, edidModes,
         &LanguageTexts::Slabel_EdidSelect},
        {"audio.source", G::Audio, K::Word, K::Always, 0, "AUDIO SOURCE", "AUDIO SOURCE", 0,
         Tables::audioSources, &LanguageTexts::Slabel_AudioSource},
        {"audio.volume", G::Audio, K::Number, K::Always, 0, "AUDIO VOL", "AUDIO VOL", 0, nullptr,
         &LanguageTexts::Slabel_Volume},
        {"audio.mute", G::Audio, K::Switch, K::Always, 0, "AUDIO-MUTE", "AUDIO-MUTE", 0, onOff,
         &LanguageTexts::Slabel_AudioMute},
        {"audio.mainAudio", G::Audio, K::Switch, K::Tn386, 0, "MAIN-AUDIO ONOFF", "MAIN-AUDIO ONOFF", 0,
         onOff},
        {"audio.mic1", G::Audio, K::Switch, K::Tn386, 0, "MIC1 ONOFF", "MIC1 ONOFF", 0, onOff},
        {"audio.mic1Volume", G::Audio, K::Number, K::Tn386, 0, "MIC1 VOL", "MIC1 VOL"},
        {"audio.mic2", G::Audio, K::Switch, K::Tn386, 0, "MIC2 ONOFF", "MIC2 ONOFF", 0, onOff},
        {"audio.mic2Volume", G::Audio, K::Number, K::Tn386, 0, "MIC2 VOL", "MIC2 VOL"},
        {"multiview.mode", G::Multiview, K::Word, K::Always, 0, "MULTIVIEW", Report, 0, multiviewModes},
        {"multiview.autoSwitch", G::Multiview, K::Switch, K::Single, 0, "AUTO SWITCH", Report, 0, onOff},
        {"multiview.pipPosition", G::Multiview, K::Word, K::Pip, 0, "PIP POS", Report, 0, pipPositions},
        {"multiview.pipSize", G::Multiview, K::Word, K::Pip, 0, "PIP SIZE", Report, 0, pipSizes},
        {"multiview.aspect", G::Multiview, K::Word, K::Split, 0, nullptr, Report, 0, aspects},
        {"multiview.layout", G::Multiview, K::Number, K::Split, 0, nullptr, Report},
        {"multiview.pipWindow", G::Multiview, K::Rectangle, K::PipUserWindow, 0},
        {"multiview.presenterWindow", G::Multiview, K::Rectangle, K::PresenterWindow, 0},
        {"multiview.window1", G::Multiview, K::Word, K::ShownWindow, 0, nullptr, Report, 0,
         Tables::inputSources},
        {"multiview.window2", G::Multiview, K::Word, K::ShownWindow, 1, nullptr, Report, 0,
         Tables::inputSources},
        {"multiview.window3", G::Multiview, K::Word, K::ShownWindow, 2, nullptr, Report, 0,
         Tables::inputSources},
        {"multiview.window4", G::Multiview, K::Word, K::ShownWindow, 3, nullptr, Report, 0,
         Tables::inputSources},
        {"link.baudRate", G::Link, K::Baud, K::Always, 0, nullptr, "BAUDRATE", 0, baudRates},
        {"link.ip", G::Link, K::Address, K::HasNetwork, 0, nullptr, "NETWORK-INFO"},
        {"link.port", G::Link, K::Number, K::HasNetwork, 0, nullptr, "NETWORK-INFO"},
        {"link.mask", G::Link, K::Address, K::HasNetwork, 0, nullptr, "NETWORK-INFO"},
        {"link.gateway", G::Link, K::Address, K::HasNetwork, 0, nullptr, "NETWORK-INFO"},
    };
    return keys;
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

std::pair<int, int> rangeOf(const QString &name, quint32 model, const SetupValues &values)
{
    if (name == QLatin1String("audio.volume"))
        return {0, Tables::volumeLimit(model)};
    if (name.startsWith(QLatin1String("audio.mic")))
        return {0, MicVolumeLimit};
    if (name == QLatin1String("link.port"))
        return {LowestPort, HighestPort};
    if (name == QLatin1String("multiview.layout")) {
        const int mode = indexOf(values, "multiview.mode", Tables::MultiviewModes);
        return {1, int(LayoutCatalogue::modeCount(mode >= 0 ? quint32(mode) : quint32(Mode4xWin)))};
    }
    return {1, MaxScreenNumber};
}

QString wordValue(const WordList &list, const QString &text, QString *why)
{
    for (int i = 0; i < list.count; ++i) {
        if (text.compare(QLatin1String(list.words[i]), Qt::CaseInsensitive) == 0)
            return QLatin1String(list.words[i]);
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

namespace SetupKeys {

const std::vector<SetupKey> &all()
{
    return keyTable();
}

const SetupKey *find(const QString &name)
{
    for (const SetupKey &key : keyTable()) {
        if (name == QLatin1String(key.name))
            return &key;
    }
    return nullptr;
}

std::pair<int, int> range(const SetupKey &key, quint32 model, const SetupValues &values)
{
    return rangeOf(QLatin1String(key.name), model, values);
}

const SetupKey *ofKeyword(int keyword)
{
    static const std::vector<const SetupKey *> byKeyword = [] {
        std::vector<const SetupKey *> keys(std::size_t(Tables::ReplyKeywords.count), nullptr);
        for (const SetupKey &key : keyTable()) {
            const int index = key.object ? Tables::ReplyKeywords.indexOf(key.object) : -1;
            if (index >= 0)
                keys[std::size_t(index)] = &key;
        }
        return keys;
    }();
    return keyword >= 0 && keyword < int(byKeyword.size()) ? byKeyword[std::size_t(keyword)] : nullptr;
}

bool applies(const SetupKey &key, quint32 model, const SetupValues &values)
{
    switch (key.condition) {
    case SetupKey::Always:
        return true;
    case SetupKey::UserResolution: {
        const auto it = values.find(QStringLiteral("output.resolution"));
        return it == values.end() || it->second == QLatin1String("USER");
    }
    case SetupKey::Has4KAuto:
        return Tables::has4KAuto(model);
    case SetupKey::Tn386:
        return model == ModelTN386;
    case SetupKey::Single:
        return modeIs(values, {ModeSingle});
    case SetupKey::Pip:
        return modeIs(values, {ModePip});
    case SetupKey::Split:
        return modeIs(values, {ModePbp, Mode3xWin, Mode4xWin});
    case SetupKey::PipUserWindow:
        return pipUserWindow(values);
    case SetupKey::PresenterWindow:
        return presenterWindow(values);
    case SetupKey::ShownWindow: {
        const int mode = indexOf(values, "multiview.mode", Tables::MultiviewModes);
        return mode == -1 || (mode >= 0 && key.window < LayoutCatalogue::windowCount(quint32(mode)));
    }
    case SetupKey::HasNetwork:
        return Tables::hasNetworkSettings(model);
    }
    return false;
}

void prune(quint32 model, SetupValues &values)
{
    for (auto it = values.begin(); it != values.end();) {
        const SetupKey *key = find(it->first);
        if (!key || !applies(*key, model, values))
            it = values.erase(it);
        else
            ++it;
    }
}

QString normalized(const SetupKey &key, quint32 model, const SetupValues &values, const QString &text,
                   QString *why)
{
    QString reason;
    QString value;
    const QString name = QLatin1String(key.name);
    switch (key.kind) {
    case SetupKey::Word:
    case SetupKey::Switch:
    case SetupKey::Baud:
        value = wordValue(key.words(model), text, &reason);
        break;
    case SetupKey::Number: {
        const std::pair<int, int> range = rangeOf(name, model, values);
        value = numberValue(text, range.first, range.second, &reason);
        break;
    }
    case SetupKey::Rectangle:
        value = rectangleValue(text, &reason);
        break;
    case SetupKey::Address:
        value = addressValue(text, &reason);
        break;
    }
    if (why)
        *why = value.isNull() ? QStringLiteral("%1: %2").arg(name, reason) : QString();
    return value;
}

} // namespace SetupKeys
