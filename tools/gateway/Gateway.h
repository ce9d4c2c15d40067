#pragma once

#include "GatewayAccess.h"
#include "GatewayApi.h"
#include "GatewayAudit.h"
#include "GatewayConfig.h"
#include "GatewayOptions.h"

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class EventStream;
class GatewayDevice;
class HttpServer;
class TextControl;

// The gateway: the devices of its device file, each held open, and the HTTP API that serves them. The ids
// made for devices without one are kept in its state folder, so that a device keeps its id when renamed.
class Gateway : public QObject
{
    Q_OBJECT

public:
    explicit Gateway(const GatewayOptions &options, QObject *parent = nullptr);
    ~Gateway() override;

    // Reads the device file, listens and starts every device; false with the reason told on standard error.
    bool start();
    // Closes every link.
    void stop();
    // Reads the tokens file and the device file again: clients whose token is gone are let go; devices added
    // are opened, devices removed or whose link changed are closed (the changes waiting for them answered),
    // the others stay as they are. A file with problems changes nothing.
    void reload();

    // The device file as the options name it, and the folder the gateway keeps its own files in.
    static QString devicesPath(const GatewayOptions &options);
    static QString stateDir(const GatewayOptions &options);
    // The ids made before, by link key.
    static std::map<QString, QString> knownIds(const QString &stateDir);

private:
    // A device of the file, followed by the change stream, the text port and the log; not started yet.
    std::unique_ptr<GatewayDevice> adopt(const GatewayDeviceConfig &config);
    // The devices held, in the order of the device file, as the interfaces see them.
    void refreshView();
    void keepIds(const GatewayConfig &config);
    void log(const QString &text) const;
    // Tells the service manager (when run as a systemd service of Type=notify).
    void tellService(const QString &state) const;

    GatewayOptions options;
    std::vector<std::unique_ptr<GatewayDevice>> held;
    std::vector<GatewayDevice *> view;
    GatewayAccess access;
    GatewayAudit audit;
    GatewayApi api;
    std::unique_ptr<HttpServer> server;
    std::unique_ptr<EventStream> events;
    std::unique_ptr<TextControl> control;
    // Whether held-links.json was written (and is this gateway's to remove).
    bool heldWritten = false;
};
