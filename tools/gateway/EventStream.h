#pragma once

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
class EventStream : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 LagLimit = 256 * 1024;
    static constexpr int PingMs = 30000;

    using Devices = std::function<const std::vector<GatewayDevice *> &()>;

    explicit EventStream(Devices devices, QObject *parent = nullptr);
    ~EventStream() override;

    // Takes a connection whose first request (not read yet) is the WebSocket handshake.
    void take(QTcpSocket *socket);
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

    Devices devices;
    QWebSocketServer server;
    std::vector<std::unique_ptr<Client>> subscribers;
    QTimer pings;
    qint64 droppedMessages = 0;
};
