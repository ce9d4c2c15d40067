#include "DeviceState.h"

#include "protocol/ValueTables.h"

#include <QHostAddress>
#include <QJsonArray>

namespace {

QString wordAt(const WordList &list, quint32 index)
{
    return QString::fromLatin1(list.at(index));
}

// Index of the table word stored under `key`, or `fallback` when it is missing or unknown.
quint32 readWord(const QJsonObject &json, const char *key, const WordList &list, quint32 fallback)
{
    const int index = list.indexOf(json.value(QLatin1String(key)).toString().toLatin1());
    return index >= 0 ? quint32(index) : fallback;
}

// A whole number in [low, high] stored under `key`, or `fallback`.
int readNumber(const QJsonObject &json, const char *key, int low, int high, int fallback)
{
    const QJsonValue value = json.value(QLatin1String(key));
    if (!value.isDouble())
        return fallback;
    const double number = value.toDouble();
    if (number != double(int(number)) || number < low || number > high)
        return fallback;
    return int(number);
}

bool readBool(const QJsonObject &json, const char *key, bool fallback)
{
    const QJsonValue value = json.value(QLatin1String(key));
    return value.isBool() ? value.toBool() : fallback;
}

QString readText(const QJsonObject &json, const char *key, const QString &fallback)
{
    const QString text = json.value(QLatin1String(key)).toString().simplified();
    return text.isEmpty() || text.contains(QLatin1Char(' ')) ? fallback : text;
}

QJsonArray jsonNumbers(const std::array<quint32, 4> &values)
{
    QJsonArray array;
    for (quint32 value : values)
        array.append(qint64(value));
    return array;
}

std::array<quint32, 4> readRectangle(const QJsonObject &json, const char *key,
                                     const std::array<quint32, 4> &fallback)
{
    const QJsonArray array = json.value(QLatin1String(key)).toArray();
    if (array.size() != 4)
        return fallback;
    std::array<quint32, 4> result{};
    for (int i = 0; i < 4; ++i) {
        const double number = array.at(i).toDouble(-1);
        if (number < 0 || number > 65535 || number != double(int(number)))
            return fallback;
        result[size_t(i)] = quint32(number);
    }
    return result;
}

bool isIpv4(const QString &text)
{
    QHostAddress address;
    return address.setAddress(text) && address.protocol() == QAbstractSocket::IPv4Protocol;
}

const char *const splitKeys[] = {"PBP", "3xWIN", "4xWIN"};

} // namespace

bool MultiviewState::operator==(const MultiviewState &other) const
{
    return mode == other.mode && windows == other.windows && pipPosition == other.pipPosition &&
           pipSize == other.pipSize && aspect == other.aspect && layoutMode == other.layoutMode &&
           pipUser == other.pipUser && pbpPresenter == other.pbpPresenter && autoSwitch == other.autoSwitch;
}

QJsonObject MultiviewState::toJson(quint32 model) const
{
    QJsonArray windowWords;
    for (quint32 window : windows)
        windowWords.append(wordAt(Tables::inputSources(model), window));
    QJsonObject splits;
    for (int i = 0; i < 3; ++i) {
        splits.insert(QLatin1String(splitKeys[i]),
                      QJsonObject{{QStringLiteral("aspect"), wordAt(Tables::Aspects, aspect[size_t(i)])},
                                  {QStringLiteral("mode"), qint64(layoutMode[size_t(i)])}});
    }
    return QJsonObject{{QStringLiteral("mode"), wordAt(Tables::MultiviewModes, mode)},
                       {QStringLiteral("windows"), windowWords},
                       {QStringLiteral("pipPosition"), wordAt(Tables::PipPositions, pipPosition)},
                       {QStringLiteral("pipSize"), wordAt(Tables::PipSizes, pipSize)},
                       {QStringLiteral("layouts"), splits},
                       {QStringLiteral("pipUser"), jsonNumbers(pipUser)},
                       {QStringLiteral("pbpPresenter"), jsonNumbers(pbpPresenter)},
                       {QStringLiteral("autoSwitch"), autoSwitch}};
}

