#include "setup/SetupKeys.h"

#include "protocol/Catalogue.h"
#include "protocol/LayoutCatalogue.h"
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

const std::vector<SetupKey> &keyTable()
{
    static const std::vector<SetupKey> keys = {
        {"output.userWidth", SetupGroup::Output, K::Number, K::UserResolution, 0},
        {"output.userHeight", SetupGroup::Output, K::Number, K::UserResolution, 0},
        {"output.resolution", SetupGroup::Output, K::Word, K::Always, 0},
        {"output.hdcp", SetupGroup::Output, K::Word, K::Always, 0},
        {"output.vka", SetupGroup::Output, K::Word, K::Always, 0},
        {"output.itc", SetupGroup::Output, K::Switch, K::Always, 0},
        {"output.fourKAuto", SetupGroup::Output, K::Switch, K::Has4KAuto, 0},
        {"edid.mode", SetupGroup::Edid, K::Word, K::Always, 0},
        {"audio.source", SetupGroup::Audio, K::Word, K::Always, 0},
        {"audio.volume", SetupGroup::Audio, K::Number, K::Always, 0},
        {"audio.mute", SetupGroup::Audio, K::Switch, K::Always, 0},
        {"audio.mainAudio", SetupGroup::Audio, K::Switch, K::Tn386, 0},
        {"audio.mic1", SetupGroup::Audio, K::Switch, K::Tn386, 0},
        {"audio.mic1Volume", SetupGroup::Audio, K::Number, K::Tn386, 0},
        {"audio.mic2", SetupGroup::Audio, K::Switch, K::Tn386, 0},
        {"audio.mic2Volume", SetupGroup::Audio, K::Number, K::Tn386, 0},
        {"multiview.mode", SetupGroup::Multiview, K::Word, K::Always, 0},
        {"multiview.autoSwitch", SetupGroup::Multiview, K::Switch, K::Single, 0},
        {"multiview.pipPosition", SetupGroup::Multiview, K::Word, K::Pip, 0},
        {"multiview.pipSize", SetupGroup::Multiview, K::Word, K::Pip, 0},
        {"multiview.aspect", SetupGroup::Multiview, K::Word, K::Split, 0},
        {"multiview.layout", SetupGroup::Multiview, K::Number, K::Split, 0},
        {"multiview.pipWindow", SetupGroup::Multiview, K::Rectangle, K::PipUserWindow, 0},
        {"multiview.presenterWindow", SetupGroup::Multiview, K::Rectangle, K::PresenterWindow, 0},
        {"multiview.window1", SetupGroup::Multiview, K::Word, K::ShownWindow, 0},
        {"multiview.window2", SetupGroup::Multiview, K::Word, K::ShownWindow, 1},
        {"multiview.window3", SetupGroup::Multiview, K::Word, K::ShownWindow, 2},
        {"multiview.window4", SetupGroup::Multiview, K::Word, K::ShownWindow, 3},
        {"link.baudRate", SetupGroup::Link, K::Baud, K::Always, 0},
        {"link.ip", SetupGroup::Link, K::Address, K::HasNetwork, 0},
        {"link.port", SetupGroup::Link, K::Number, K::HasNetwork, 0},
        {"link.mask", SetupGroup::Link, K::Address, K::HasNetwork, 0},
        {"link.gateway", SetupGroup::Link, K::Address, K::HasNetwork, 0},
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

const WordList &wordsOf(const QString &name, quint32 model)
{
    static const WordList none{nullptr, 0};
    if (name == QLatin1String("output.resolution"))
        return Tables::OutputResolutions;
    if (name == QLatin1String("output.hdcp"))
        return Tables::HdcpModes;
    if (name == QLatin1String("output.vka"))
        return Tables::VkaModes;
    if (name == QLatin1String("edid.mode"))
        return Tables::EdidModes;
    if (name == QLatin1String("audio.source"))
        return Tables::audioSources(model);
    if (name == QLatin1String("multiview.mode"))
        return Tables::MultiviewModes;
    if (name == QLatin1String("multiview.pipPosition"))
        return Tables::PipPositions;
    if (name == QLatin1String("multiview.pipSize"))
        return Tables::PipSizes;
    if (name == QLatin1String("multiview.aspect"))
        return Tables::Aspects;
    if (name.startsWith(QLatin1String("multiview.window")))
        return Tables::inputSources(model);
    return none;
}

// The range of a Number key.
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
        value = wordValue(wordsOf(name, model), text, &reason);
        break;
    case SetupKey::Switch:
        value = wordValue(Tables::OnOff, text, &reason);
        break;
    case SetupKey::Number: {
        const std::pair<int, int> range = rangeOf(name, model, values);
        value = numberValue(text, range.first, range.second, &reason);
        break;
    }
    case SetupKey::Baud:
        value = wordValue(Tables::BaudRates, text, &reason);
        break;
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
