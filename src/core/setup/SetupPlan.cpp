#include "setup/SetupPlan.h"

#include "protocol/Catalogue.h"
#include "protocol/ValueTables.h"

#include <QStringList>

namespace {

QString valueOf(const SetupValues &values, const QString &key)
{
    const auto it = values.find(key);
    return it == values.end() ? QString() : it->second;
}

// `target` over `current`: what the device holds once the plan is done.
SetupValues merged(const SetupValues &current, const SetupValues &target)
{
    SetupValues all = current;
    for (const auto &entry : target)
        all[entry.first] = entry.second;
    return all;
}

quint32 indexIn(const WordList &list, const QString &word)
{
    return quint32(list.indexOf(word.toLatin1()));
}

// The request for one key (none for keys that go with another one).
void build(const QString &key, const SetupValues &after, quint32 model)
{
    const QString value = valueOf(after, key);
    const quint32 onOff = indexIn(Tables::OnOff, value);
    if (key == QLatin1String("output.userWidth") || key == QLatin1String("output.userHeight")) {
        SetUserResolution(valueOf(after, QStringLiteral("output.userWidth")).toInt(),
                          valueOf(after, QStringLiteral("output.userHeight")).toInt());
    } else if (key == QLatin1String("output.resolution")) {
        SetOutResolution(indexIn(Tables::OutputResolutions, value));
    } else if (key == QLatin1String("output.hdcp")) {
        SetOutHdcp(indexIn(Tables::HdcpModes, value));
    } else if (key == QLatin1String("output.vka")) {
        SetOutVka(indexIn(Tables::VkaModes, value));
    } else if (key == QLatin1String("output.itc")) {
        SetOutItc(onOff);
    } else if (key == QLatin1String("output.fourKAuto")) {
        SetOut4KAuto(onOff);
    } else if (key == QLatin1String("edid.mode")) {
        SetInEdidMode(indexIn(Tables::EdidModes, value));
    } else if (key == QLatin1String("audio.source")) {
        SetAudioSource(indexIn(Tables::audioSources(model), value));
    } else if (key == QLatin1String("audio.volume")) {
        SetAudioVolume(value.toInt());
    } else if (key == QLatin1String("audio.mute")) {
        SetAudioMute(onOff);
    } else if (key == QLatin1String("audio.mainAudio")) {
        SetMainAudioOnOff(onOff);
    } else if (key.startsWith(QLatin1String("audio.mic"))) {
        const quint32 mic = key.startsWith(QLatin1String("audio.mic1")) ? 0 : 1;
        if (key.endsWith(QLatin1String("Volume")))
            SetMicVolume(mic, value.toInt());
        else
            SetMicOnOff(mic, onOff);
    } else if (key == QLatin1String("multiview.mode")) {
        SetMultiview(indexIn(Tables::MultiviewModes, value));
    } else if (key == QLatin1String("multiview.autoSwitch")) {
        SetAutoSwitch(onOff);
    } else if (key == QLatin1String("multiview.pipPosition")) {
        SetPipPosition(indexIn(Tables::PipPositions, value));
    } else if (key == QLatin1String("multiview.pipSize")) {
        SetPipSize(indexIn(Tables::PipSizes, value));
    } else if (key == QLatin1String("multiview.aspect")) {
        SetLayoutAspect(indexIn(Tables::Aspects, value));
    } else if (key == QLatin1String("multiview.layout")) {
        SetLayoutMode(value.toInt());
    } else if (key.endsWith(QLatin1String("Window"))) {
        const QStringList n = value.split(QLatin1Char(' '));
        if (n.size() == 4)
            SetUserWindow(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
    } else if (key.startsWith(QLatin1String("multiview.window"))) {
        SetWindowInput(quint32(key.right(1).toUInt() - 1), indexIn(Tables::inputSources(model), value));
    } else if (key == QLatin1String("link.baudRate")) {
        SetBaudrate(value.toInt());
    } else if (key.startsWith(QLatin1String("link."))) {
        SetNetworkInfo(valueOf(after, QStringLiteral("link.ip")), valueOf(after, QStringLiteral("link.port")),
                       valueOf(after, QStringLiteral("link.mask")),
                       valueOf(after, QStringLiteral("link.gateway")));
    }
}

// Keys written together by one request, named by the first of them.
QString requestName(const QString &key)
{
    if (key == QLatin1String("output.userHeight"))
        return QStringLiteral("output.userWidth");
    if (key.startsWith(QLatin1String("link.")) && key != QLatin1String("link.baudRate"))
        return QStringLiteral("link.ip");
    return key;
}

} // namespace

PlanPart planPartOf(const SetupKey &key)
{
    if (key.group == SetupGroup::Link)
        return PlanPart::Link;
    if (key.group == SetupGroup::Multiview && QLatin1String(key.name) != QLatin1String("multiview.mode"))
        return PlanPart::MultiviewDetails;
    return PlanPart::Settings;
}

std::vector<CapturedRequest> planSetup(quint32 model, const SetupValues &current, const SetupValues &target,
                                       PlanPart part, quint32 linkType)
{
    const SetupValues after = merged(current, target);
    QStringList requests;
    for (const SetupKey &key : SetupKeys::all()) {
        const QString name = QLatin1String(key.name);
        const auto wanted = target.find(name);
        if (planPartOf(key) != part || wanted == target.end() || valueOf(current, name) == wanted->second ||
            requests.contains(requestName(name)))
            continue;
        requests << requestName(name);
    }
    // The link in use breaks once the device takes its new settings: it goes last.
    if (part == PlanPart::Link && linkType == 1 && requests.removeAll(QStringLiteral("link.baudRate")) > 0)
        requests << QStringLiteral("link.baudRate");
    return captureRequests(BuildContext::of(model, after), [&] {
        for (const QString &name : requests)
            build(name, after, model);
    });
}
