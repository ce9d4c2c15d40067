#include "setup/SetupRestore.h"

#include "session/LinkSession.h"
#include "setup/LinkExchange.h"
#include "setup/SetupPlan.h"
#include "setup/SetupReader.h"

#include <utility>

SetupRestore::SetupRestore(LinkSession &linkSession, QObject *parent) : QObject(parent), session(linkSession)
{
}

SetupRestore::~SetupRestore()
{
    if (watchHeld)
        session.watch().release();
}

QStringList SetupRestore::timedOut() const
{
    return unanswered + (exchange ? exchange->timedOut().mid(exchangeTimeoutsTaken) : QStringList());
}

void SetupRestore::start(const DeviceSetup &setup, bool withLinkSettings)
{
    // Watching rests while the device is written: its reads would only see values on their way.
    if (!std::exchange(watchHeld, true))
        session.watch().hold();
    target = setup;
    withLink = withLinkSettings;
    result = Outcome::Running;
    sentLines.clear();
    unanswered.clear();
    exchangeTimeoutsTaken = 0;
    differences.clear();
    delete exchange;
    exchange = new LinkExchange(session, this);
    connect(exchange, &LinkExchange::SGL_Settled, this, &SetupRestore::settled);
    connect(exchange, &LinkExchange::SGL_LinkLost, this, [this] {
        // Link settings that the device took end the link: that is what they were sent for.
        finish(step == Step::LinkSettings ? (differences.isEmpty() ? Outcome::Matches : Outcome::Differs)
                                          : Outcome::LinkLost);
    });
    layoutReadAgain = false;
    read(Step::Identify, {});
}

SetupValues SetupRestore::targetWithoutLink() const
{
    SetupValues values = target.values;
    for (auto it = values.begin(); it != values.end();)
        it = it->first.startsWith(QLatin1String("link.")) ? values.erase(it) : std::next(it);
    return values;
}

QList<SetupGroup> SetupRestore::targetGroups(bool link) const
{
    QList<SetupGroup> groups;
    for (const auto &entry : target.values) {
        const Setting *key = Settings::find(entry.first);
        if (key && !groups.contains(key->group) && (link || key->group != SetupGroup::Link))
            groups << key->group;
    }
    return groups;
}

void SetupRestore::read(Step next, const QList<SetupGroup> &groups)
{
    step = next;
    delete reader;
    reader = new SetupReader(session, this);
    connect(reader, &SetupReader::SGL_Finished, this, &SetupRestore::readDone);
    // What the device holds of a user resolution counts even while it shows another resolution, so that
    // an equal one is not written again (each write holds the link back).
    reader->setReadUserResolution(target.values.count(QStringLiteral("output.userWidth")) > 0);
    reader->start(groups, step == Step::Identify ? 5 : initial.model);
}

void SetupRestore::readDone()
{
    const SetupReader::Outcome outcome = reader->outcome();
    unanswered += reader->timedOut();
    if (outcome == SetupReader::Outcome::LinkLost)
        return finish(Outcome::LinkLost);
    switch (step) {
    case Step::Identify:
        return identified();
    case Step::ReadBefore:
        return readBefore();
    case Step::ReadLayout: {
        SetupValues now = initial.values;
        for (const auto &entry : reader->setup().values)
            now[entry.first] = entry.second;
        bool readAgain = false;
        const std::vector<Request> requests = planLayout(now, &readAgain);
        return send(readAgain ? Step::LayoutOptions : Step::LayoutDetails, requests);
    }
    default:
        break;
    }
    // The read-back.
    differences = setupDifferences(targetWithoutLink(), reader->setup().values);
    if (withLink)
        return send(Step::LinkSettings, planSetup(target.model, initial.values, target.values, PlanPart::Link,
                                                  session.linkType()));
    finish(differences.isEmpty() ? Outcome::Matches : Outcome::Differs);
}

void SetupRestore::identified()
{
    deviceModel = reader->reportedModel();
    if (reader->outcome() == SetupReader::Outcome::UnknownModel)
        return finish(Outcome::UnknownModel);
    if (reader->setup().model >= 5)
        return finish(Outcome::TimedOut);
    // Nothing is read or written on a device of another model.
    if (reader->setup().model != target.model)
        return finish(Outcome::OtherModel);
    initial.model = target.model;
    read(Step::ReadBefore, targetGroups(withLink));
}

void SetupRestore::readBefore()
{
    initial = reader->setup();
    const SetupValues wanted = targetWithoutLink();
    std::vector<Request> requests = planSetup(target.model, initial.values, wanted, PlanPart::Settings);
    const auto mode = wanted.find(QStringLiteral("multiview.mode"));
    const auto shown = initial.values.find(QStringLiteral("multiview.mode"));
    if (mode != wanted.end() && (shown == initial.values.end() || shown->second != mode->second))
        return send(Step::Settings, requests);
    // The device shows the layout of the setup already.
    bool readAgain = false;
    const std::vector<Request> layout = planLayout(initial.values, &readAgain);
    requests.insert(requests.end(), layout.begin(), layout.end());
    send(readAgain ? Step::LayoutOptions : Step::LayoutDetails, requests);
}

std::vector<Request> SetupRestore::planLayout(const SetupValues &now, bool *readAgain)
{
    SetupValues wanted = targetWithoutLink();
    *readAgain = false;
    if (!layoutReadAgain) {
        SetupValues options = wanted;
        bool windowUnknown = false;
        for (const char *window : {"multiview.pipWindow", "multiview.presenterWindow"}) {
            const QString key = QLatin1String(window);
            windowUnknown = windowUnknown || (wanted.count(key) && !now.count(key));
        }
        for (auto it = options.begin(); it != options.end();) {
            const bool later = it->first.endsWith(QLatin1String("Window")) ||
                               it->first.startsWith(QLatin1String("multiview.window"));
            it = later ? options.erase(it) : std::next(it);
        }
        std::vector<Request> first = planSetup(target.model, now, options, PlanPart::MultiviewDetails);
        if (windowUnknown && !first.empty()) {
            layoutReadAgain = true;
            *readAgain = true;
            return first;
        }
    }
    return planSetup(target.model, now, wanted, PlanPart::MultiviewDetails);
}

void SetupRestore::send(Step next, const std::vector<Request> &requests)
{
    step = next;
    for (const Request &request : requests)
        sentLines << QString::fromLatin1(request.line).remove(QLatin1Char('\r'));
    if (requests.empty())
        return settled();
    if (!exchange->send(requests))
        finish(Outcome::LinkLost);
}

void SetupRestore::settled()
{
    // In the order they happened: those of this step before those of the reads that follow.
    const QStringList newTimeouts = exchange->timedOut().mid(exchangeTimeoutsTaken);
    unanswered += newTimeouts;
    exchangeTimeoutsTaken += newTimeouts.size();
    switch (step) {
    case Step::Settings:
    case Step::LayoutOptions:
        return read(Step::ReadLayout, {SetupGroup::Multiview});
    case Step::LayoutDetails:
        return read(Step::ReadBack, targetGroups(false));
    case Step::LinkSettings:
        return finish(differences.isEmpty() ? Outcome::Matches : Outcome::Differs);
    default:
        break;
    }
}

void SetupRestore::finish(Outcome outcome)
{
    if (result != Outcome::Running)
        return;
    result = outcome;
    if (std::exchange(watchHeld, false))
        session.watch().release();
    emit SGL_Finished();
}
