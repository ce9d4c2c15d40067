#include "OpenApi.h"

#include "GatewayAudit.h"

#include "config/Version.h"
#include "protocol/Actions.h"
#include "protocol/Settings.h"
#include "protocol/ValueTables.h"

#include <QJsonArray>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace {

QJsonObject ref(const QString &name, const char *kind = "schemas")
{
    return {{QStringLiteral("$ref"), QStringLiteral("#/components/%1/%2").arg(QLatin1String(kind), name)}};
}

QJsonObject jsonContent(const QJsonObject &schema)
{
    return {{QStringLiteral("application/json"), QJsonObject{{QStringLiteral("schema"), schema}}}};
}

QJsonObject answer(const QString &description, const QJsonObject &schema)
{
    return {{QStringLiteral("description"), description}, {QStringLiteral("content"), jsonContent(schema)}};
}

QJsonObject body(const QJsonObject &schema)
{
    return {{QStringLiteral("required"), true}, {QStringLiteral("content"), jsonContent(schema)}};
}

QJsonObject integer(int low, int high)
{
    return {{QStringLiteral("type"), QStringLiteral("integer")},
            {QStringLiteral("minimum"), low},
            {QStringLiteral("maximum"), high}};
}

QJsonObject object(const QJsonObject &properties, const QStringList &required = {})
{
    QJsonObject schema{{QStringLiteral("type"), QStringLiteral("object")},
                       {QStringLiteral("properties"), properties}};
    if (!required.isEmpty())
        schema.insert(QStringLiteral("required"), QJsonArray::fromStringList(required));
    return schema;
}

QStringList modelNames()
{
    return Tables::Models.toStringList();
}

// A setting's value over every model that has it: the words of all of them, the widest range.
QJsonObject settingSchema(const Setting &setting)
{
    QStringList words;
    int low = INT_MAX;
    int high = INT_MIN;
    QStringList models;
    for (int model = 0; model < modelNames().size(); ++model) {
        if (!setting.onModel(quint32(model)))
            continue;
        models << modelNames().at(model);
        if (setting.words) {
            for (const QString &word : setting.words(quint32(model)).toStringList()) {
                if (!words.contains(word))
                    words << word;
            }
        } else if (setting.kind == Setting::Number || setting.kind == Setting::Rectangle) {
            const std::pair<int, int> range = Settings::range(setting, quint32(model), {});
            low = std::min(low, range.first);
            high = std::max(high, range.second);
        }
    }
    QJsonObject schema;
    if (!words.isEmpty()) {
        schema = {{QStringLiteral("type"), QStringLiteral("string")},
                  {QStringLiteral("enum"), QJsonArray::fromStringList(words)}};
    } else if (setting.kind == Setting::Number && low <= high) {
        schema = integer(low, high);
    } else if (setting.kind == Setting::Rectangle && low <= high) {
        schema = {{QStringLiteral("type"), QStringLiteral("array")},
                  {QStringLiteral("items"), integer(low, high)},
                  {QStringLiteral("minItems"), 4},
                  {QStringLiteral("maxItems"), 4},
                  {QStringLiteral("description"), QStringLiteral("start x, start y, width, height")}};
    } else {
        schema = {{QStringLiteral("type"), QStringLiteral("string")}};
    }
    const QString described = schema.value(QLatin1String("description")).toString();
    schema.insert(QStringLiteral("description"),
                  (described.isEmpty() ? QString() : described + QStringLiteral("; ")) +
                      QStringLiteral("on %1").arg(models.join(QStringLiteral(", "))));
    return schema;
}

