#include "HttpConnection.h"

#include <QTcpSocket>

HttpConnection::HttpConnection(QTcpSocket *clientSocket, Handler requestHandler, Upgrade upgradeHandler,
                               QObject *parent)
    : QObject(parent), socket(clientSocket), handler(std::move(requestHandler)),
      upgrade(std::move(upgradeHandler))
{
    socket->setParent(this);
    // Qt stops reading from the system once this much waits unread: a client cannot fill the memory.
    socket->setReadBufferSize(HttpRequestReader::BodyLimit);
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
    HttpRequest request;
    switch (HttpRequestReader::peekHead(socket->peek(HttpRequestReader::HeaderLimit), &request)) {
    case HttpRequestReader::Head::NeedMore:
        *waiting = true;
        if (!timer.isActive() || timer.remainingTime() > RequestTimeoutMs)
            timer.start(RequestTimeoutMs);
        return false;
    case HttpRequestReader::Head::Other:
        return false;
    case HttpRequestReader::Head::Upgrade:
        break;
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
    HttpRequest request;
    HttpResponse refusal;
    bool clientKeepsAlive = true;
    switch (reader.read(buffer, &request, &refusal, &clientKeepsAlive)) {
    case HttpRequestReader::Status::NeedMore:
        return;
    case HttpRequestReader::Status::Refused:
        refuse(refusal);
        return;
    case HttpRequestReader::Status::Ready:
        break;
    }
    request.peer = socket->peerAddress();
    keepAlive = clientKeepsAlive && !upgradeRefused;
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
