#pragma once

#include "CommandHandler.h"
#include "DeviceState.h"
#include "FaultInjector.h"
#include "SimOptions.h"
#include "StateStore.h"
#include "TrafficLog.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

class PtyTransport;
class ReplyWriter;
class SimLink;
class TcpClient;
class TcpTransport;

// What the control port of a fleet makes one device do.
enum class DeviceFault
{
    Freeze,     // keeps its connections and reads nothing more
    Silent,     // reads every request and answers none
    Disconnect, // drops its connections and accepts new ones
    Clear,      // works normally again; a frozen device reads what waited meanwhile
};

// The simulated device: its one state, its ways in (any number of clients on the TCP control port, a serial
// line on a pseudo-terminal), the faults it is told to show and the traffic log.
class Simulator : public QObject
{
    Q_OBJECT
public:
    explicit Simulator(const SimOptions &options, QObject *parent = nullptr);
    ~Simulator() override;

    // Loads the state, opens the links and prints where it listens; false (with a message on standard error)
    // when it cannot.
    bool start();
    // Saves the state and removes the serial link.
    void shutdown();

    void setFault(DeviceFault fault);
    // The TCP port it listens on now (0 without TCP).
    quint16 tcpPort() const;
    QString modelName() const { return state.modelName; }

private:
    // One link with its outgoing queue and the number of replies written since the peer connected.
    struct Session
    {
        SimLink *link = nullptr;
        TcpClient *client = nullptr; // the same link when it is a TCP client
        ReplyWriter *writer = nullptr;
        int replies = 0;
    };

    void attach(Session &session, SimLink *link);
    void addClient(TcpClient *client);
    void removeClient(TcpClient *client);
    // Every link with a peer: the TCP clients and the serial line.
    QList<Session *> sessions();
    void handleLine(Session &session, const QByteArray &line);
    void queueReply(Session &session, const QByteArray &reply);
    // Sends the reply lines of a change, unasked, to every link but the one that made it (--announce).
    void announceChange(const Session &from, const QList<QByteArray> &lines);
    void freeze();
    void runAction(SimResponse::Action action);
    bool listenTcp(const QHostAddress &address, quint16 port, QString *error);
    void applyNetwork();
    void beginReset();
    void endReset();
    void sendStatusLines();
    QByteArray lineEnd() const
    {
        return options.crOnly ? QByteArrayLiteral("\r") : QByteArrayLiteral("\r\n");
    }
    QString tcpText() const;
    // The link's name in the traffic log; a fleet's devices put their index before it ("3:tcp").
    QString tagOf(const SimLink *link) const;
    // A line printed even with --quiet; a fleet's devices begin it with their index.
    void announce(const QString &text) const;

    SimOptions options;
    DeviceState state;
    CommandHandler handler;
    FaultInjector faults;
    TrafficLog log;
    StateStore store;
    NetworkSettings factoryNetwork;
    QHostAddress factoryAddress;

    TcpTransport *tcp = nullptr;
    PtyTransport *pty = nullptr;
    std::vector<std::unique_ptr<Session>> tcpSessions;
    Session ptySession;

    bool restarting = false;
    bool frozen = false;
    QTimer floodTimer;
    QElapsedTimer floodClock;
    qint64 statusLinesSent = 0;
};