QJsonObject components()
{
    QJsonObject values;
    for (const Setting &setting : Settings::all()) {
        if (setting.group != SetupGroup::Link)
            values.insert(QLatin1String(setting.name), settingSchema(setting));
    }
    QJsonObject valuesSchema = object(values);
    valuesSchema.insert(QStringLiteral("additionalProperties"), false);
    // What a device holds: its settings, and what it reports besides (its input's resolution, say).
    QJsonObject heldSchema = object(values);
    heldSchema.insert(QStringLiteral("additionalProperties"),
                      QJsonObject{{QStringLiteral("type"), QStringLiteral("string")}});
    const QJsonObject written =
        object({{QStringLiteral("status"),
                 QJsonObject{{QStringLiteral("type"), QStringLiteral("string")},
                             {QStringLiteral("enum"), QJsonArray{"done", "refused", "timed_out"}}}},
                {QStringLiteral("value"), QJsonObject{}}},
               {QStringLiteral("status")});
    QJsonObject writtenMap = object({});
    writtenMap.insert(QStringLiteral("additionalProperties"), ref(QStringLiteral("Written")));
    const QJsonObject text{{QStringLiteral("type"), QStringLiteral("string")}};
    const QJsonObject state{
        {QStringLiteral("type"), QStringLiteral("string")},
        {QStringLiteral("enum"),
         QJsonArray{"connecting", "syncing", "up", "not_answering", "frozen", "restarting", "down"}}};
    const QJsonObject error =
        object({{QStringLiteral("error"), object({{QStringLiteral("code"), text},
                                                  {QStringLiteral("message"), text},
                                                  {QStringLiteral("allowed"), QJsonObject{}}},
                                                 {QStringLiteral("code"), QStringLiteral("message")})}},
               {QStringLiteral("error")});
    const QJsonObject device = object({{QStringLiteral("id"), text},
                                       {QStringLiteral("name"), text},
                                       {QStringLiteral("link"), text},
                                       {QStringLiteral("model"), text},
                                       {QStringLiteral("firmware"), text},
                                       {QStringLiteral("state"), state},
                                       {QStringLiteral("reason"), text},
                                       {QStringLiteral("since"), text},
                                       {QStringLiteral("lastChange"), text},
                                       {QStringLiteral("reconnects"), QJsonObject{{"type", "integer"}}},
                                       {QStringLiteral("queued"), QJsonObject{{"type", "integer"}}},
                                       {QStringLiteral("health"), QJsonObject{{"type", "object"}}}});
    return {{QStringLiteral("schemas"),
             QJsonObject{{QStringLiteral("Values"), valuesSchema},
                         {QStringLiteral("Held"), heldSchema},
                         {QStringLiteral("Written"), written},
                         {QStringLiteral("WrittenValues"), object({{QStringLiteral("values"), writtenMap}})},
                         {QStringLiteral("Error"), error},
                         {QStringLiteral("Device"), device}}},
            {QStringLiteral("responses"),
             QJsonObject{{QStringLiteral("Error"),
                          answer(QStringLiteral("refused: the code and message say why"), ref("Error"))}}},
            {QStringLiteral("securitySchemes"),
             QJsonObject{{QStringLiteral("token"),
                          QJsonObject{{QStringLiteral("type"), QStringLiteral("http")},
                                      {QStringLiteral("scheme"), QStringLiteral("bearer")},
                                      {QStringLiteral("description"),
                                       QStringLiteral("A secret of the gateway's tokens file (--tokens); "
                                                      "a read token's changes are refused with 403")}}}}}};
}

QJsonObject errors(const QList<int> &statuses)
{
    QJsonObject responses;
    for (const int status : statuses)
        responses.insert(QString::number(status), ref(QStringLiteral("Error"), "responses"));
    return responses;
}

QJsonObject operation(const QString &summary, QJsonObject responses, const QJsonObject &requestBody = {},
                      const QJsonArray &parameters = {})
{
    // Every operation may be refused to a client without the token or the scope it needs.
    for (const int status : {401, 403})
        responses.insert(QString::number(status), ref(QStringLiteral("Error"), "responses"));
    QJsonObject op{{QStringLiteral("summary"), summary}, {QStringLiteral("responses"), responses}};
    if (!requestBody.isEmpty())
        op.insert(QStringLiteral("requestBody"), requestBody);
    if (!parameters.isEmpty())
        op.insert(QStringLiteral("parameters"), parameters);
    return op;
}

