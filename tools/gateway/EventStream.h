#pragma once

#include "GatewayAccess.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWebSocketServer>

#include <functional>
#include <memory>
#include <vector>

class GatewayDevice;
class QTcpSocket;
class QWebSocket;

// The change stream (GET /api/v1/events as a WebSocket): on connect a snapshot of the devices asked for
// (?devices=a,b&keys=output.*), then one JSON message per value change and per change of a device's state,
// each with a sequence number of its connection. A client whose unsent messages pass LagLimit bytes gets no
// more until it has read them; then one "lagged" message and a fresh snapshot, so that a slow client never
// holds up the gateway or the others and its queue stays bounded. Idle connections are pinged.
// When tokens are taken, a client that did not show one in the handshake's Authorization header sends it as
// its first message (a browser cannot set the header); it gets nothing before, and is closed when it sends
// another text or none within AuthMs.
class EventStream : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 LagLimit = 256 * 1024;
    static constexpr int PingMs = 30000;
    static constexpr int AuthMs = 10000;

    using Devices = std::function<const std::vector<GatewayDevice *> &()>;

    EventStream(Devices devices, const GatewayAccess &access, QObject *parent = nullptr);
    ~EventStream() override;

    // Takes a connection whose first request (not read yet) is the WebSocket handshake, from `client`.
    void take(QTcpSocket *socket, const GatewayClient &client);
    // Closes the connections whose token is no longer taken (the tokens file was read again).
    void revoke();
    // Follows the changes of a device held from now on.
    void follow(GatewayDevice *device);
    int clients() const { return int(subscribers.size()); }
    // Messages not sent to clients that lagged, since the start.
    qint64 dropped() const { return droppedMessages; }

private:
    struct Client;
    void accept();
    void publish(const GatewayDevice &device, const QString &key, const QJsonObject &message);
    void send(Client &client, QJsonObject message);
    void sendSnapshot(Client &client);
    void identify(Client &client, const QString &message);

    Devices devices;
    const GatewayAccess &access;
    // The clients of handshakes under way, by the address and port they come from.
    QHash<QString, GatewayClient> handshakes;
    QWebSocketServer server;
    std::vector<std::unique_ptr<Client>> subscribers;
    QTimer pings;
    qint64 droppedMessages = 0;
};
