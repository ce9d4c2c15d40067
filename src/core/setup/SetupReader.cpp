#include "setup/SetupReader.h"

#include "protocol/Catalogue.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"
#include "session/LinkSession.h"
#include "setup/LinkExchange.h"

SetupReader::SetupReader(LinkSession &linkSession, QObject *parent) : QObject(parent), session(linkSession)
{
    connect(&session.device(), &DeviceModel::SGL_ValueReported, this,
            [this](const QString &key) { reported.insert(key); });
}

QList<SetupGroup> SetupReader::allGroups()
{
    return {SetupGroup::Output, SetupGroup::Edid, SetupGroup::Audio, SetupGroup::Multiview, SetupGroup::Link};
}

void SetupReader::start(const QList<SetupGroup> &wanted, quint32 model)
{
    groups = wanted;
    read = DeviceSetup();
    read.saved = QDateTime::currentDateTimeUtc();
    reported.clear();
    userResolutionAsked = false;
    userWindowAsked = false;
    result = Outcome::Running;
    delete exchange;
    exchange = new LinkExchange(session, this);
    exchange->setReplyHandler([this](const LinkReply &reply) { ended(reply); });
    connect(exchange, &LinkExchange::SGL_Settled, this, &SetupReader::settle);
    connect(exchange, &LinkExchange::SGL_LinkLost, this, [this] { finish(Outcome::LinkLost); });
    modelKnown = model < NoModel;
    read.model = model;
    if (modelKnown) {
        modelWord = read.modelName();
        readGroups();
    } else if (!exchange->send({GetModelType()})) {
        finish(Outcome::LinkLost);
    }
}

bool SetupReader::wants(SetupGroup group) const
{
    return groups.contains(group);
}

QStringList SetupReader::timedOut() const
{
    return exchange ? exchange->timedOut() : QStringList();
}

SetupValues SetupReader::reportedValues() const
{
    SetupValues values;
    for (const auto &entry : session.device().values()) {
        if (reported.contains(entry.first))
            values.insert(entry);
    }
    return values;
}

void SetupReader::readGroups()
{
    // Each read once, in the order of the key table.
    const DeviceContext device = DeviceContext::of(read.model, {});
    std::vector<Request> requests;
    if (wants(SetupGroup::Output) && userResolutionAlways) {
        userResolutionAsked = true;
        requests.push_back(GetUserResolution());
    }
    QList<QByteArray> asked;
    for (const Setting &key : Settings::all()) {
        const Request request = wants(key.group) ? ReadSetting(device, key.name) : Request();
        if (!request.isNull() && !asked.contains(request.line)) {
            asked << request.line;
            requests.push_back(request);
        }
    }
    if (requests.empty())
        QMetaObject::invokeMethod(this, &SetupReader::settle, Qt::QueuedConnection);
    else if (!exchange->send(requests))
        finish(Outcome::LinkLost);
}

void SetupReader::ended(const LinkReply &reply)
{
    if (result != Outcome::Running || reply.outcome() != LinkReply::Outcome::Answered)
        return;
    if (!modelKnown) {
        const ParsedReply model = parseReplyLine(reply.replyLine(), NoModel, ModeSingle);
        if (model.keyword != KwModelType)
            return;
        modelWord = model.text.trimmed();
        if (!model.apply || model.index < 0)
            return finish(Outcome::UnknownModel);
        read.model = quint32(model.index);
        modelKnown = true;
        readGroups();
        return;
    }
    followUp();
}

void SetupReader::followUp()
{
    const SetupValues values = reportedValues();
    const DeviceContext device = DeviceContext::of(read.model, values);
    std::vector<Request> requests;
    const auto resolution = values.find(QStringLiteral("output.resolution"));
    if (wants(SetupGroup::Output) && !userResolutionAsked && resolution != values.end() &&
        resolution->second == QLatin1String("USER")) {
        userResolutionAsked = true;
        requests.push_back(GetUserResolution());
    }
    const Setting *pipWindow = Settings::find(QStringLiteral("multiview.pipWindow"));
    const Setting *presenter = Settings::find(QStringLiteral("multiview.presenterWindow"));
    const bool complete = values.count(QStringLiteral("multiview.mode")) &&
                          (values.count(QStringLiteral("multiview.pipSize")) ||
                           values.count(QStringLiteral("multiview.layout")));
    if (wants(SetupGroup::Multiview) && !userWindowAsked && complete &&
        (Settings::applies(*pipWindow, read.model, values) ||
         Settings::applies(*presenter, read.model, values))) {
        userWindowAsked = true;
        requests.push_back(GetUserWindow(device));
    }
    if (!requests.empty() && !exchange->send(requests))
        finish(Outcome::LinkLost);
}

void SetupReader::settle()
{
    if (result != Outcome::Running)
        return;
    if (!modelKnown) {
        finish(Outcome::TimedOut);
        return;
    }
    finish(exchange->timedOut().isEmpty() ? Outcome::Done : Outcome::TimedOut);
}

void SetupReader::finish(Outcome outcome)
{
    if (result != Outcome::Running)
        return;
    result = outcome;
    if (modelKnown) {
        read.values = reportedValues();
        const SetupValues all = read.values;
        Settings::prune(read.model, read.values);
        if (userResolutionAlways) {
            for (const char *key : {"output.userWidth", "output.userHeight"}) {
                const auto it = all.find(QLatin1String(key));
                if (it != all.end())
                    read.values.insert(*it);
            }
        }
        for (auto it = read.values.begin(); it != read.values.end();) {
            const Setting *key = Settings::find(it->first);
            it = key && wants(key->group) ? std::next(it) : read.values.erase(it);
        }
    }
    emit SGL_Finished();
}
