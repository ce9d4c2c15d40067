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

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QJsonValue typed(const QString &key, const QString &text)
{
    if (text.isNull())
        return QJsonValue(QJsonValue::Null);
    const Setting *setting = Settings::find(key);
    return setting ? setupJsonValue(*setting, text) : QJsonValue(text);
}

} // namespace

EventStream::EventStream(Devices deviceList, QObject *parent)
    : QObject(parent), devices(std::move(deviceList)),
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

void EventStream::take(QTcpSocket *socket)
{
    server.handleConnection(socket);
}

void EventStream::accept()
{
    while (QWebSocket *socket = server.nextPendingConnection()) {
        auto client = std::make_unique<Client>();
        client->socket = socket;
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
        sendSnapshot(*held);
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
                                    {QStringLiteral("origin"),
                                     own ? QStringLiteral("gateway") : QStringLiteral("device")},
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
        if (client->wants(device.id()) && (key.isNull() || client->wantsKey(key)))
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
