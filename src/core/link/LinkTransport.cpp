#include "link/LinkTransport.h"

#include "link/LinkPort.h"
#include "protocol/ByteHelpers.h"

#include <QIODevice>

#include <algorithm>
#include <climits>
#include <utility>

namespace {
// Gap before every write, so that the device has finished with the previous reply.
constexpr int SendGapMs = 50;
// Traffic records kept for a session that does not take them.
constexpr std::size_t MaxTrafficRecords = 10000;
constexpr char CarriageReturn = '\r';

int timerMs(quint32 ms)
{
    return int(std::min<quint32>(ms, INT_MAX));
}
} // namespace

LinkTransport::LinkTransport(QObject *parent)
    : QObject(parent), gapMs(SendGapMs), gapTimer(preciseTimer(&LinkTransport::gapOver)),
      matchTimer(preciseTimer(&LinkTransport::replyWaitOver)),
      waitTimer(preciseTimer(&LinkTransport::pauseOver))
{
    // The reports cross threads with their data when the session lives on another one.
    static const bool registered = [] {
        qRegisterMetaType<ReceivedLines>("ReceivedLines");
        qRegisterMetaType<TrafficRecords>("TrafficRecords");
        return true;
    }();
    Q_UNUSED(registered)
    line.reserve(LineBufferSize);
}

LinkTransport::~LinkTransport()
{
    close();
}

QTimer *LinkTransport::preciseTimer(void (LinkTransport::*slot)())
{
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    // Coarse timers may fire a little early; the gap, reply time-outs and pauses are lower bounds.
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, slot);
    return timer;
}

bool LinkTransport::isUp() const
{
    return current == State::Idle || current == State::Gap || current == State::AwaitingReply ||
           current == State::Pausing;
}

void LinkTransport::open(LinkPort *linkPort)
{
    if (current != State::Unopened) {
        delete linkPort;
        return;
    }
    port = linkPort;
    port->setParent(this);
    connect(port, &LinkPort::opened, this, &LinkTransport::portOpened);
    connect(port, &LinkPort::lost, this, &LinkTransport::portLost);
    connect(port, &LinkPort::readyRead, this, &LinkTransport::receive);
    current = State::Opening;
    port->open();
}

void LinkTransport::close()
{
    if (current == State::Ended)
        return;
    current = State::Ended;
    ++generation;
    gapTimer->stop();
    matchTimer->stop();
    waitTimer->stop();
    sendQueue.clear();
    received.clear();
    linesAfterWrite = false;
    if (port) {
        port->disconnect(this);
        port->shutDown();
        // The port may be in the middle of emitting the signal that ended the link.
        port->setParent(nullptr);
        port->deleteLater();
        port = nullptr;
    }
    // What the link did last still belongs in the log.
    reportTraffic();
}

void LinkTransport::portOpened(bool ok, int errorCode, const QString &reason, bool localCause)
{
    if (current != State::Opening)
        return;
    if (!ok) {
        // Nothing queued for a link that never came up is written on another.
        close();
        emit opened(false, errorCode, reason, localCause);
        return;
    }
    current = State::Idle;
    const quint32 link = generation;
    emit opened(true, 0, QString(), false);
    // Bytes the device sent as the link came up.
    if (link == generation)
        receive();
    if (link == generation)
        trySend();
}

void LinkTransport::portLost(int errorCode, const QString &reason)
{
    if (!isUp())
        return;
    // What the device sent before it went is still handed on, whether or not the session asked for more.
    const ReceivedLines lastLines = std::exchange(received, {});
    close();
    if (!lastLines.empty())
        emit linesArrived(lastLines);
    emit lost(errorCode, reason);
}

void LinkTransport::enqueue(const QueueEntry &entry)
{
    if (entry.data.isEmpty() || current == State::Ended)
        return;
    sendQueue.push_back(entry);
    trySend();
}

void LinkTransport::withdraw(const std::vector<quint64> &ids)
{
    const auto withdrawn = [&ids](const QueueEntry &entry) {
        return std::find(ids.begin(), ids.end(), entry.id) != ids.end();
    };
    sendQueue.erase(std::remove_if(sendQueue.begin(), sendQueue.end(), withdrawn), sendQueue.end());
}

