#include "GatewayApi.h"

#include "DeviceJson.h"
#include "GatewayAudit.h"
#include "GatewayDevice.h"
#include "GatewayWrites.h"
#include "HttpConnection.h"
#include "OpenApi.h"

#include "protocol/Settings.h"
#include "protocol/TableDescription.h"
#include "protocol/ValueTables.h"
#include "setup/DeviceSetup.h"

#include <QDateTime>
#include <QHostAddress>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

HttpResponse notFound(const QString &what)
{
    return HttpResponse::error(404, QStringLiteral("not_found"), what);
}

HttpResponse methodNotAllowed(const QByteArray &allowed)
{
    HttpResponse response = HttpResponse::error(405, QStringLiteral("method_not_allowed"),
                                                QStringLiteral("use %1").arg(QString::fromLatin1(allowed)));
    response.headers.push_back({"Allow", allowed});
    return response;
}

// The host part of a Host header ("[::1]:8740" -> "::1") and its port (0 when none is given).
std::pair<QString, int> splitHost(const QByteArray &header)
{
    const QUrl url(QStringLiteral("http://") + QString::fromLatin1(header));
    if (!url.isValid() || !url.userInfo().isEmpty() || !url.path().isEmpty())
        return {QString(), -1};
    return {url.host(), url.port(0)};
}

HttpResponse unauthorized(const QString &code, const QString &message)
{
    HttpResponse response = HttpResponse::error(401, code, message);
    response.headers.push_back({"WWW-Authenticate", "Bearer realm=\"lumaplex-gateway\""});
    return response;
}

} // namespace

GatewayApi::GatewayApi(Devices deviceList, Counts gatewayCounts, quint16 listening,
                       const QSet<QString> &allowedOrigins, const GatewayAccess &clients,
                       GatewayAudit &changes)
    : devices(std::move(deviceList)), counts(std::move(gatewayCounts)), port(listening),
      origins(allowedOrigins), access(clients), audit(changes)
{
}

GatewayDevice *GatewayApi::device(const QString &id) const
{
    for (GatewayDevice *held : devices()) {
        if (held->id() == id)
            return held;
    }
    return nullptr;
}

HttpResponse GatewayApi::refusal(const HttpRequest &request, GatewayClient *client, bool mayWait) const
{
    // A name that is not this computer's (a web page's host name that now points here) is refused: nothing
    // on the gateway answers to a name it does not have.
    const auto [host, hostPort] = splitHost(request.header("host"));
    const bool literal = !QHostAddress(host).isNull();
    const QString local = QHostInfo::localHostName().toLower();
    const bool ownName = host == QLatin1String("localhost") || (!local.isEmpty() && host == local) ||
                         (!local.isEmpty() && host.startsWith(local + QLatin1Char('.')));
    if (host.isEmpty() || hostPort != port || !(literal || ownName))
        return HttpResponse::error(421, QStringLiteral("wrong_host"),
                                   QStringLiteral("the Host header does not name this gateway"));
    const QByteArray origin = request.header("origin");
    if (!origin.isEmpty() && origin != "http://" + request.header("host") &&
        !origins.contains(QString::fromLatin1(origin)))
        return HttpResponse::error(
            403, QStringLiteral("foreign_origin"),
            QStringLiteral("requests from %1 are not allowed").arg(QString::fromLatin1(origin)));
    const QHostAddress address = access.clientOf(request.peer, request.header("x-forwarded-for"));
    if (!access.admits(address))
        return HttpResponse::error(
            403, QStringLiteral("not_allowed"),
            QStringLiteral("clients at %1 are not served here").arg(address.toString()));
    *client = GatewayClient{address.toString(), QString(), TokenScope::Control, !access.takesTokens()};
    const bool change = request.method != "GET" && request.method != "HEAD";
    const QByteArray authorization = request.header("authorization");
    if (access.takesTokens() && !authorization.isEmpty()) {
        const std::optional<GatewayClient> holder =
            authorization.startsWith("Bearer ") ? access.identify(*client, authorization.mid(7).trimmed())
                                                : std::nullopt;
        if (!holder)
            return unauthorized(QStringLiteral("invalid_token"),
                                QStringLiteral("the token is not one of this gateway's"));
        *client = *holder;
    }
    if (!client->identified && !(mayWait && !change))
        return unauthorized(QStringLiteral("unauthorized"),
                            QStringLiteral("a token is needed: Authorization: Bearer TOKEN"));
    if (change && !client->mayControl())
        return HttpResponse::error(403, QStringLiteral("forbidden"),
                                   QStringLiteral("the token %1 may only read").arg(client->token));
    if (change) {
        const QByteArray type = request.header("content-type").split(';').first().trimmed().toLower();
        if (type != "application/json")
            return HttpResponse::error(415, QStringLiteral("not_json"),
                                       QStringLiteral("a change needs Content-Type: application/json"));
    }
    return HttpResponse();
}

