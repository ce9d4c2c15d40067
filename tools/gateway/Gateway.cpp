#include "Gateway.h"

#include "EventStream.h"
#include "GatewayDevice.h"
#include "HttpServer.h"
#include "ServiceNotify.h"
#include "TextControl.h"

#include "config/AppPaths.h"
#include "config/AtomicFile.h"
#include "session/HeldLinks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include <cstdio>

namespace {

const char *const IdsFormat = "lumaplex-gateway-ids";

} // namespace

Gateway::Gateway(const GatewayOptions &gatewayOptions, QObject *parent)
    : QObject(parent), options(gatewayOptions), access(gatewayOptions), audit(gatewayOptions.auditFile),
      api([this]() -> const std::vector<GatewayDevice *> & { return view; },
          [this] {
              GatewayCounts counts;
              counts.httpClients = server ? server->connections() : 0;
              counts.websocketClients = events ? events->clients() : 0;
              counts.textClients = control ? control->clients() : 0;
              counts.eventsDropped = events ? events->dropped() : 0;
              return counts;
          },
          gatewayOptions.listen.port, gatewayOptions.allowedOrigins, access, audit)
{
}

Gateway::~Gateway()
{
    stop();
}

QString Gateway::devicesPath(const GatewayOptions &options)
{
    return options.devicesFile.isEmpty() ? SavedDeviceFile::path() : options.devicesFile;
}

QString Gateway::stateDir(const GatewayOptions &options)
{
    // The service's own folder (systemd's StateDirectory), else below the app folder, else the system's.
    const QString service = qEnvironmentVariable("STATE_DIRECTORY").split(QLatin1Char(':')).first();
    if (!service.isEmpty())
        return service;
    if (!options.appDir.isEmpty())
        return options.appDir + QStringLiteral("/gateway");
    const QString system = QStringLiteral("/var/lib/lumaplex");
    if (QFileInfo(system).isDir() && AppPaths::isWritable(system))
        return system;
    return AppPaths::settingsDir() + QStringLiteral("/gateway");
}

std::map<QString, QString> Gateway::knownIds(const QString &stateDir)
{
    std::map<QString, QString> ids;
    QFile file(stateDir + QStringLiteral("/ids.json"));
    if (!file.open(QIODevice::ReadOnly))
        return ids;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(IdsFormat))
        return ids;
    for (const QJsonValue &entry : root.value(QLatin1String("ids")).toArray()) {
        const QString link = entry[QLatin1String("link")].toString();
        const QString id = entry[QLatin1String("id")].toString();
        if (!link.isEmpty() && isValidDeviceId(id))
            ids[link] = id;
    }
    return ids;
}

void Gateway::keepIds(const GatewayConfig &config)
{
    const QString dir = stateDir(options);
    std::map<QString, QString> ids = knownIds(dir);
    const std::map<QString, QString> before = ids;
    for (const GatewayDeviceConfig &device : config.devices)
        ids[device.linkKey()] = device.id;
    if (ids == before)
        return;
    QJsonArray entries;
    for (const auto &[link, id] : ids)
        entries.append(QJsonObject{{QStringLiteral("link"), link}, {QStringLiteral("id"), id}});
    const QJsonObject root{{QStringLiteral("format"), QLatin1String(IdsFormat)},
                           {QStringLiteral("version"), 1},
                           {QStringLiteral("ids"), entries}};
    QString error;
    if (!writeFileAtomically(dir + QStringLiteral("/ids.json"), QJsonDocument(root).toJson(), &error))
        log(QStringLiteral("cannot keep the device ids in %1: %2").arg(dir, error));
}

bool Gateway::start()
{
    const QString path = devicesPath(options);
    const GatewayConfig config = GatewayConfig::read(path, knownIds(stateDir(options)));
    if (!config.problems.isEmpty()) {
        for (const QString &problem : config.problems)
            std::fprintf(stderr, "lumaplex-gateway: %s: %s\n", qPrintable(path), qPrintable(problem));
        return false;
    }
    QStringList problems;
    if (!access.load(&problems)) {
        for (const QString &problem : problems)
            std::fprintf(stderr, "lumaplex-gateway: %s: %s\n", qPrintable(options.tokensFile),
                         qPrintable(problem));
        return false;
    }
    keepIds(config);
    if (!options.auditFile.isEmpty()) {
        QFile file(options.auditFile);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "lumaplex-gateway: cannot write the audit log %s: %s\n",
                         qPrintable(options.auditFile), qPrintable(file.errorString()));
            return false;
        }
    }
    events = std::make_unique<EventStream>([this]() -> const std::vector<GatewayDevice *> & { return view; },
                                           access);
    server = std::make_unique<HttpServer>(
        [this](HttpConnection *connection, const HttpRequest &request) { api.handle(connection, request); },
        [this](QTcpSocket *socket, const HttpRequest &request) {
            GatewayClient client;
            if (request.path != QLatin1String("/api/v1/events") ||
                api.refusal(request, &client, true).status != 0)
                return false;
            events->take(socket, client);
            return true;
        });
    const auto cannotListen = [](const GatewayEndpoint &endpoint, const QString &error) {
        std::fprintf(stderr, "lumaplex-gateway: cannot listen on %s:%u: %s\n",
                     qPrintable(endpoint.address.toString()), unsigned(endpoint.port), qPrintable(error));
        return false;
    };
    QString error;
    if (!server->listen(options.listen.address, options.listen.port, &error))
        return cannotListen(options.listen, error);
    api.setPort(server->port());
    if (options.control.port != 0) {
        control = std::make_unique<TextControl>(
            [this]() -> const std::vector<GatewayDevice *> & { return view; }, access, audit);
        if (!control->listen(options.control.address, options.control.port, &error))
            return cannotListen(options.control, error);
    }
    for (const GatewayDeviceConfig &device : config.devices)
        held.push_back(adopt(device));
    refreshView();
    log(QStringLiteral("serving %1 device(s) on http://%2:%3/api/v1/")
            .arg(held.size())
            .arg(options.listen.address.toString())
            .arg(server->port()));
    if (control)
        log(QStringLiteral("text control on %1:%2")
                .arg(options.control.address.toString())
                .arg(control->port()));
    if (access.takesTokens())
        log(QStringLiteral("%1 token(s) of %2 taken").arg(access.tokens()).arg(options.tokensFile));
    for (const auto &device : held)
        device->start();
    tellService(QStringLiteral("READY=1\nSTATUS=serving %1 device(s)").arg(held.size()));
    return true;
}