MultiviewState MultiviewState::fromJson(const QJsonObject &json, quint32 model,
                                        const MultiviewState &defaults)
{
    MultiviewState s = defaults;
    s.mode = readWord(json, "mode", Tables::MultiviewModes, defaults.mode);
    const QJsonArray windowWords = json.value(QLatin1String("windows")).toArray();
    for (int i = 0; i < 4 && i < windowWords.size(); ++i) {
        const int index = Tables::inputSources(model).indexOf(windowWords.at(i).toString().toLatin1());
        if (index >= 0)
            s.windows[size_t(i)] = quint32(index);
    }
    s.pipPosition = readWord(json, "pipPosition", Tables::PipPositions, defaults.pipPosition);
    s.pipSize = readWord(json, "pipSize", Tables::PipSizes, defaults.pipSize);
    const QJsonObject splits = json.value(QLatin1String("layouts")).toObject();
    for (int i = 0; i < 3; ++i) {
        const QJsonObject layout = splits.value(QLatin1String(splitKeys[i])).toObject();
        s.aspect[size_t(i)] = readWord(layout, "aspect", Tables::Aspects, defaults.aspect[size_t(i)]);
        s.layoutMode[size_t(i)] =
            quint32(readNumber(layout, "mode", 1, 99, int(defaults.layoutMode[size_t(i)])));
    }
    s.pipUser = readRectangle(json, "pipUser", defaults.pipUser);
    s.pbpPresenter = readRectangle(json, "pbpPresenter", defaults.pbpPresenter);
    s.autoSwitch = readBool(json, "autoSwitch", defaults.autoSwitch);
    return s;
}

quint32 DeviceState::modelRow(const QString &modelName)
{
    const int row = Tables::Models.indexOf(modelName.toLatin1());
    return row >= 0 ? quint32(row) : quint32(ModelRKA204QE);
}

DeviceState DeviceState::factory(const QString &modelName, const NetworkSettings &network)
{
    DeviceState s;
    s.modelName = modelName;
    s.model = modelRow(modelName);
    const quint32 inputs = Tables::inputCount(s.model);
    for (quint32 i = 0; i < 4; ++i)
        s.multiview.windows[i] = i < inputs ? i : 0;
    s.volume = Tables::volumeLimit(s.model) * 3 / 10;
    s.scenes.fill(s.multiview);
    s.network = network;
    return s;
}

QJsonObject DeviceState::toJson() const
{
    QJsonArray sceneArray;
    for (const MultiviewState &scene : scenes)
        sceneArray.append(scene.toJson(model));
    const auto mic = [this](int i) {
        return QJsonObject{{QStringLiteral("on"), micOn[size_t(i)]},
                           {QStringLiteral("volume"), micVolume[size_t(i)]}};
    };
    return QJsonObject{
        {QStringLiteral("model"), modelName},
        {QStringLiteral("output"),
         QJsonObject{{QStringLiteral("resolution"), wordAt(Tables::OutputResolutions, outResolution)},
                     {QStringLiteral("userWidth"), qint64(userWidth)},
                     {QStringLiteral("userHeight"), qint64(userHeight)},
                     {QStringLiteral("hdcp"), wordAt(Tables::HdcpModes, hdcp)},
                     {QStringLiteral("vka"), wordAt(Tables::VkaModes, vka)},
                     {QStringLiteral("itc"), itc},
                     {QStringLiteral("fourKAuto"), fourKAuto}}},
        {QStringLiteral("edid"),
         QJsonObject{{QStringLiteral("mode"), wordAt(Tables::EdidModes, edidMode)},
                     {QStringLiteral("user"), QString::fromLatin1(userEdid.toHex().toUpper())}}},
        {QStringLiteral("inputResolution"), inputResolution},
        {QStringLiteral("multiview"), multiview.toJson(model)},
        {QStringLiteral("scenes"), sceneArray},
        {QStringLiteral("audio"),
         QJsonObject{{QStringLiteral("source"), wordAt(Tables::audioSources(model), audioSource)},
                     {QStringLiteral("volume"), volume},
                     {QStringLiteral("mute"), mute},
                     {QStringLiteral("mainAudio"), mainAudio},
                     {QStringLiteral("mic1"), mic(0)},
                     {QStringLiteral("mic2"), mic(1)}}},
        {QStringLiteral("firmware"), QJsonObject{{QStringLiteral("main"), versions[0]},
                                                 {QStringLiteral("sub"), versions[1]},
                                                 {QStringLiteral("expand"), versions[2]},
                                                 {QStringLiteral("keyboard"), versions[3]}}},
        {QStringLiteral("baudRate"), baudRate},
        {QStringLiteral("network"), QJsonObject{{QStringLiteral("ip"), network.ip},
                                                {QStringLiteral("port"), int(network.port)},
                                                {QStringLiteral("mask"), network.mask},
                                                {QStringLiteral("gateway"), network.gateway}}}};
}