void GatewayApi::handle(HttpConnection *connection, const HttpRequest &request)
{
    QPointer<HttpConnection> client(connection);
    const QByteArray origin = request.header("origin");
    const bool allowOrigin = !origin.isEmpty() && origins.contains(QString::fromLatin1(origin));
    const auto answer = [client, origin, allowOrigin](HttpResponse response) {
        if (allowOrigin)
            response.headers.push_back({"Access-Control-Allow-Origin", origin});
        if (client)
            client->respond(response);
    };
    GatewayClient asking;
    const HttpResponse refused = refusal(request, &asking);
    if (refused.status != 0) {
        answer(refused);
        return;
    }
    route(request, asking, answer);
}

void GatewayApi::route(const HttpRequest &request, const GatewayClient &asking,
                       const std::function<void(const HttpResponse &)> &answer)
{
    if (request.path == QLatin1String("/metrics")) {
        if (request.method != "GET") {
            answer(methodNotAllowed("GET"));
            return;
        }
        HttpResponse metrics;
        metrics.status = 200;
        metrics.contentType = "text/plain; version=0.0.4; charset=utf-8";
        metrics.body = metricsText(devices(), counts());
        answer(metrics);
        return;
    }
    if (request.path == QLatin1String("/openapi.json")) {
        if (request.method != "GET")
            answer(methodNotAllowed("GET"));
        else
            answer(HttpResponse::json(200, openApiDocument()));
        return;
    }
    const QString prefix = QStringLiteral("/api/v1/");
    if (!request.path.startsWith(prefix)) {
        answer(notFound(QStringLiteral("no such path: %1").arg(request.path)));
        return;
    }
    const QStringList parts = request.path.mid(prefix.size()).split(QLatin1Char('/'));
    const QByteArray &method = request.method;
    const bool get = method == "GET";
    if (parts.size() == 1 && parts.at(0) == QLatin1String("events")) {
        answer(HttpResponse::error(400, QStringLiteral("not_websocket"),
                                   QStringLiteral("the change stream is a WebSocket")));
        return;
    }
    if (parts.value(0) != QLatin1String("devices")) {
        answer(notFound(QStringLiteral("no such path: %1").arg(request.path)));
        return;
    }
    if (parts.size() == 1) {
        if (!get) {
            answer(methodNotAllowed("GET"));
            return;
        }
        HttpResponse list;
        list.status = 200;
        list.body = "{\"devices\":[";
        for (const GatewayDevice *held : devices())
            list.body += DeviceJson::summaryJson(*held) + ',';
        if (list.body.endsWith(','))
            list.body.chop(1);
        list.body += "]}\n";
        answer(list);
        return;
    }
    GatewayDevice *held = device(parts.at(1));
    if (!held) {
        answer(notFound(QStringLiteral("no device %1").arg(parts.at(1))));
        return;
    }
    const QString what = parts.value(2);
    if (parts.size() == 2) {
        if (!get) {
            answer(methodNotAllowed("GET"));
            return;
        }
        answer(HttpResponse::json(200, DeviceJson::values(*held)));
        return;
    }
    if (what == QLatin1String("settings") && parts.size() == 3) {
        if (!get) {
            answer(methodNotAllowed("GET"));
            return;
        }
        QJsonObject description = describeModel(held->model());
        description.insert(QStringLiteral("model"), QString::fromLatin1(Tables::Models.at(held->model())));
        answer(HttpResponse::json(200, description));
        return;
    }
    if (what == QLatin1String("values") && parts.size() == 4) {
        if (!get) {
            answer(methodNotAllowed("GET"));
            return;
        }
        const QJsonObject values = DeviceJson::values(*held).value(QLatin1String("values")).toObject();
        if (!values.contains(parts.at(3))) {
            answer(notFound(QStringLiteral("%1 holds no value %2").arg(held->id(), parts.at(3))));
            return;
        }
        answer(HttpResponse::json(200, QJsonObject{{QStringLiteral("key"), parts.at(3)},
                                                   {QStringLiteral("value"), values.value(parts.at(3))}}));
        return;
    }
    const bool setup = what == QLatin1String("setup") && parts.size() == 3;
    if (setup && get) {
        DeviceSetup snapshot;
        snapshot.model = held->model();
        snapshot.saved = QDateTime::currentDateTimeUtc();
        snapshot.values = held->session().device().values();
        HttpResponse file;
        file.status = 200;
        file.body = snapshot.toJson();
        answer(file);
        return;
    }
    if (what == QLatin1String("audit") && parts.size() == 3) {
        if (!get) {
            answer(methodNotAllowed("GET"));
            return;
        }
        bool given = false;
        const int limit = request.query.queryItemValue(QStringLiteral("limit")).toInt(&given);
        if (request.query.hasQueryItem(QStringLiteral("limit")) &&
            (!given || limit < 1 || limit > GatewayAudit::KeptPerDevice)) {
            answer(HttpResponse::error(
                400, QStringLiteral("invalid_value"),
                QStringLiteral("limit is a number from 1 to %1").arg(GatewayAudit::KeptPerDevice)));
            return;
        }
        answer(HttpResponse::json(
            200, QJsonObject{{QStringLiteral("entries"), audit.last(held->id(), given ? limit : 50)}}));
        return;
    }
    const bool values = (what == QLatin1String("values") || setup) && parts.size() == 3;
    const bool action = what == QLatin1String("actions") && parts.size() == 4;
    const bool lines = what == QLatin1String("lines") && parts.size() == 3;
    if (!values && !action && !lines) {
        answer(notFound(QStringLiteral("no such path: %1").arg(request.path)));
        return;
    }
    if (method != (values ? "PUT" : "POST")) {
        answer(methodNotAllowed(values ? "PUT" : "POST"));
        return;
    }
    if (held->state() == LinkState::Restarting &&
        request.query.queryItemValue(QStringLiteral("hold")) == QLatin1String("1")) {
        holdThroughRestart(held, request, asking, answer);
        return;
    }
    // Every change is audited with how it ended, refusals included, and the values it names before and after.
    QJsonParseError error{};
    const QJsonDocument body = QJsonDocument::fromJson(request.body, &error);
    const QJsonObject asked = body.object();
    QStringList named = values && !setup ? asked.keys() : QStringList();
    if (setup) {
        for (const auto &[key, text] : held->session().device().values()) {
            const Setting *setting = Settings::find(key);
            if (setting && setting->group != SetupGroup::Link)
                named << key;
        }
    }
    QPointer<GatewayDevice> target(held);
    const auto audited =
        [this, target, asking, what = action ? QStringLiteral("action %1").arg(parts.at(3)) : what, asked,
         before = GatewayAudit::valuesOf(*held, named), answer](const HttpResponse &response) {
            if (target)
                audit.record(asking, *target, what, asked, response, before);
            answer(response);
        };
    const HttpResponse unavailable = GatewayWrites::unavailable(*held);
    if (unavailable.status != 0) {
        audited(unavailable);
        return;
    }
    if (setup) {
        GatewayWrites::putSetup(*held, asking.origin(), request.body, audited);
        return;
    }
    if (error.error != QJsonParseError::NoError || !body.isObject()) {
        audited(HttpResponse::error(400, QStringLiteral("bad_json"),
                                    QStringLiteral("the body is not a JSON object")));
        return;
    }
    if (values)
        GatewayWrites::putValues(*held, asking.origin(), asked, audited);
    else if (action)
        GatewayWrites::runAction(*held, asking.origin(), parts.at(3), asked, audited);
    else
        GatewayWrites::sendLine(*held, asking.origin(), asked, audited);
}

void GatewayApi::holdThroughRestart(GatewayDevice *device, const HttpRequest &request,
                                    const GatewayClient &asking,
                                    const std::function<void(const HttpResponse &)> &answer)
{
    // Ends with the first: the device back (or down, removed included), or the limit passed.
    auto *hold = new QObject(device);
    auto ended = std::make_shared<bool>(false);
    const int limitMs = device->session().restartLimit();
    QTimer::singleShot(limitMs, hold, [hold, ended, answer, limitMs] {
        if (*ended)
            return;
        *ended = true;
        hold->deleteLater();
        answer(
            HttpResponse::error(409, QStringLiteral("restarting"),
                                QStringLiteral("the device was not back within %1 s").arg(limitMs / 1000)));
    });
    QObject::connect(device, &GatewayDevice::SGL_StateChanged, hold,
                     [this, hold, ended, request, asking, answer](LinkState state) {
                         if (*ended || state == LinkState::Restarting || state == LinkState::Connecting ||
                             state == LinkState::Syncing)
                             return;
                         *ended = true;
                         hold->deleteLater();
                         route(request, asking, answer);
                     });
}