std::unique_ptr<GatewayDevice> Gateway::adopt(const GatewayDeviceConfig &config)
{
    auto device = std::make_unique<GatewayDevice>(config);
    GatewayDevice *added = device.get();
    events->follow(added);
    if (control)
        control->follow(added);
    connect(
        added, &GatewayDevice::SGL_StateChanged, this, [this, added](LinkState state, const QString &reason) {
            log(QStringLiteral("%1: %2 (%3)").arg(added->id(), QLatin1String(linkStateName(state)), reason));
        });
    return device;
}

void Gateway::reload()
{
    QStringList problems;
    if (!access.load(&problems)) {
        for (const QString &problem : problems)
            log(QStringLiteral("%1: %2").arg(options.tokensFile, problem));
        log(QStringLiteral("%1 not taken: the tokens stay as they were").arg(options.tokensFile));
    } else if (access.takesTokens()) {
        log(QStringLiteral("%1 token(s) of %2 taken").arg(access.tokens()).arg(options.tokensFile));
        events->revoke();
        if (control)
            control->revoke();
    }
    const QString path = devicesPath(options);
    const GatewayConfig config = GatewayConfig::read(path, knownIds(stateDir(options)));
    if (!config.problems.isEmpty()) {
        for (const QString &problem : config.problems)
            log(QStringLiteral("%1: %2").arg(path, problem));
        log(QStringLiteral("%1 not taken: every device stays as it was").arg(path));
        return;
    }
    keepIds(config);
    // A device whose link is the same (its name aside) is kept as it is; one whose link changed is closed
    // and opened anew.
    const auto sameLink = [](const GatewayDeviceConfig &a, const GatewayDeviceConfig &b) {
        return a.linkKey() == b.linkKey() && a.link.baud == b.link.baud && a.watchSeconds == b.watchSeconds &&
               a.localAddress == b.localAddress;
    };
    const auto retire = [this](std::unique_ptr<GatewayDevice> device, const QString &reason) {
        GatewayDevice *leaving = device.release();
        leaving->setParent(this);
        leaving->retire(reason);
    };
    std::vector<std::unique_ptr<GatewayDevice>> next;
    std::vector<GatewayDevice *> opened;
    int kept = 0;
    int changed = 0;
    for (const GatewayDeviceConfig &wanted : config.devices) {
        const auto found = std::find_if(held.begin(), held.end(), [&wanted](const auto &device) {
            return device && device->id() == wanted.id;
        });
        if (found != held.end() && sameLink((*found)->config(), wanted)) {
            (*found)->rename(wanted.link.name);
            next.push_back(std::move(*found));
            ++kept;
            continue;
        }
        if (found != held.end()) {
            retire(std::move(*found), QStringLiteral("its link changed in the device file"));
            ++changed;
        }
        next.push_back(adopt(wanted));
        opened.push_back(next.back().get());
    }
    int removed = 0;
    for (auto &left : held) {
        if (left) {
            retire(std::move(left), QStringLiteral("removed from the device file"));
            ++removed;
        }
    }
    held = std::move(next);
    refreshView();
    log(QStringLiteral("%1 read again: %2 kept, %3 changed, %4 added, %5 removed")
            .arg(path)
            .arg(kept)
            .arg(changed)
            .arg(int(opened.size()) - changed)
            .arg(removed));
    for (GatewayDevice *device : opened)
        device->start();
    tellService(QStringLiteral("STATUS=serving %1 device(s)").arg(held.size()));
}

void Gateway::refreshView()
{
    view.clear();
    QStringList links;
    for (const auto &device : held) {
        view.push_back(device.get());
        links << device->config().linkKey();
    }
    // For the window and the command line of this computer, which warn before opening one of them too.
    QString error;
    heldWritten = HeldLinks::write(stateDir(options), links, &error);
    if (!heldWritten)
        log(QStringLiteral("cannot tell which links are held: %1").arg(error));
}

void Gateway::stop()
{
    if (server)
        tellService(QStringLiteral("STOPPING=1"));
    server.reset();
    events.reset();
    control.reset();
    for (const auto &device : held)
        device->stop();
    if (heldWritten)
        HeldLinks::remove(stateDir(options));
    heldWritten = false;
}

void Gateway::tellService(const QString &state) const
{
    if (!ServiceNotify::tell(state.toUtf8()))
        log(QStringLiteral("cannot tell the service manager (NOTIFY_SOCKET) that %1").arg(state));
}

void Gateway::log(const QString &text) const
{
    std::fprintf(stdout, "%s\n", qPrintable(text));
    std::fflush(stdout);
}
