#include "GatewayDevice.h"

#include "setup/SetupReader.h"

#include <algorithm>

const char *linkStateName(LinkState state)
{
    switch (state) {
    case LinkState::Connecting:
        return "connecting";
    case LinkState::Syncing:
        return "syncing";
    case LinkState::Up:
        return "up";
    case LinkState::NotAnswering:
        return "not_answering";
    case LinkState::Frozen:
        return "frozen";
    case LinkState::Restarting:
        return "restarting";
    case LinkState::Down:
        return "down";
    }
    return "";
}

void DeviceStats::count(LinkReply::Outcome outcome, qint32 roundTripUs)
{
    switch (outcome) {
    case LinkReply::Outcome::Answered: {
        ++answered;
        const double seconds = double(roundTripUs) / 1e6;
        replySeconds += seconds;
        std::size_t bucket = 0;
        while (bucket < Bounds.size() && seconds > Bounds[bucket])
            ++bucket;
        ++buckets[bucket];
        break;
    }
    case LinkReply::Outcome::TimedOut:
        ++timedOut;
        break;
    case LinkReply::Outcome::Dropped:
        ++dropped;
        break;
    case LinkReply::Outcome::LinkEnded:
        ++linkEnded;
        break;
    default:
        break; // written, awaiting no reply: not a command that could end otherwise
    }
}

GatewayDevice::GatewayDevice(const GatewayDeviceConfig &config, QObject *parent)
    : QObject(parent), settings(config), changedAt(QDateTime::currentDateTimeUtc())
{
    // Nothing of the traffic is read back: the ring stays at its small size, and the log is not kept.
    link.setTrafficRecording(false);
    why = QStringLiteral("not started");
    retry.setSingleShot(true);
    connect(&link, &LinkSession::SGL_RequestEnded, this,
            [this](LinkReply::Outcome outcome, qint32 roundTripUs) {
                counted.count(outcome, roundTripUs);
                summaryText.clear();
            });
    // What else the summary shows: the requests queued, the values (model, firmware), the state.
    connect(&link, &LinkSession::SGL_RequestQueued, this, [this] { summaryText.clear(); });
    connect(&link, &LinkSession::SGL_CommandsDropped, this, [this] { summaryText.clear(); });
    connect(&link.device(), &DeviceModel::SGL_ValueChanged, this, [this] { summaryText.clear(); });
    connect(&retry, &QTimer::timeout, this, &GatewayDevice::dial);
    connect(&link, &LinkSession::SGL_ConnectStatus, this,
            [this](quint32, bool ok, int code, const QString &reason) {
                connected(ok, reason.isEmpty() ? QStringLiteral("error %1").arg(code) : reason);
            });
    connect(&link, &LinkSession::SGL_LinkLost, this, [this](quint32, int code, const QString &reason) {
        drop(LinkState::Down, reason.isEmpty() ? QStringLiteral("link lost (error %1)").arg(code)
                                               : QStringLiteral("link lost: %1").arg(reason));
    });
    connect(&link, &LinkSession::SGL_RestartWait, this, [this](quint32, int) {
        if (current != LinkState::Restarting)
            setState(LinkState::Restarting, QStringLiteral("the device restarts"));
    });
    connect(&link, &LinkSession::SGL_RestartOver, this, [this](quint32, bool back) {
        if (back) {
            setState(LinkState::Syncing, QStringLiteral("back after its restart"));
            // Held until the restart's end: the queued model reply comes first.
            QMetaObject::invokeMethod(this, &GatewayDevice::synced, Qt::QueuedConnection);
        } else {
            drop(LinkState::Down, QStringLiteral("not back after its restart"));
        }
    });
    DeviceWatch &watch = link.watch();
    connect(&watch, &DeviceWatch::SGL_AnsweringChanged, this, [this](bool answering) {
        if (answering && (current == LinkState::NotAnswering || current == LinkState::Frozen))
            setState(LinkState::Up, QStringLiteral("answers again"));
        else if (!answering && current == LinkState::Up)
            setState(LinkState::NotAnswering, QStringLiteral("a watch read went without reply"));
    });
    connect(&watch, &DeviceWatch::SGL_GivenUp, this, [this] {
        drop(LinkState::Frozen,
             QStringLiteral("no reply to %1 reads in a row").arg(DeviceWatch::MissesToGiveUp));
    });
    connect(&link.device(), &DeviceModel::SGL_ValueChanged, this,
            [this](const QString &, const QString &oldValue, const QString &, bool own) {
                if (!own && !oldValue.isNull() && isUsable())
                    lastChangeAt = QDateTime::currentDateTimeUtc();
            });
}

GatewayDevice::~GatewayDevice()
{
    if (running)
        stop();
}

