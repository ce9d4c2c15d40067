#pragma once

#include "GatewayAccess.h"
#include "GatewayMetrics.h"
#include "HttpMessage.h"

#include <QSet>
#include <QString>

#include <functional>
#include <vector>

class GatewayAudit;
class GatewayDevice;
class HttpConnection;

// The HTTP JSON API under /api/v1: every request is checked first (a Host that names the gateway, no
// foreign Origin, a client of the networks served, its token and scope when tokens are taken, JSON bodies
// for changes), then routed to the device it names.
class GatewayApi
{
public:
    using Devices = std::function<const std::vector<GatewayDevice *> &()>;
    using Counts = std::function<GatewayCounts()>;

    // `port` is the one the gateway listens on; `origins` the web origins besides its own that may call it.
    // Who may ask is told by `access`; every change is recorded in `audit`.
    GatewayApi(Devices devices, Counts counts, quint16 port, const QSet<QString> &origins,
               const GatewayAccess &access, GatewayAudit &audit);

    void handle(HttpConnection *connection, const HttpRequest &request);
    // Why the request may not be served at all (an invalid response when it may, with who asks in *client).
    // With `mayWait` a read may come without the token it needs (a WebSocket shows it as its first message).
    HttpResponse refusal(const HttpRequest &request, GatewayClient *client, bool mayWait = false) const;
    void setPort(quint16 listening) { port = listening; }

private:
    void route(const HttpRequest &request, const GatewayClient &asking,
               const std::function<void(const HttpResponse &)> &answer);
    // A change asked with ?hold=1 of a restarting device: routed again once the device is back (or down),
    // refused as restarting when it is not back within the restart limit.
    void holdThroughRestart(GatewayDevice *device, const HttpRequest &request, const GatewayClient &asking,
                            const std::function<void(const HttpResponse &)> &answer);
    GatewayDevice *device(const QString &id) const;

    Devices devices;
    Counts counts;
    quint16 port;
    QSet<QString> origins;
    const GatewayAccess &access;
    GatewayAudit &audit;
};
