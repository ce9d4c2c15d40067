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

// The request for one key (a null request for keys that go with another one).
Request build(const QString &key, const SetupValues &after, const DeviceContext &device)
{
    const QString value = valueOf(after, key);
    if (key == QLatin1String("output.userWidth") || key == QLatin1String("output.userHeight"))
        return SetUserResolution(valueOf(after, QStringLiteral("output.userWidth")).toInt(),
                                 valueOf(after, QStringLiteral("output.userHeight")).toInt());
    if (key == QLatin1String("multiview.aspect"))
        return SetLayoutAspect(device, indexIn(Tables::Aspects, value));
    if (key == QLatin1String("multiview.layout"))
        return SetLayoutMode(device, value.toInt());
    if (key.endsWith(QLatin1String("Window"))) {
        const QStringList n = value.split(QLatin1Char(' '));
        return n.size() == 4 ? SetUserWindow(device, n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt())
                             : Request();
    }
    if (key.startsWith(QLatin1String("multiview.window")))
        return SetWindowInput(device, quint32(key.right(1).toUInt() - 1),
                              indexIn(Tables::inputSources(device.CurrentModel), value));
    if (key == QLatin1String("link.baudRate"))
        return SetBaudrate(value.toInt());
    if (key.startsWith(QLatin1String("link.")))
        return SetNetworkInfo(
            valueOf(after, QStringLiteral("link.ip")), valueOf(after, QStringLiteral("link.port")),
            valueOf(after, QStringLiteral("link.mask")), valueOf(after, QStringLiteral("link.gateway")));
    return WriteSetting(device, key.toLatin1().constData(), value);
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

PlanPart planPartOf(const Setting &key)
{
    if (key.group == SetupGroup::Link)
        return PlanPart::Link;
    if (key.group == SetupGroup::Multiview && QLatin1String(key.name) != QLatin1String("multiview.mode"))
        return PlanPart::MultiviewDetails;
    return PlanPart::Settings;
}

std::vector<Request> planSetup(quint32 model, const SetupValues &current, const SetupValues &target,
                               PlanPart part, quint32 linkType)
{
    const SetupValues after = merged(current, target);
    QStringList names;
    for (const Setting &key : Settings::all()) {
        const QString name = QLatin1String(key.name);
        const auto wanted = target.find(name);
        if (planPartOf(key) != part || wanted == target.end() || valueOf(current, name) == wanted->second ||
            names.contains(requestName(name)))
            continue;
        names << requestName(name);
    }
    // The link in use breaks once the device takes its new settings: it goes last.
    if (part == PlanPart::Link && linkType == 1 && names.removeAll(QStringLiteral("link.baudRate")) > 0)
        names << QStringLiteral("link.baudRate");
    const DeviceContext device = DeviceContext::of(model, after);
    std::vector<Request> requests;
    for (const QString &name : names) {
        Request request = build(name, after, device);
        if (!request.isNull())
            requests.push_back(std::move(request));
    }
    return requests;
}