QJsonObject limitParameter()
{
    return {{QStringLiteral("name"), QStringLiteral("limit")},
            {QStringLiteral("in"), QStringLiteral("query")},
            {QStringLiteral("schema"), integer(1, GatewayAudit::KeptPerDevice)}};
}

QJsonObject holdParameter()
{
    return {{QStringLiteral("name"), QStringLiteral("hold")},
            {QStringLiteral("in"), QStringLiteral("query")},
            {QStringLiteral("description"),
             QStringLiteral(
                 "1: a change asked of a restarting device waits until it is back (at most the restart "
                 "limit) instead of a 409")},
            {QStringLiteral("schema"), QJsonObject{{"type", "integer"}, {"enum", QJsonArray{0, 1}}}}};
}

QJsonObject withAnswer(QJsonObject responses, const QJsonObject &ok)
{
    responses.insert(QStringLiteral("200"), ok);
    return responses;
}

QJsonObject pathParameter(const char *name)
{
    return {{QStringLiteral("name"), QLatin1String(name)},
            {QStringLiteral("in"), QStringLiteral("path")},
            {QStringLiteral("required"), true},
            {QStringLiteral("schema"), QJsonObject{{QStringLiteral("type"), QStringLiteral("string")}}}};
}

QJsonObject onDevice(const QJsonObject &methods, bool withKey = false)
{
    QJsonObject item = methods;
    QJsonArray parameters{pathParameter("id")};
    if (withKey)
        parameters.append(pathParameter("key"));
    item.insert(QStringLiteral("parameters"), parameters);
    return item;
}

QJsonObject actionBody(const Action &action)
{
    switch (action.argument) {
    case Action::Number:
        return object({{QLatin1String(action.argumentName), integer(action.low, action.high)}},
                      {QLatin1String(action.argumentName)});
    case Action::Edid:
        return object(
            {{QLatin1String(action.argumentName),
              QJsonObject{{QStringLiteral("type"), QStringLiteral("string")},
                          {QStringLiteral("format"), QStringLiteral("byte")},
                          {QStringLiteral("description"), QStringLiteral("a 256-byte EDID image")}}}},
            {QLatin1String(action.argumentName)});
    case Action::None:
        break;
    }
    return object({});
}

} // namespace

