#pragma once

#include <QByteArray>

#include <vector>

class GatewayDevice;

// What the gateway serves beside its devices, for the metrics: its clients per interface and the events it
// could not send to lagging clients.
struct GatewayCounts
{
    int httpClients = 0;
    int websocketClients = 0;
    int textClients = 0;
    qint64 eventsDropped = 0;
};

// GET /metrics: the Prometheus text exposition (format 0.0.4) of every device and of the gateway.
QByteArray metricsText(const std::vector<GatewayDevice *> &devices, const GatewayCounts &counts);
