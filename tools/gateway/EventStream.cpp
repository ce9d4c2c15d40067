#include "EventStream.h"

#include "GatewayDevice.h"

#include "setup/DeviceSetup.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>

#include <algorithm>

struct EventStream::Client
{
    QWebSocket *socket = nullptr;
    GatewayClient who;
    QSet<QString> devices; // empty: every device
    QStringList keys;      // patterns, "output.*" or a whole key; empty: every key
    qint64 seq = 0;
    bool lagging = false;

    bool wants(const QString &device) const { return devices.isEmpty() || devices.contains(device); }
    bool wantsKey(const QString &key) const
    {
        if (keys.isEmpty())
            return true;
        return std::any_of(keys.begin(), keys.end(), [&key](const QString &pattern) {
            return pattern.endsWith(QLatin1Char('*')) ? key.startsWith(pattern.chopped(1)) : key == pattern;
        });
    }
};

namespace {

QString peerKey(const QHostAddress &address, quint16 port)
{
    return address.toString() + QLatin1Char(' ') + QString::number(port);
}

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

// Who made a change: the client whose change the device runs, or "device" for one made elsewhere.
QString origin(const GatewayDevice &device, bool own)
{
    if (!own)
        return QStringLiteral("device");
    return device.changer().isEmpty() ? QStringLiteral("gateway") : device.changer();
}

QJsonValue typed(const QString &key, const QString &text)
{
    if (text.isNull())
        return QJsonValue(QJsonValue::Null);
    const Setting *setting = Settings::find(key);
    return setting ? setupJsonValue(*setting, text) : QJsonValue(text);
}

} // namespace

EventStream::EventStream(Devices deviceList, const GatewayAccess &clients, QObject *parent)
    : QObject(parent), devices(std::move(deviceList)), access(clients),
      server(QStringLiteral("lumaplex-gateway"), QWebSocketServer::NonSecureMode)
{
    connect(&server, &QWebSocketServer::newConnection, this, &EventStream::accept);
    pings.setInterval(PingMs);
    connect(&pings, &QTimer::timeout, this, [this] {
        for (const auto &client : subscribers)
            client->socket->ping();
    });
    pings.start();
}

EventStream::~EventStream() = default;

void EventStream::take(QTcpSocket *socket, const GatewayClient &client)
{
    const QString key = peerKey(socket->peerAddress(), socket->peerPort());
    handshakes.insert(key, client);
    // A handshake that fails deletes its socket; one that succeeds keeps it under its WebSocket.
    connect(socket, &QObject::destroyed, this, [this, key] { handshakes.remove(key); });
    server.handleConnection(socket);
}

void EventStream::revoke()
{
    for (const auto &client : subscribers) {
        if (!access.stillHolds(client->who))
            client->socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                                  QStringLiteral("the token is no longer taken"));
    }
}

void EventStream::identify(Client &client, const QString &message)
{
    const std::optional<GatewayClient> holder = access.identify(client.who, message.trimmed().toUtf8());
    if (!holder) {
        client.socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                             QStringLiteral("the token is not one of this gateway's"));
        return;
    }
    client.who = *holder;
    sendSnapshot(client);
}

void EventStream::accept()
{
    while (QWebSocket *socket = server.nextPendingConnection()) {
        auto client = std::make_unique<Client>();
        client->socket = socket;
        client->who = handshakes.take(peerKey(socket->peerAddress(), socket->peerPort()));
        socket->setParent(this);
        const QUrlQuery query(socket->requestUrl());
        for (const QString &id :
             query.queryItemValue(QStringLiteral("devices")).split(QLatin1Char(','), Qt::SkipEmptyParts))
            client->devices.insert(id);
        client->keys =
            query.queryItemValue(QStringLiteral("keys")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        Client *held = client.get();
        subscribers.push_back(std::move(client));
        connect(socket, &QWebSocket::disconnected, this, [this, held] {
            held->socket->deleteLater();
            subscribers.erase(
                std::find_if(subscribers.begin(), subscribers.end(),
                             [held](const std::unique_ptr<Client> &c) { return c.get() == held; }));
        });
        // A client that has read what waited gets going again, with what it missed as a fresh snapshot.
        connect(socket, &QWebSocket::bytesWritten, this, [this, held] {
            if (held->lagging && held->socket->bytesToWrite() < LagLimit / 4) {
                held->lagging = false;
                send(*held, QJsonObject{{QStringLiteral("type"), QStringLiteral("lagged")}});
                sendSnapshot(*held);
            }
        });
        if (held->who.identified) {
            sendSnapshot(*held);
            continue;
        }
        connect(socket, &QWebSocket::textMessageReceived, this, [this, held](const QString &message) {
            if (!held->who.identified)
                identify(*held, message);
        });
        QTimer::singleShot(AuthMs, socket, [held] {
            if (!held->who.identified)
                held->socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                                    QStringLiteral("no token was shown in time"));
        });
    }
}

void EventStream::follow(GatewayDevice *device)
{
    connect(&device->session().device(), &DeviceModel::SGL_ValueChanged, this,
            [this, device](const QString &key, const QString &oldValue, const QString &newValue, bool own) {
                // A value read the first time after linking is no change.
                if (oldValue.isNull())
                    return;
                publish(*device, key,
                        QJsonObject{{QStringLiteral("type"), QStringLiteral("value")},
                                    {QStringLiteral("device"), device->id()},
                                    {QStringLiteral("key"), key},
                                    {QStringLiteral("old"), typed(key, oldValue)},
                                    {QStringLiteral("new"), typed(key, newValue)},
                                    {QStringLiteral("origin"), origin(*device, own)},
                                    {QStringLiteral("time"), now()}});
            });
    connect(device, &GatewayDevice::SGL_StateChanged, this,
            [this, device](LinkState state, const QString &reason) {
                publish(*device, QString(),
                        QJsonObject{{QStringLiteral("type"), QStringLiteral("state")},
                                    {QStringLiteral("device"), device->id()},
                                    {QStringLiteral("state"), QLatin1String(linkStateName(state))},
                                    {QStringLiteral("reason"), reason},
                                    {QStringLiteral("time"), now()}});
            });
}

void EventStream::publish(const GatewayDevice &device, const QString &key, const QJsonObject &message)
{
    for (const auto &client : subscribers) {
        if (client->who.identified && client->wants(device.id()) && (key.isNull() || client->wantsKey(key)))
            send(*client, message);
    }
}

void EventStream::send(Client &client, QJsonObject message)
{
    if (client.lagging) {
        ++droppedMessages;
        return;
    }
    message.insert(QStringLiteral("seq"), ++client.seq);
    client.socket->sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    if (client.socket->bytesToWrite() > LagLimit)
        client.lagging = true;
}

void EventStream::sendSnapshot(Client &client)
{
    QJsonArray list;
    for (const GatewayDevice *device : devices()) {
        if (!client.wants(device->id()))
            continue;
        QJsonObject values;
        for (const auto &[key, text] : device->session().device().values()) {
            if (client.wantsKey(key))
                values.insert(key, typed(key, text));
        }
        list.append(QJsonObject{{QStringLiteral("device"), device->id()},
                                {QStringLiteral("state"), QLatin1String(linkStateName(device->state()))},
                                {QStringLiteral("reason"), device->reason()},
                                {QStringLiteral("values"), values}});
    }
    send(client, QJsonObject{{QStringLiteral("type"), QStringLiteral("snapshot")},
                             {QStringLiteral("time"), now()},
                             {QStringLiteral("devices"), list}});
}
