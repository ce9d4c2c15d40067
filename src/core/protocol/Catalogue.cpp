#include "protocol/Catalogue.h"

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

// "GET <object>" awaiting <object>.
Request get(const QByteArray &object)
{
    return requestWithRule("GET " + object, defaultReplyRule(object));
}

// "SET <object> <value>" awaiting `keyword`; null when the value word is empty (index out of range).
Request setWord(const QByteArray &object, const QByteArray &value, const QByteArray &keyword)
{
    if (value.isEmpty())
        return {};
    return requestWithRule(words({"SET", object, value}), defaultReplyRule(keyword));
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

QByteArray micWord(quint32 mic)
{
    return "MIC" + number(qint64(mic) + 1);
}

bool layoutHasOptions(const DeviceContext &device)
{
    const quint32 mode = device.MultiviewMode;
    return mode == ModePbp || mode == Mode3xWin || mode == Mode4xWin;
}

// "PIP USER" in PIP with a user position or size, "PBP-PRESENTER" in PBP layout mode 3; empty otherwise.
QByteArray userWindowObject(const DeviceContext &device)
{
    if (device.MultiviewMode == ModePip &&
        (device.PipPosition == PipUserPosition || device.PipSize == PipUserSize))
        return "PIP USER";
    if (device.MultiviewMode == ModePbp && device.ModeIndex == PbpPresenterModeIndex)
        return "PBP-PRESENTER";
    return QByteArray();
}

// The values a setting's condition is judged by: the device's model and multiview arrangement.
SetupValues contextValues(const DeviceContext &device)
{
    SetupValues values{{QStringLiteral("multiview.mode"),
                        QString::fromLatin1(Tables::MultiviewModes.at(device.MultiviewMode))}};
    if (device.MultiviewMode == ModePip) {
        values[QStringLiteral("multiview.pipPosition")] =
            QString::fromLatin1(Tables::PipPositions.at(device.PipPosition));
        values[QStringLiteral("multiview.pipSize")] =
            QString::fromLatin1(Tables::PipSizes.at(device.PipSize));
    }
    return values;
}

const Setting *settingOf(const DeviceContext &device, const char *name)
{
    const Setting *key = Settings::find(QLatin1String(name));
    return key && Settings::applies(*key, device.CurrentModel, contextValues(device)) ? key : nullptr;
}

} // namespace

Request requestWithRule(const QByteArray &text, const ReplyRule &rule)
{
    if (quint32(text.size()) > MaxRequestText)
        return {};
    return {text + '\r', rule};
}

Request ReadSetting(const DeviceContext &device, const char *key)
{
    const Setting *setting = settingOf(device, key);
    return setting && setting->readObject ? get(setting->readObject) : Request();
}

Request WriteSetting(const DeviceContext &device, const char *key, const QString &value)
{
    const Setting *setting = settingOf(device, key);
    if (!setting || !setting->object)
        return {};
    const QString word = Settings::normalized(*setting, device.CurrentModel, {}, value);
    if (word.isNull())
        return {};
    const QByteArray object = setting->object;
    const QByteArray line = words({"SET", object, word.toLatin1()});
    return requestWithRule(line, setting->busyMs > 0 ? pauseReplyRule(object, setting->busyMs)
                                                     : defaultReplyRule(object));
}

Request WriteSetting(const DeviceContext &device, const char *key, quint32 index)
{
    const Setting *setting = Settings::find(QLatin1String(key));
    if (!setting || !setting->words)
        return {};
    const QByteArray word = setting->words(device.CurrentModel).at(index);
    return word.isEmpty() ? Request() : WriteSetting(device, key, QString::fromLatin1(word));
}

Request GetModelType()
{
    return get("MODEL TYPE");
}

Request GetNetworkInfo()
{
    return get("NETWORK-INFO");
}

Request GetBaudrate()
{
    return get("BAUDRATE");
}

Request GetVersion(quint32 kind)
{
    static const char *const objects[] = {"VERSION", "SUB-VERSION", "EXPAND-VERSION", "KEYBOARD-VERSION"};
    return kind <= 3 ? get(objects[kind]) : Request();
}