DeviceState DeviceState::fromJson(const QJsonObject &json, const QString &modelName,
                                  const NetworkSettings &network)
{
    DeviceState s = factory(modelName, network);
    const QJsonObject output = json.value(QLatin1String("output")).toObject();
    s.outResolution = readWord(output, "resolution", Tables::OutputResolutions, s.outResolution);
    s.userWidth = quint32(readNumber(output, "userWidth", 1, 8192, int(s.userWidth)));
    s.userHeight = quint32(readNumber(output, "userHeight", 1, 8192, int(s.userHeight)));
    s.hdcp = readWord(output, "hdcp", Tables::HdcpModes, s.hdcp);
    s.vka = readWord(output, "vka", Tables::VkaModes, s.vka);
    s.itc = readBool(output, "itc", s.itc);
    s.fourKAuto = readBool(output, "fourKAuto", s.fourKAuto);

    const QJsonObject edid = json.value(QLatin1String("edid")).toObject();
    s.edidMode = readWord(edid, "mode", Tables::EdidModes, s.edidMode);
    const QByteArray userEdid = QByteArray::fromHex(edid.value(QLatin1String("user")).toString().toLatin1());
    if (userEdid.size() == EdidSize)
        s.userEdid = userEdid;
    s.inputResolution = readText(json, "inputResolution", s.inputResolution);

    s.multiview =
        MultiviewState::fromJson(json.value(QLatin1String("multiview")).toObject(), s.model, s.multiview);
    const QJsonArray sceneArray = json.value(QLatin1String("scenes")).toArray();
    for (int i = 0; i < SceneCount && i < sceneArray.size(); ++i)
        s.scenes[size_t(i)] =
            MultiviewState::fromJson(sceneArray.at(i).toObject(), s.model, s.scenes[size_t(i)]);

    const QJsonObject audio = json.value(QLatin1String("audio")).toObject();
    const int limit = Tables::volumeLimit(s.model);
    s.audioSource = readWord(audio, "source", Tables::audioSources(s.model), s.audioSource);
    s.volume = readNumber(audio, "volume", 0, limit, s.volume);
    s.mute = readBool(audio, "mute", s.mute);
    s.mainAudio = readBool(audio, "mainAudio", s.mainAudio);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject mic =
            audio.value(i == 0 ? QLatin1String("mic1") : QLatin1String("mic2")).toObject();
        s.micOn[size_t(i)] = readBool(mic, "on", s.micOn[size_t(i)]);
        s.micVolume[size_t(i)] = readNumber(mic, "volume", 0, limit, s.micVolume[size_t(i)]);
    }

    const QJsonObject firmware = json.value(QLatin1String("firmware")).toObject();
    const char *const firmwareKeys[] = {"main", "sub", "expand", "keyboard"};
    for (int i = 0; i < 4; ++i)
        s.versions[size_t(i)] = readText(firmware, firmwareKeys[i], s.versions[size_t(i)]);

    const int baudRate = readNumber(json, "baudRate", 0, 115200, s.baudRate);
    if (Tables::BaudRates.indexOf(QByteArray::number(baudRate)) >= 0)
        s.baudRate = baudRate;

    const QJsonObject net = json.value(QLatin1String("network")).toObject();
    const QString ip = readText(net, "ip", QString());
    const QString mask = readText(net, "mask", QString());
    const QString gateway = readText(net, "gateway", QString());
    const int port = readNumber(net, "port", 1, 65535, 0);
    if (isIpv4(ip) && isIpv4(mask) && isIpv4(gateway) && port > 0)
        s.network = NetworkSettings{ip, quint16(port), mask, gateway};
    return s;
}
