#include "Simulator.h"

#include "PtyTransport.h"
#include "ReplyWriter.h"
#include "TcpTransport.h"

#include <QJsonObject>

#include <algorithm>
#include <cstdio>

namespace {

// The address the device reports for itself: the listen address, or loopback when it listens on all.
QString reportedAddress(const QHostAddress &address)
{
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6)
        return QStringLiteral("127.0.0.1");
    return address.toString();
}

} // namespace

Simulator::Simulator(const SimOptions &options, QObject *parent)
    : QObject(parent), options(options), handler(state), faults(options), log(options.quiet),
      store(options.stateFile)
{
    connect(&floodTimer, &QTimer::timeout, this, &Simulator::sendStatusLines);
}

Simulator::~Simulator()
{
    shutdown();
}

bool Simulator::start()
{
    factoryAddress = options.tcpAddress;
    factoryNetwork.ip = reportedAddress(options.tcpAddress);
    factoryNetwork.port = options.tcpPort;

    QJsonObject saved;
    const bool loaded = store.load(&saved);
    QString modelName = options.model;
    if (loaded && !options.modelGiven && !saved.value(QLatin1String("model")).toString().trimmed().isEmpty())
        modelName = saved.value(QLatin1String("model")).toString().trimmed().section(QLatin1Char(' '), 0, 0);
    state = loaded ? DeviceState::fromJson(saved, modelName, factoryNetwork)
                   : DeviceState::factory(modelName, factoryNetwork);
    if (options.baud > 0)
        state.baudRate = options.baud;

    if (options.tcpEnabled) {
        tcp = new TcpTransport(this);
        connect(tcp, &TcpTransport::clientConnected, this, &Simulator::addClient);
        // A device whose network settings were written earlier comes back on them, unless told otherwise.
        QHostAddress address = options.tcpAddress;
        quint16 port = options.tcpPort;
        const QHostAddress savedAddress(state.network.ip);
        if (loaded && !options.tcpGiven && savedAddress.isLoopback()) {
            address = savedAddress;
            port = state.network.port;
        }
        QString error;
        if (!listenTcp(address, port, &error) && (address != options.tcpAddress || port != options.tcpPort)) {
            printError(QStringLiteral("cannot listen on the saved %1:%2 (%3), using %4:%5")
                           .arg(address.toString())
                           .arg(port)
                           .arg(error, options.tcpAddress.toString())
                           .arg(options.tcpPort));
            address = options.tcpAddress;
            port = options.tcpPort;
            error.clear();
            listenTcp(address, port, &error);
        }
        if (!tcp->isListening()) {
            printError(
                QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(error));
            return false;
        }
        if (options.tcpPort == 0 && address == options.tcpAddress)
            factoryNetwork.port = tcp->port();
    }
    handler.setFactoryNetwork(factoryNetwork);

    if (!options.ptyLink.isEmpty()) {
        pty = new PtyTransport(this);
        QString error;
        if (!pty->open(options.ptyLink, state.baudRate, &error)) {
            printError(QStringLiteral("cannot serve the serial line at %1: %2").arg(options.ptyLink, error));
            return false;
        }
        attach(ptySession, pty);
        if (options.baud > 0)
            pty->leaveLineToPeer();
    }

    store.save(state);
    QStringList where;
    if (tcp)
        where << QStringLiteral("tcp %1").arg(tcpText());
    if (pty)
        where << QStringLiteral("pty %1 (link %2)").arg(pty->terminalPath(), pty->linkPath());
    // A fleet prints where its devices listen itself.
    if (options.index < 0)
        announce(QStringLiteral("%1 listening on %2").arg(state.modelName, where.join(QLatin1String(", "))));

    if (options.flood > 0) {
        floodClock.start();
        floodTimer.start(qBound(5, 1000 / options.flood, 1000));
    }
    if (options.freezeAfterMs == 0)
        freeze();
    else if (options.freezeAfterMs > 0)
        QTimer::singleShot(options.freezeAfterMs, this, &Simulator::freeze);
    return true;
}

void Simulator::shutdown()
{
    floodTimer.stop();
    store.save(state);
    // The links go first, so that nothing they report while closing reaches a half-destroyed simulator.
    // Each writer goes with its link.
    for (Session *session : sessions())
        session->link->disconnect(this);
    if (tcp)
        tcp->disconnect(this);
    delete tcp;
    delete pty;
    tcpSessions.clear();
    ptySession = Session();
    tcp = nullptr;
    pty = nullptr;
}

void Simulator::attach(Session &session, SimLink *link)
{
    session.link = link;
    session.writer = new ReplyWriter([link](const QByteArray &bytes) { return link->writeBytes(bytes); },
                                     options.split, link);
    connect(link, &SimLink::lineReceived, this,
            [this, &session](const QByteArray &line) { handleLine(session, line); });
}