Request GetUserResolution()
{
    return get("RESO-USER");
}

Request GetInResolution(const DeviceContext &device)
{
    return device.MultiviewMode == ModeSingle ? get("IN RESOLUTION") : Request();
}

Request GetMultiviewSync()
{
    return get("MULTIVIEW-SYNC");
}

Request GetUserWindow(const DeviceContext &device)
{
    const QByteArray object = userWindowObject(device);
    return object.isEmpty() ? Request() : get(object);
}

Request SetBaudrate(qint32 rate)
{
    return setWord("BAUDRATE", number(rate), "BAUDRATE");
}

Request SetNetworkInfo(const QString &ip, const QString &port, const QString &mask, const QString &gateway)
{
    return requestWithRule(
        words({"SET", "NETWORK-INFO", ip.toUtf8(), port.toUtf8(), mask.toUtf8(), gateway.toUtf8()}),
        defaultReplyRule("NETWORK-INFO"));
}

Request ResetDevice()
{
    return requestWithRule("SET RESET", pauseReplyRule("RESET", PauseAfterBusyCommandMs));
}

Request SetUserResolution(qint32 width, qint32 height)
{
    return requestWithRule(words({"SET RESO-USER", number(width), number(height)}),
                           pauseReplyRule("RESO-USER", PauseAfterBusyCommandMs));
}

Request SetUserEdid(const unsigned char *edid256)
{
    if (!edid256)
        return {};
    QByteArray line = "SET EDID-USER";
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 0; i < 256; ++i) {
        line += ' ';
        line += hex[edid256[i] >> 4];
        line += hex[edid256[i] & 0x0F];
    }
    return requestWithRule(line, defaultReplyRule("EDID-USER OK"));
}

Request SetLayoutMode(const DeviceContext &device, qint32 mode)
{
    if (!layoutHasOptions(device))
        return {};
    const QByteArray object = words({Tables::MultiviewModes.at(device.MultiviewMode), "MODE"});
    return setWord(object, number(mode), object);
}

Request SetLayoutAspect(const DeviceContext &device, quint32 index)
{
    if (!layoutHasOptions(device))
        return {};
    const QByteArray object = words({Tables::MultiviewModes.at(device.MultiviewMode), "ASPECT"});
    return setWord(object, Tables::Aspects.at(index), object);
}

Request SetUserWindow(const DeviceContext &device, qint32 hStart, qint32 vStart, qint32 hSize, qint32 vSize)
{
    const QByteArray object = userWindowObject(device);
    if (object.isEmpty())
        return {};
    return requestWithRule(
        words({"SET", object, number(hStart), number(vStart), number(hSize), number(vSize)}),
        defaultReplyRule(object));
}

Request SetWindowInput(const DeviceContext &device, quint32 window, quint32 source)
{
    const QByteArray windowWord = Tables::WindowNames.at(window);
    if (windowWord.isEmpty())
        return {};
    const QByteArray object = words({windowWord, "IN"});
    return setWord(object, Tables::inputSources(device.CurrentModel).at(source), object);
}

Request SaveScene(qint32 scene)
{
    return setWord("SAVE SCENE", number(scene), "SAVE SCENE");
}

Request LoadScene(qint32 scene)
{
    return setWord("LOAD SCENE", number(scene), "LOAD SCENE");
}

Request AudioVolumeUp()
{
    return requestWithRule("SET AUDIO VOL+", defaultReplyRule("AUDIO VOL"));
}

Request AudioVolumeDown()
{
    return requestWithRule("SET AUDIO VOL-", defaultReplyRule("AUDIO VOL"));
}

Request MicVolumeUp(quint32 mic)
{
    if (mic > 1)
        return {};
    return requestWithRule(words({"SET", micWord(mic), "VOL+"}),
                           defaultReplyRule(words({micWord(mic), "VOL"})));
}

Request MicVolumeDown(quint32 mic)
{
    if (mic > 1)
        return {};
    return requestWithRule(words({"SET", micWord(mic), "VOL-"}),
                           defaultReplyRule(words({micWord(mic), "VOL"})));
}