void LinkTransport::trySend()
{
    if (current != State::Idle || sendQueue.empty())
        return;
    current = State::Gap;
    if (gapMs <= 0)
        gapOver();
    else
        gapTimer->start(gapMs);
}

void LinkTransport::gapOver()
{
    if (current != State::Gap)
        return;
    const quint32 link = generation;
    // Bytes that came in before this write are processed now, when no command is in flight: they cannot
    // release the command written next. A command queued by a receiver of those lines waits behind.
    takeWaitingBytes();
    if (link != generation || current != State::Gap)
        return;
    if (sendQueue.empty()) {
        current = State::Idle;
    } else {
        QueueEntry entry = std::move(sendQueue.front());
        sendQueue.pop_front();
        write(std::move(entry));
    }
    if (link == generation && std::exchange(linesAfterWrite, false))
        announceLines();
}

void LinkTransport::write(QueueEntry &&entry)
{
    const QByteArray &bytes = entry.data;
    rule = entry.rule;
    if (port)
        port->write(bytes);
    TrafficRecord written = stampedRecord(TrafficRecord::Written, bytes);
    written.commandId = entry.id;
    inFlightCommand = bytes;
    inFlightId = entry.id;
    writtenAtUs = written.monotonicUs;
    record(std::move(written));
    timeoutText = rule.reportTimeout && rule.expectReply
                      ? BytesToText(bytes.constData(), quint32(bytes.size()))
                      : QString();
    const quint32 link = generation;
    const bool awaitsReply = rule.expectReply;
    if (awaitsReply) {
        current = State::AwaitingReply;
        matchTimer->start(timerMs(rule.timeoutMs));
    } else {
        current = State::Pausing;
        waitTimer->start(timerMs(rule.waitMs));
        pauseAnnounced = rule.waitMs > 0;
    }
    reportTraffic();
    emit this->written(entry.id, Latin1Text(bytes.constData(), quint32(bytes.size())));
    if (awaitsReply || link != generation)
        return;
    emit commandEnded(entry.id, false);
    if (link == generation && pauseAnnounced)
        emit pauseStarted(timerMs(rule.waitMs));
}

void LinkTransport::replyWaitOver()
{
    if (current != State::AwaitingReply)
        return;
    const quint32 link = generation;
    // A reply that waits unread (this thread was busy when it came) is in time.
    takeWaitingBytes();
    if (link != generation || current != State::AwaitingReply)
        return;
    matchTimer->stop();
    current = State::Idle;
    // The timed-out command's rule stops matching here, so that a late reply can never release the command
    // that follows.
    rule.expectReply = 0;
    TrafficRecord timedOut = stampedRecord(TrafficRecord::TimedOut, inFlightCommand);
    timedOut.commandId = inFlightId;
    timedOut.roundTripUs = qint32(std::min<quint64>(quint64(rule.timeoutMs) * 1000, INT_MAX));
    record(std::move(timedOut));
    reportTraffic();
    emit commandEnded(inFlightId, true);
    if (link == generation && !timeoutText.isEmpty())
        emit replyTimedOut(timeoutText);
    if (link == generation)
        trySend();
}

void LinkTransport::pauseOver()
{
    if (current != State::Pausing)
        return;
    current = State::Idle;
    const quint32 link = generation;
    if (std::exchange(pauseAnnounced, false))
        emit pauseEnded();
    if (link == generation)
        trySend();
}

void LinkTransport::takeWaitingBytes()
{
    receive();
    if (port && isUp())
        port->readPending();
}

void LinkTransport::receive()
{
    if (!isUp() || receiving)
        return;
    receiving = true;
    const quint32 link = generation;
    while (link == generation) {
        QIODevice *device = port ? port->device() : nullptr;
        if (!device || !device->isOpen() || device->bytesAvailable() <= 0)
            break;
        processChunk(device->readAll());
    }
    receiving = false;
    if (link != generation)
        return;
    // Every line read so far has been matched against the command in flight when it came; only now may the
    // next command go. Lines that released a command are reported once the next one is written after its
    // gap; others at once.
    const bool releasedNow = std::exchange(released, false);
    if (releasedNow)
        trySend();
    if (!std::exchange(linesToAnnounce, false))
        return;
    if (releasedNow && current == State::Gap)
        linesAfterWrite = true;
    else
        announceLines();
}

