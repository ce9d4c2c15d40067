#include "GatewayMetrics.h"

#include "GatewayDevice.h"

#include "config/Version.h"
#include "protocol/ValueTables.h"

namespace {

// A label value with backslashes, quotes and line breaks escaped.
QByteArray escaped(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    return bytes;
}

QByteArray label(const GatewayDevice &device)
{
    return "device=\"" + escaped(device.id()) + '"';
}

QByteArray number(double value)
{
    return QByteArray::number(value, 'g', 15);
}

void head(QByteArray &out, const char *name, const char *type, const char *help)
{
    out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

// One line per device with the value `of` gives it.
template <typename Of>
void perDevice(QByteArray &out, const std::vector<GatewayDevice *> &devices, const char *name,
               const char *type, const char *help, Of of)
{
    head(out, name, type, help);
    for (const GatewayDevice *device : devices)
        out += QByteArray(name) + '{' + label(*device) + "} " + number(of(*device)) + '\n';
}

} // namespace

QByteArray metricsText(const std::vector<GatewayDevice *> &devices, const GatewayCounts &counts)
{
    QByteArray out;
    head(out, "lumaplex_build_info", "gauge", "The gateway's version, as a label; always 1.");
    out += "lumaplex_build_info{version=\"" LUMAPLEX_VERSION "\"} 1\n";
    perDevice(out, devices, "lumaplex_device_up", "gauge", "Whether the device is linked, read and watched.",
              [](const GatewayDevice &d) { return d.isUsable() ? 1 : 0; });
    perDevice(out, devices, "lumaplex_device_frozen", "gauge",
              "Whether the device's link holds while nothing answers.",
              [](const GatewayDevice &d) { return d.state() == LinkState::Frozen ? 1 : 0; });
    perDevice(out, devices, "lumaplex_device_restarting", "gauge", "Whether the device restarts on purpose.",
              [](const GatewayDevice &d) { return d.state() == LinkState::Restarting ? 1 : 0; });

    head(out, "lumaplex_device_info", "gauge", "The device's model, firmware and link, as labels; always 1.");
    for (const GatewayDevice *device : devices) {
        const quint32 model = device->model();
        out += "lumaplex_device_info{" + label(*device) + ",model=\"" +
               (model == NoModel ? QByteArray() : QByteArray(Tables::Models.at(model))) + "\",firmware=\"" +
               escaped(device->session().device().value(QStringLiteral("firmware.version"))) + "\",link=\"" +
               escaped(device->config().link.linkText()) + "\"} 1\n";
    }

    head(out, "lumaplex_reply_seconds", "histogram", "Time from the write of a command to its reply.");
    for (const GatewayDevice *device : devices) {
        const DeviceStats &stats = device->stats();
        quint64 below = 0;
        for (std::size_t i = 0; i < DeviceStats::Bounds.size(); ++i) {
            below += stats.buckets[i];
            out += "lumaplex_reply_seconds_bucket{" + label(*device) + ",le=\"" +
                   number(DeviceStats::Bounds[i]) + "\"} " + QByteArray::number(below) + '\n';
        }
        below += stats.buckets.back();
        out += "lumaplex_reply_seconds_bucket{" + label(*device) + ",le=\"+Inf\"} " +
               QByteArray::number(below) + '\n';
        out += "lumaplex_reply_seconds_sum{" + label(*device) + "} " + number(stats.replySeconds) + '\n';
        out += "lumaplex_reply_seconds_count{" + label(*device) + "} " + QByteArray::number(below) + '\n';
    }

    head(out, "lumaplex_commands_total", "counter", "Commands sent to the device, by how they ended.");
    for (const GatewayDevice *device : devices) {
        const DeviceStats &stats = device->stats();
        const std::pair<const char *, quint64> results[] = {{"answered", stats.answered},
                                                            {"timed_out", stats.timedOut},
                                                            {"dropped", stats.dropped},
                                                            {"link_ended", stats.linkEnded}};
        for (const auto &[result, count] : results)
            out += "lumaplex_commands_total{" + label(*device) + ",result=\"" + result + "\"} " +
                   QByteArray::number(count) + '\n';
    }
    perDevice(out, devices, "lumaplex_reconnects_total", "counter",
              "Times the device's link was dialled again.",
              [](const GatewayDevice &d) { return d.reconnects(); });
    perDevice(out, devices, "lumaplex_last_change_timestamp_seconds", "gauge",
              "When a value last changed on the device by another hand than the gateway's (0: not yet).",
              [](const GatewayDevice &d) {
                  return d.lastChange().isValid() ? double(d.lastChange().toMSecsSinceEpoch()) / 1000.0 : 0.0;
              });

    head(out, "lumaplex_clients", "gauge", "Clients connected, by interface.");
    out += "lumaplex_clients{interface=\"http\"} " + QByteArray::number(counts.httpClients) + '\n';
    out += "lumaplex_clients{interface=\"websocket\"} " + QByteArray::number(counts.websocketClients) + '\n';
    out += "lumaplex_clients{interface=\"text\"} " + QByteArray::number(counts.textClients) + '\n';
    head(out, "lumaplex_events_dropped_total", "counter",
         "Change events not sent to clients that lagged behind.");
    out += "lumaplex_events_dropped_total " + QByteArray::number(counts.eventsDropped) + '\n';
    return out;
}