void Simulator::addClient(TcpClient *client)
{
    tcpSessions.push_back(std::make_unique<Session>());
    Session &session = *tcpSessions.back();
    session.client = client;
    attach(session, client);
    connect(client, &TcpClient::closed, this, [this, client] { removeClient(client); });
    log.note(tagOf(client), QStringLiteral("client %1 connected").arg(client->peer()));
}

// The link deletes itself, with its writer, once the connection is down.
void Simulator::removeClient(TcpClient *client)
{
    log.note(tagOf(client), QStringLiteral("client disconnected"));
    client->disconnect(this);
    const auto it = std::find_if(tcpSessions.begin(), tcpSessions.end(),
                                 [client](const auto &session) { return session->client == client; });
    if (it == tcpSessions.end())
        return;
    (*it)->writer->clear();
    tcpSessions.erase(it);
}

QList<Simulator::Session *> Simulator::sessions()
{
    QList<Session *> all;
    for (const auto &session : tcpSessions)
        all << session.get();
    if (ptySession.link)
        all << &ptySession;
    return all;
}

void Simulator::handleLine(Session &session, const QByteArray &line)
{
    const QString tag = tagOf(session.link);
    log.received(tag, line);
    if (frozen)
        return;
    if (restarting) {
        log.note(tag, QStringLiteral("ignored: the device is restarting"));
        return;
    }
    // A line set otherwise than the device's own reaches it garbled: it does not answer.
    if (options.baud > 0 && session.link == pty &&
        pty->lineSettings() != QStringLiteral("%1 8N1").arg(state.baudRate)) {
        log.note(tag, QStringLiteral("ignored: the line is set to %1, the device runs at %2 8N1")
                          .arg(pty->lineSettings())
                          .arg(state.baudRate));
        return;
    }
    const SimRequest request = SimRequest::parse(line);
    const SimResponse response = handler.handle(line);
    if (response.changed)
        store.save(state);
    if (!response.lines.isEmpty() && faults.withholds(request)) {
        log.note(tag, faults.isSilent() ? QStringLiteral("no reply (silent)")
                                        : QStringLiteral("no reply (--no-reply)"));
    } else {
        for (const QByteArray &reply : response.lines)
            queueReply(session, reply);
        if (options.announce && response.changed)
            announceChange(session, response.lines);
    }
    if (response.action != SimResponse::Action::None) {
        const SimResponse::Action action = response.action;
        session.writer->enqueue(QByteArray(), options.delayMs, [this, action] { runAction(action); });
    }
}

void Simulator::queueReply(Session &session, const QByteArray &reply)
{
    const QString tag = tagOf(session.link);
    const FaultInjector::Decision decision = faults.nextReply();
    if (decision.garbageFirst) {
        const QByteArray garbage = FaultInjector::garbageLine() + lineEnd();
        session.writer->enqueue(garbage, options.delayMs, [this, tag, garbage] { log.sent(tag, garbage); });
    }
    if (decision.drop) {
        log.note(tag, QStringLiteral("reply dropped (--drop-every): %1").arg(TrafficLog::escape(reply)));
        return;
    }
    const QByteArray bytes = reply + lineEnd();
    session.writer->enqueue(bytes, options.delayMs, [this, &session, tag, bytes] {
        log.sent(tag, bytes);
        ++session.replies;
        if (options.disconnectAfter > 0 && session.replies >= options.disconnectAfter && session.client) {
            log.note(tag, QStringLiteral("closing the connection (--disconnect-after)"));
            session.client->close(); // ends the session
        }
    });
}

void Simulator::announceChange(const Session &from, const QList<QByteArray> &lines)
{
    for (Session *other : sessions()) {
        if (other == &from || !other->link->isConnected())
            continue;
        const QString tag = tagOf(other->link);
        for (const QByteArray &line : lines) {
            const QByteArray bytes = line + lineEnd();
            other->writer->enqueue(bytes, options.delayMs, [this, tag, bytes] { log.sent(tag, bytes); });
        }
    }
}

// A hung firmware: the network stack still holds and accepts connections, nothing answers any more.
void Simulator::freeze()
{
    frozen = true;
    floodTimer.stop();
    for (Session *session : sessions())
        session->writer->clear();
    announce(QStringLiteral("frozen: no more answers"));
}

