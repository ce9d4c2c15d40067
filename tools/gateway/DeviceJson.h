#pragma once

#include <QJsonObject>

class GatewayDevice;

// A device held by the gateway as the API shows it.
namespace DeviceJson {

// id, name, link, model, firmware, state with its reason and since when, the last change made elsewhere, and
// the link's health.
QJsonObject summary(const GatewayDevice &device);
// The summary as compact JSON text, made again only when something in it changed.
QByteArray summaryJson(const GatewayDevice &device);
// The summary's id and state, and every value by key, typed as a setup file holds it.
QJsonObject values(const GatewayDevice &device);

} // namespace DeviceJson
