#include "HttpConnection.h"

#include <QTcpSocket>
#include <QUrl>

#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

namespace http = boost::beast::http;

struct HttpConnection::Parser
{
    Parser()
    {
        parser.header_limit(HeaderLimit);
        parser.body_limit(BodyLimit);
        parser.eager(true);
    }
    http::request_parser<http::string_body> parser;
};

HttpConnection::HttpConnection(QTcpSocket *clientSocket, Handler requestHandler, Upgrade upgradeHandler,
                               QObject *parent)
    : QObject(parent), socket(clientSocket), handler(std::move(requestHandler)),
      upgrade(std::move(upgradeHandler)), parser(std::make_unique<Parser>())
{
    socket->setParent(this);
    // Qt stops reading from the system once this much waits unread: a client cannot fill the memory.
    socket->setReadBufferSize(BodyLimit);
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this] {
        if (buffer.isEmpty() && !busy)
            close();
        else if (!busy)
            refuse(HttpResponse::error(408, QStringLiteral("timeout"),
                                       QStringLiteral("the request did not arrive whole in time")));
    });
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readMore);
    connect(socket, &QTcpSocket::disconnected, this, &HttpConnection::close);
    timer.start(IdleTimeoutMs);
    readMore();
}

HttpConnection::~HttpConnection() = default;

void HttpConnection::readMore()
{
    // While a request is answered its successors stay in the socket.
    if (!socket || closing || busy)
        return;
    if (firstRequest) {
        bool waiting = false;
        if (handedOn(&waiting) || waiting)
            return;
        firstRequest = false;
    }
    const bool started = !buffer.isEmpty();
    buffer += socket->readAll();
    if (!started && !buffer.isEmpty())
        timer.start(RequestTimeoutMs);
    parse();
}

bool HttpConnection::handedOn(bool *waiting)
{
    // The head is parsed from a copy: the WebSocket server reads the handshake itself.
    const QByteArray head = socket->peek(HeaderLimit);
    http::request_parser<http::empty_body> peeked;
    peeked.header_limit(HeaderLimit);
    boost::system::error_code error;
    peeked.put(boost::asio::const_buffer(head.constData(), std::size_t(head.size())), error);
    if (error == http::error::need_more && head.size() < HeaderLimit) {
        *waiting = true;
        if (!timer.isActive() || timer.remainingTime() > RequestTimeoutMs)
            timer.start(RequestTimeoutMs);
        return false;
    }
    if (!peeked.is_header_done() || !peeked.upgrade())
        return false;
    const http::request<http::empty_body> &message = peeked.get();
    HttpRequest request;
    request.method = QByteArray(message.method_string().data(), int(message.method_string().size()));
    const QUrl url(QString::fromLatin1(QByteArray(message.target().data(), int(message.target().size()))));
    request.path = url.path(QUrl::FullyDecoded);
    request.query = QUrlQuery(url.query(QUrl::FullyEncoded));
    for (const auto &field : message) {
        QByteArray &held =
            request
                .headers[QByteArray(field.name_string().data(), int(field.name_string().size())).toLower()];
        const QByteArray value(field.value().data(), int(field.value().size()));
        held = held.isEmpty() ? value : held + ", " + value;
    }
    request.peer = socket->peerAddress();
    QTcpSocket *taken = socket;
    timer.stop();
    taken->disconnect(this);
    taken->setParent(nullptr);
    if (!upgrade(taken, request)) {
        // Answered as any request, and closed after: a WebSocket client waits for nothing else.
        upgradeRefused = true;
        taken->setParent(this);
        connect(taken, &QTcpSocket::readyRead, this, &HttpConnection::readMore);
        connect(taken, &QTcpSocket::disconnected, this, &HttpConnection::close);
        return false;
    }
    socket = nullptr;
    emit SGL_Closed();
    deleteLater();
    return true;
}

void HttpConnection::parse()
{
    boost::system::error_code error;
    while (!buffer.isEmpty() && !parser->parser.is_done()) {
        const std::size_t used = parser->parser.put(
            boost::asio::const_buffer(buffer.constData(), std::size_t(buffer.size())), error);
        buffer.remove(0, int(used));
        if (error == http::error::need_more) {
            error = {};
            if (buffer.size() > HeaderLimit + BodyLimit) {
                refuse(HttpResponse::error(431, QStringLiteral("too_large"),
                                           QStringLiteral("the header is too large")));
                return;
            }
            break;
        }
        if (error)
            break;
    }
    if (error == http::error::body_limit) {
        refuse(HttpResponse::error(413, QStringLiteral("too_large"),
                                   QStringLiteral("the body is larger than %1 bytes").arg(BodyLimit)));
        return;
    }
    if (error == http::error::header_limit) {
        refuse(HttpResponse::error(431, QStringLiteral("too_large"),
                                   QStringLiteral("the header is larger than %1 bytes").arg(HeaderLimit)));
        return;
    }
    if (error) {
        refuse(HttpResponse::error(
            400, QStringLiteral("bad_request"),
            QStringLiteral("not an HTTP request: %1").arg(QString::fromStdString(error.message()))));
        return;
    }
    if (!parser->parser.is_done())
        return;

    const http::request<http::string_body> &message = parser->parser.get();
    HttpRequest request;
    request.method = QByteArray(message.method_string().data(), int(message.method_string().size()));
    const QByteArray target(message.target().data(), int(message.target().size()));
    const QUrl url(QString::fromLatin1(target));
    if (!target.startsWith('/') || !url.isValid()) {
        refuse(HttpResponse::error(400, QStringLiteral("bad_request"), QStringLiteral("not a path")));
        return;
    }
    request.path = url.path(QUrl::FullyDecoded);
    request.query = QUrlQuery(url.query(QUrl::FullyEncoded));
    for (const auto &field : message) {
        QByteArray name = QByteArray(field.name_string().data(), int(field.name_string().size())).toLower();
        const QByteArray value(field.value().data(), int(field.value().size()));
        QByteArray &held = request.headers[name];
        held = held.isEmpty() ? value : held + ", " + value;
    }
    request.body = QByteArray(message.body().data(), int(message.body().size()));
    request.peer = socket->peerAddress();
    keepAlive = message.keep_alive() && !upgradeRefused;
    parser = std::make_unique<Parser>();
    busy = true;
    timer.stop();
    handler(this, request);
}

void HttpConnection::respond(const HttpResponse &response)
{
    if (!socket || !busy || closing)
        return;
    busy = false;
    socket->write(response.serialized(keepAlive));
    if (!keepAlive) {
        // What was written still goes out before the connection closes.
        closing = true;
        socket->disconnectFromHost();
        return;
    }
    timer.start(buffer.isEmpty() ? IdleTimeoutMs : RequestTimeoutMs);
    // The next request may already be here, whole or in part.
    QMetaObject::invokeMethod(this, &HttpConnection::readMore, Qt::QueuedConnection);
}

void HttpConnection::refuse(const HttpResponse &response)
{
    keepAlive = false;
    busy = true;
    respond(response);
}

void HttpConnection::close()
{
    if (!socket)
        return;
    timer.stop();
    socket->disconnect(this);
    socket->abort();
    socket = nullptr;
    emit SGL_Closed();
    deleteLater();
}