void Simulator::runAction(SimResponse::Action action)
{
    switch (action) {
    case SimResponse::Action::ApplyBaudRate:
        if (pty && pty->setBaudRate(state.baudRate))
            log.note(tagOf(pty), QStringLiteral("line speed now %1 baud").arg(state.baudRate));
        break;
    case SimResponse::Action::ApplyNetwork:
        applyNetwork();
        break;
    case SimResponse::Action::Reset:
        beginReset();
        break;
    case SimResponse::Action::None:
        break;
    }
}

bool Simulator::listenTcp(const QHostAddress &address, quint16 port, QString *error)
{
    if (!tcp->listen(address, port, error))
        return false;
    state.network.ip = reportedAddress(tcp->address());
    state.network.port = tcp->port();
    return true;
}

// Written network settings that name this device (its own or a loopback address) move the control port;
// the clients are dropped, as a real device drops them when its address changes.
void Simulator::applyNetwork()
{
    if (!tcp || restarting)
        return;
    const QHostAddress written(state.network.ip);
    const QHostAddress current = tcp->address();
    if (!written.isLoopback() && written != current)
        return;
    const bool listensOnAll = current == QHostAddress::Any || current == QHostAddress::AnyIPv4;
    const QHostAddress target = listensOnAll ? current : written;
    const quint16 port = state.network.port;
    const quint16 currentPort = tcp->port();
    if (target == current && port == currentPort)
        return;
    tcp->stopListening();
    QString error;
    if (!listenTcp(target, port, &error)) {
        printError(QStringLiteral("cannot move to %1:%2 (%3), staying on %4:%5")
                       .arg(target.toString())
                       .arg(port)
                       .arg(error, current.toString())
                       .arg(currentPort));
        if (!listenTcp(current, currentPort, &error))
            printError(QStringLiteral("cannot listen again: %1").arg(error));
    }
    store.save(state);
    announce(QStringLiteral("listening on tcp %1").arg(tcpText()));
}

void Simulator::beginReset()
{
    restarting = true;
    for (Session *session : sessions())
        session->writer->clear();
    if (tcp)
        tcp->stopListening();
    announce(QStringLiteral("restarting with factory settings, unreachable for %1 ms").arg(options.resetMs));
    QTimer::singleShot(options.resetMs, this, &Simulator::endReset);
}

void Simulator::endReset()
{
    restarting = false;
    if (pty)
        pty->setBaudRate(state.baudRate);
    if (!tcp) {
        announce(QStringLiteral("restarted"));
        return;
    }
    QString error;
    if (!listenTcp(factoryAddress, factoryNetwork.port, &error)) {
        printError(QStringLiteral("cannot listen again on %1:%2: %3")
                       .arg(factoryAddress.toString())
                       .arg(factoryNetwork.port)
                       .arg(error));
        return;
    }
    store.save(state);
    announce(QStringLiteral("listening on tcp %1").arg(tcpText()));
}

void Simulator::sendStatusLines()
{
    const qint64 due = floodClock.elapsed() * options.flood / 1000;
    for (; statusLinesSent < due; ++statusLinesSent) {
        if (restarting)
            continue;
        const QByteArray bytes = faults.statusLine() + lineEnd();
        for (Session *session : sessions()) {
            if (!session->link->isConnected())
                continue;
            const QString tag = tagOf(session->link);
            session->writer->enqueue(bytes, 0, [this, tag, bytes] { log.sent(tag, bytes); });
        }
    }
}

void Simulator::setFault(DeviceFault fault)
{
    switch (fault) {
    case DeviceFault::Freeze:
        freeze();
        // Nothing more is read: what the tool writes waits in the connection.
        if (tcp)
            tcp->setReading(false);
        break;
    case DeviceFault::Silent:
        faults.setSilent(true);
        for (Session *session : sessions())
            session->writer->clear();
        announce(QStringLiteral("silent: requests are read and not answered"));
        break;
    case DeviceFault::Disconnect:
        if (tcp)
            tcp->dropClients();
        announce(QStringLiteral("connections dropped"));
        break;
    case DeviceFault::Clear:
        frozen = false;
        faults.setSilent(false);
        if (options.flood > 0 && !floodTimer.isActive())
            floodTimer.start();
        if (tcp)
            tcp->setReading(true);
        announce(QStringLiteral("working normally"));
        break;
    }
}

quint16 Simulator::tcpPort() const
{
    return tcp ? tcp->port() : 0;
}

QString Simulator::tagOf(const SimLink *link) const
{
    return options.index < 0 ? link->tag() : QStringLiteral("%1:%2").arg(options.index).arg(link->tag());
}

void Simulator::announce(const QString &text) const
{
    TrafficLog::announce(options.index < 0 ? text
                                           : QStringLiteral("device %1: %2").arg(options.index).arg(text));
}

QString Simulator::tcpText() const
{
    const QHostAddress address = tcp->address();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(tcp->port());
}
