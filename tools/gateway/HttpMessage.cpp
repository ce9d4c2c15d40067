#include "HttpMessage.h"

#include <QJsonDocument>

QByteArray HttpRequest::header(const char *name) const
{
    const auto found = headers.find(QByteArray(name));
    return found == headers.end() ? QByteArray() : found->second;
}

HttpResponse HttpResponse::json(int status, const QJsonObject &object)
{
    HttpResponse response;
    response.status = status;
    response.body = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    return response;
}

HttpResponse HttpResponse::error(int status, const QString &code, const QString &message,
                                 const QJsonValue &allowed)
{
    QJsonObject error{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}};
    if (!allowed.isUndefined())
        error.insert(QStringLiteral("allowed"), allowed);
    return json(status, QJsonObject{{QStringLiteral("error"), error}});
}

QByteArray HttpResponse::serialized(bool keepAlive) const
{
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(status) + ' ' + httpReason(status) + "\r\n";
    if (!contentType.isEmpty())
        bytes += "Content-Type: " + contentType + "\r\n";
    bytes += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    bytes += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n";
    for (const auto &header : headers)
        bytes += header.first + ": " + header.second + "\r\n";
    bytes += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    return bytes + body;
}

const char *httpReason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 409:
        return "Conflict";
    case 413:
        return "Content Too Large";
    case 415:
        return "Unsupported Media Type";
    case 421:
        return "Misdirected Request";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Unknown";
    }
}
