#pragma once

#include "GatewayAccess.h"
#include "GatewayWrites.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <functional>
#include <memory>
#include <vector>

class GatewayAudit;
class GatewayDevice;
class QTcpSocket;

// The text control port (--tcp-control), for control systems that speak plain TCP: one command per line
// (ended by CR, LF or CR LF), run one after the other (a command waits until the one before has been
// answered), one answer line each ("OK ...", "ERR code
// text" or "PONG", ended by CR LF), with "EVENT dev key value" lines of the devices subscribed to between
// them:
//   GET dev key          OK dev key value
//   SET dev key value    OK dev key value (what the device then holds; the value is the rest of the line)
//   DO dev action [arg]  OK dev action reply
//   SUB dev | SUB *      OK      (also "EVENT dev state STATE reason" when its link state changes)
//   UNSUB dev | UNSUB *  OK
//   LIST                 OK id=state id=state ...
//   PING                 PONG
// A line over LineLimit bytes is refused and the connection closed. When tokens are taken, the first line
// must be "AUTH token" (answered "OK name scope"), within AuthMs; anything else closes the connection.
class TextControl : public QObject
{
    Q_OBJECT

public:
    static constexpr int LineLimit = 4096;
    static constexpr int ConnectionLimit = 256;
    static constexpr qint64 WriteLimit = 1024 * 1024;
    static constexpr std::size_t WaitingLimit = 64;
    static constexpr int AuthMs = 10000;

    using Devices = std::function<const std::vector<GatewayDevice *> &()>;

    // Who may connect is told by `access`; every SET and DO is recorded in `audit`.
    TextControl(Devices devices, const GatewayAccess &access, GatewayAudit &audit, QObject *parent = nullptr);
    ~TextControl() override;

    bool listen(const QHostAddress &address, quint16 port, QString *error);
    quint16 port() const { return server.serverPort(); }
    // Tells the subscribers of a device held from now on of its changes.
    void follow(GatewayDevice *device);
    int clients() const { return int(sessions.size()); }
    // Closes the connections whose token is no longer taken (the tokens file was read again).
    void revoke();

private:
    struct Session;
    void accept();
    void read(Session &session);
    void run(Session &session, const QByteArray &line);
    // Runs the command read first, when none runs.
    void runNext(Session &session);
    void tell(const QString &device, const QByteArray &line);
    void write(Session &session, const QByteArray &line);
    // Writes a last line and lets the connection go.
    void dismiss(Session &session, const QByteArray &line);
    // The answer to AUTH, or to any first line when tokens are taken (the connection let go when it shows
    // no token the gateway takes).
    QByteArray authenticate(Session &session, const QList<QByteArray> &words);
    // `then`, after recording the change in the audit.
    GatewayWrites::Answer audited(const Session &session, GatewayDevice &device, const QString &what,
                                  const QJsonObject &asked, const QStringList &keys,
                                  const GatewayWrites::Answer &then);

    Devices devices;
    const GatewayAccess &access;
    GatewayAudit &audit;
    QTcpServer server;
    std::vector<std::shared_ptr<Session>> sessions;
};