void LinkTransport::announceLines()
{
    // All the lines at once, unless those handed on before are still being worked through: the rest wait
    // here, in the bounded queue, until the session wants them.
    if (linesNoticed || received.empty())
        return;
    linesNoticed = true;
    // The log before the lines: a receiver of a line may look up the command it answered.
    reportTraffic();
    emit linesArrived(std::exchange(received, {}));
}

void LinkTransport::wantLines()
{
    // A session that asks takes every line there is, also those whose notice waits for the next write.
    linesNoticed = false;
    announceLines();
}

void LinkTransport::reportTraffic()
{
    if (!traffic.empty())
        emit trafficRecorded(std::exchange(traffic, {}));
}

void LinkTransport::processChunk(const QByteArray &chunk)
{
    const int size = chunk.size();
    int i = 0;
    // Control bytes at the start of a chunk (typically the LF of the previous line's CR LF) are dropped; the
    // rest of the chunk is kept.
    while (i < size && uchar(chunk[i]) < 0x20 && chunk[i] != CarriageReturn)
        ++i;
    // When the line waiting in the buffer cannot take the chunk's first line (up to its CR, or the whole
    // chunk) without growing past the buffer, the waiting bytes are dropped and the chunk starts a new line:
    // unended noise must not cost the reply that follows it.
    if (!line.isEmpty() && !skippingOverlongLine) {
        const int firstEnd = chunk.indexOf(CarriageReturn, i);
        const int firstLine = (firstEnd < 0 ? size : firstEnd + 1) - i;
        if (line.size() + firstLine > LineBufferSize)
            line.resize(0);
    }
    for (; i < size; ++i) {
        const char byte = chunk[i];
        if (skippingOverlongLine) {
            // The rest of a line that did not fit is discarded up to and including its CR.
            if (byte == CarriageReturn)
                skippingOverlongLine = false;
            continue;
        }
        if (line.size() == LineBufferSize) {
            line.resize(0);
            skippingOverlongLine = byte != CarriageReturn;
            continue;
        }
        line.append(byte);
        if (byte == CarriageReturn)
            completeLine();
    }
}

void LinkTransport::completeLine()
{
    const QByteArray complete(line.constData(), line.size());
    TrafficRecord receivedRecord = stampedRecord(TrafficRecord::Received, complete);
    ReceivedLine entry{complete, 0, 0};
    if (current == State::AwaitingReply && lineMatchesRule()) {
        // One release per command: later lines, also of this chunk, meet no command in flight.
        current = State::Idle;
        matchTimer->stop();
        rule.expectReply = 0;
        released = true;
        entry.answers = inFlightId;
        entry.roundTripUs = qint32(std::min<qint64>(receivedRecord.monotonicUs - writtenAtUs, INT_MAX));
        receivedRecord.command = inFlightCommand;
        receivedRecord.commandId = inFlightId;
        receivedRecord.roundTripUs = entry.roundTripUs;
    }
    record(std::move(receivedRecord));
    if (received.size() >= std::size_t(MaxQueuedLines)) {
        // A device's unsolicited lines go before the replies to the tool's commands.
        const auto unsolicited = std::find_if(received.begin(), received.end(),
                                              [](const ReceivedLine &queued) { return queued.answers == 0; });
        received.erase(unsolicited != received.end() ? unsolicited : received.begin());
    }
    received.push_back(std::move(entry));
    linesToAnnounce = true;
    line.resize(0);
}

bool LinkTransport::lineMatchesRule() const
{
    if (!rule.expectReply)
        return false;
    const quint32 slotCount = std::min<quint32>(rule.keywordCount, 2);
    for (quint32 slot = 0; slot < slotCount; ++slot) {
        const quint32 keywordLength = rule.keywordLength(int(slot));
        if (quint32(line.size()) < keywordLength)
            continue;
        if (rule.acceptAnyLine || FindWholeWords(line.constData(), quint32(line.size()),
                                                 rule.keyword[slot].constData(), keywordLength))
            return true;
    }
    return false;
}

void LinkTransport::record(TrafficRecord &&entry)
{
    if (!recording)
        return;
    if (traffic.size() >= MaxTrafficRecords)
        traffic.pop_front();
    traffic.push_back(std::move(entry));
}
