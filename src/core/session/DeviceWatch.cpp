#include "session/DeviceWatch.h"

#include "protocol/Catalogue.h"
#include "session/LinkSession.h"

DeviceWatch::DeviceWatch(LinkSession &linkSession, QObject *parent) : QObject(parent), session(linkSession)
{
    connect(&roundTimer, &QTimer::timeout, this, &DeviceWatch::beginRound);
    restTimer.setSingleShot(true);
    connect(&restTimer, &QTimer::timeout, this, &DeviceWatch::step);
    connect(&session.device(), &DeviceModel::SGL_Identified, this, &DeviceWatch::restart);
    connect(&session, &LinkSession::SGL_LinkClosed, this, &DeviceWatch::stop);
    connect(&session, &LinkSession::SGL_Idle, this, &DeviceWatch::step);
    connect(&session, &LinkSession::SGL_PauseStarted, this, [this] { paused = true; });
    connect(&session, &LinkSession::SGL_PauseEnded, this, [this] {
        paused = false;
        step();
    });
    connect(&session, &LinkSession::SGL_RestartWait, this, [this] {
        restarting = true;
        stop();
    });
    connect(&session, &LinkSession::SGL_RestartOver, this, [this] { restarting = false; });
}

void DeviceWatch::setInterval(int seconds)
{
    intervalS = qMax(0, seconds);
    restart();
}

void DeviceWatch::hold()
{
    ++holds;
}

void DeviceWatch::release()
{
    if (holds > 0 && --holds == 0)
        step();
}

void DeviceWatch::restFor(int ms)
{
    if (!restTimer.isActive() || restTimer.remainingTime() < ms)
        restTimer.start(ms);
}

qint64 DeviceWatch::confirmedAgoMs() const
{
    return confirmed.isValid() ? confirmed.elapsed() : -1;
}

void DeviceWatch::restart()
{
    stop();
    const DeviceContext &device = session.device().context();
    if (intervalS <= 0 || session.linkType() == 0 || device.CurrentModel >= NoModel)
        return;
    // The reads that follow the identification confirm the state first; the rounds follow.
    roundTimer.start(intervalS * 1000);
}

void DeviceWatch::stop()
{
    roundTimer.stop();
    round.clear();
    next = 0;
    inFlight = false;
    confirmed.invalidate();
    if (misses > 0) {
        misses = 0;
        emit SGL_AnsweringChanged(true);
    }
}

bool DeviceWatch::resting() const
{
    return !roundTimer.isActive() || holds > 0 || paused || restarting || restTimer.isActive();
}

void DeviceWatch::beginRound()
{
    // A round that has not ended yet (the link was busy) goes on; the next starts after it.
    if (next < round.size() || inFlight)
        return;
    round = reads();
    next = 0;
    roundMissed = false;
    step();
}

void DeviceWatch::step()
{
    if (resting() || inFlight || !session.isIdle())
        return;
    // What the identification made the pages read has been answered: the state is confirmed.
    if (!confirmed.isValid() && round.empty()) {
        confirmed.start();
        emit SGL_Confirmed();
    }
    while (next < round.size()) {
        LinkReply *reply = session.send(round[next++]);
        if (!reply)
            continue;
        inFlight = true;
        if (reply->isFinished())
            ended(*reply);
        else
            connect(reply, &LinkReply::finished, this, [this, reply] { ended(*reply); });
        return;
    }
}

void DeviceWatch::ended(const LinkReply &reply)
{
    inFlight = false;
    switch (reply.outcome()) {
    case LinkReply::Outcome::Answered:
        if (misses > 0) {
            misses = 0;
            emit SGL_AnsweringChanged(true);
        }
        break;
    case LinkReply::Outcome::TimedOut:
        roundMissed = true;
        if (++misses == 1)
            emit SGL_AnsweringChanged(false);
        if (misses >= MissesToGiveUp) {
            roundTimer.stop();
            emit SGL_GivenUp();
            return;
        }
        break;
    case LinkReply::Outcome::Dropped:
        // An operator's request took its place before it was written: it is read again when the link is idle.
        if (next > 0)
            --next;
        return;
    default:
        // The link ended (or was closed): the round goes with it.
        return;
    }
    if (next >= round.size() && !roundMissed) {
        confirmed.start();
        emit SGL_Confirmed();
    }
    step();
}

std::vector<Request> DeviceWatch::reads() const
{
    const DeviceModel &model = session.device();
    const DeviceContext &device = model.context();
    std::vector<Request> requests;
    const auto add = [&requests](Request request) {
        for (const Request &queued : requests) {
            if (request.isNull() || queued.line == request.line)
                return;
        }
        if (request.isNull())
            return;
        request.watch = true;
        // Its time-out opens no box: that box is for the operator's own commands.
        request.rule.reportTimeout = 0;
        requests.push_back(std::move(request));
    };
    for (const Setting &key : Settings::all()) {
        if (key.group != SetupGroup::Link)
            add(ReadSetting(device, key.name));
    }
    if (model.value(QStringLiteral("output.resolution")) == QLatin1String("USER"))
        add(GetUserResolution());
    add(GetUserWindow(device));
    add(session.linkType() == LinkSerial ? GetBaudrate() : GetNetworkInfo());
    return requests;
}