quint32 GatewayDevice::model() const
{
    const DeviceContext &context = link.device().context();
    return context.ModelIdentified ? context.CurrentModel : NoModel;
}

void GatewayDevice::start()
{
    running = true;
    setState(LinkState::Connecting, QStringLiteral("dialling %1").arg(settings.link.linkText()));
    dial();
}

void GatewayDevice::stop()
{
    halt(QStringLiteral("stopped"));
}

void GatewayDevice::retire(const QString &reason)
{
    halt(reason);
    retiring = true;
    if (!jobRunning)
        runNextJob();
}

void GatewayDevice::halt(const QString &reason)
{
    running = false;
    retry.stop();
    reader.reset();
    link.closeLink();
    setState(LinkState::Down, reason);
}

void GatewayDevice::dial()
{
    if (!running)
        return;
    // Dialled again, a device stays down or frozen until it answers: its reason still holds meanwhile.
    const SavedDevice &device = settings.link;
    if (device.serial) {
        LinkSession::SerialSettings serial;
        serial.portName = device.address;
        if (device.baud > 0)
            serial.baudRate = QString::number(device.baud);
        link.openSerial(serial);
    } else {
        link.openTcpClient(settings.localAddress.isEmpty() ? QStringLiteral("0.0.0.0")
                                                           : settings.localAddress,
                           device.address, QString::number(device.port));
    }
}

void GatewayDevice::connected(bool ok, const QString &reason)
{
    if (!ok) {
        drop(LinkState::Down, QStringLiteral("cannot open %1: %2").arg(settings.link.linkText(), reason));
        return;
    }
    if (current != LinkState::Frozen)
        setState(LinkState::Syncing, QStringLiteral("reading its values"));
    synced();
}

// Reads the device's whole state; it is up once read.
void GatewayDevice::synced()
{
    reader = std::make_unique<SetupReader>(link);
    connect(reader.get(), &SetupReader::SGL_Finished, this, [this] {
        const SetupReader::Outcome outcome = reader->outcome();
        const QString named = reader->reportedModel();
        reader.release()->deleteLater();
        switch (outcome) {
        case SetupReader::Outcome::Done:
        case SetupReader::Outcome::TimedOut:
            if (model() == NoModel) {
                drop(LinkState::Frozen, QStringLiteral("no reply to the model read"));
                return;
            }
            retryMs = FirstRetryMs;
            link.watch().setInterval(settings.watchSeconds);
            setState(LinkState::Up, outcome == SetupReader::Outcome::Done
                                        ? QStringLiteral("read")
                                        : QStringLiteral("read, some values without reply"));
            break;
        case SetupReader::Outcome::UnknownModel:
            drop(LinkState::Down, QStringLiteral("an unknown model \"%1\"").arg(named));
            break;
        default:
            break; // the loss of the link says so itself
        }
    });
    reader->start(SetupReader::allGroups(), NoModel);
}

void GatewayDevice::drop(LinkState state, const QString &reason)
{
    reader.reset();
    link.watch().setInterval(0);
    link.closeLink();
    setState(state, reason);
    if (!running)
        return;
    ++redials;
    summaryText.clear();
    retry.start(retryMs);
    retryMs = std::min(retryMs * 2, LastRetryMs);
}

void GatewayDevice::followRestart()
{
    const LinkTarget now = link.target();
    QList<LinkTarget> targets{now};
    LinkTarget factory = now;
    factory.serial.baudRate = LinkSerialSettings().baudRate;
    if (now.type == LinkSerial && factory.serial.baudRate != now.serial.baudRate)
        targets << factory;
    link.followRestartAfterLastCommand(targets);
}

void GatewayDevice::setState(LinkState state, const QString &reason)
{
    if (state == current && reason == why)
        return;
    const bool changed = state != current;
    summaryText.clear();
    current = state;
    why = reason;
    if (changed)
        changedAt = QDateTime::currentDateTimeUtc();
    emit SGL_StateChanged(state, reason);
}

bool GatewayDevice::enqueue(const Job &job, const QString &by)
{
    if (jobs.size() >= JobLimit)
        return false;
    jobs.emplace_back(job, by);
    if (!jobRunning)
        runNextJob();
    return true;
}

void GatewayDevice::runNextJob()
{
    if (jobs.empty()) {
        jobRunning = false;
        if (retiring)
            deleteLater();
        return;
    }
    jobRunning = true;
    const Job job = std::move(jobs.front().first);
    changerName = std::move(jobs.front().second);
    jobs.pop_front();
    // Each job's end is taken once, and the next starts from the event loop, not inside the one that ended.
    auto ended = std::make_shared<bool>(false);
    job([this, ended] {
        if (*ended)
            return;
        *ended = true;
        changerName.clear();
        QMetaObject::invokeMethod(this, &GatewayDevice::runNextJob, Qt::QueuedConnection);
    });
}
