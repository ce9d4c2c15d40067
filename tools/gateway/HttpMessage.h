#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUrlQuery>

#include <map>
#include <utility>
#include <vector>

// One HTTP request as the gateway's handlers see it, parsed whole.
struct HttpRequest
{
    QByteArray method;
    QString path; // decoded, without the query
    QUrlQuery query;
    // Header names in lower case; a header given twice holds both values parted by ", ".
    std::map<QByteArray, QByteArray> headers;
    QByteArray body;
    QHostAddress peer;

    QByteArray header(const char *name) const;
};

struct HttpResponse
{
    int status = 0; // 0: no response (yet)
    QByteArray contentType = "application/json";
    QByteArray body;
    std::vector<std::pair<QByteArray, QByteArray>> headers;

    static HttpResponse json(int status, const QJsonObject &object);
    // The one error body: {"error": {"code", "message", "allowed"}} (allowed only when given).
    static HttpResponse error(int status, const QString &code, const QString &message,
                              const QJsonValue &allowed = QJsonValue(QJsonValue::Undefined));
    // The status line and headers, then the body.
    QByteArray serialized(bool keepAlive) const;
};

const char *httpReason(int status);