QJsonObject openApiDocument()
{
    const QJsonObject anything{{QStringLiteral("type"), QStringLiteral("object")}};
    const QList<int> writeErrors{400, 404, 409, 413, 415, 421, 429, 503, 504};
    const QJsonObject written = answer(QStringLiteral("what each key then holds"), ref("WrittenValues"));
    QJsonObject devices{{QStringLiteral("type"), QStringLiteral("array")},
                        {QStringLiteral("items"), ref("Device")}};
    QJsonObject paths{
        {QStringLiteral("/api/v1/devices"),
         QJsonObject{
             {QStringLiteral("get"),
              operation(QStringLiteral("Every device with its state"),
                        withAnswer(errors({421}), answer(QStringLiteral("the devices"),
                                                         object({{QStringLiteral("devices"), devices}}))))}}},
        {QStringLiteral("/api/v1/devices/{id}"),
         onDevice({{QStringLiteral("get"),
                    operation(QStringLiteral("Every value of a device, by key"),
                              withAnswer(errors({404, 421}),
                                         answer(QStringLiteral("its values"),
                                                object({{QStringLiteral("values"), ref("Held")}}))))}})},
        {QStringLiteral("/api/v1/devices/{id}/values/{key}"),
         onDevice(
             {{QStringLiteral("get"),
               operation(QStringLiteral("One value"),
                         withAnswer(errors({404, 421}), answer(QStringLiteral("the value"), anything)))}},
             true)},
        {QStringLiteral("/api/v1/devices/{id}/values"),
         onDevice({{QStringLiteral("put"),
                    operation(QStringLiteral("Change values: all checked before any is sent"),
                              withAnswer(errors(writeErrors), written), body(ref("Values")),
                              {holdParameter()})}})},
        {QStringLiteral("/api/v1/devices/{id}/settings"),
         onDevice({{QStringLiteral("get"),
                    operation(QStringLiteral("The settings and actions of the device's model"),
                              withAnswer(errors({404, 421}),
                                         answer(QStringLiteral("the table's rows"), anything)))}})},
        {QStringLiteral("/api/v1/devices/{id}/setup"),
         onDevice(
             {{QStringLiteral("get"),
               operation(QStringLiteral("The setup as a setup file"),
                         withAnswer(errors({404, 421}), answer(QStringLiteral("the setup file"), anything)))},
              {QStringLiteral("put"),
               operation(QStringLiteral("Restore a setup file of the device's model (link settings kept)"),
                         withAnswer(errors(writeErrors), written), body(anything), {holdParameter()})}})},
        {QStringLiteral("/api/v1/devices/{id}/audit"),
         onDevice(
             {{QStringLiteral("get"),
               operation(QStringLiteral("The last changes asked of the device, the newest last"),
                         withAnswer(errors({400, 404, 421}),
                                    answer(QStringLiteral("the audit entries"),
                                           object({{QStringLiteral("entries"),
                                                    QJsonObject{{"type", "array"}, {"items", anything}}}}))),
                         QJsonObject(), {limitParameter()})}})},
        {QStringLiteral("/api/v1/devices/{id}/lines"),
         onDevice(
             {{QStringLiteral("post"),
               operation(QStringLiteral("One raw line and the first line back"),
                         withAnswer(errors(writeErrors), answer(QStringLiteral("the reply"),
                                                                object({{QStringLiteral("reply"),
                                                                         QJsonObject{{"type", "string"}}}}))),
                         body(object({{QStringLiteral("line"), QJsonObject{{"type", "string"}}}},
                                     {QStringLiteral("line")})),
                         {holdParameter()})}})},
        {QStringLiteral("/api/v1/events"),
         QJsonObject{
             {QStringLiteral("get"),
              operation(QStringLiteral("The change stream (a WebSocket): a snapshot, then each change"),
                        withAnswer(errors({400, 403, 421}),
                                   QJsonObject{{QStringLiteral("description"),
                                                QStringLiteral("not a WebSocket handshake")}}))}}},
        {QStringLiteral("/metrics"),
         QJsonObject{
             {QStringLiteral("get"),
              operation(QStringLiteral("Prometheus metrics"),
                        withAnswer(
                            errors({421}),
                            QJsonObject{
                                {QStringLiteral("description"), QStringLiteral("the text exposition format")},
                                {QStringLiteral("content"),
                                 QJsonObject{{QStringLiteral("text/plain"),
                                              QJsonObject{{QStringLiteral("schema"),
                                                           QJsonObject{{"type", "string"}}}}}}}}))}}}};
    for (const Action &action : Actions::all()) {
        paths.insert(
            QStringLiteral("/api/v1/devices/{id}/actions/%1").arg(QLatin1String(action.name)),
            onDevice({{QStringLiteral("post"),
                       operation(QStringLiteral("The action %1").arg(QLatin1String(action.name)),
                                 withAnswer(errors(writeErrors),
                                            answer(QStringLiteral("done, and the device's reply"), anything)),
                                 body(actionBody(action)), {holdParameter()})}}));
    }
    return {
        {QStringLiteral("openapi"), QStringLiteral("3.0.3")},
        {QStringLiteral("info"), QJsonObject{{QStringLiteral("title"), QStringLiteral("lumaplex-gateway")},
                                             {QStringLiteral("version"), QStringLiteral(LUMAPLEX_VERSION)}}},
        {QStringLiteral("paths"), paths},
        // A token when the gateway takes them (--tokens), none when it serves loopback only.
        {QStringLiteral("security"),
         QJsonArray{QJsonObject{{QStringLiteral("token"), QJsonArray()}}, QJsonObject()}},
        {QStringLiteral("components"), components()}};
}
