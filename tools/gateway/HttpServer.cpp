#include "HttpServer.h"

#include <QTcpSocket>

HttpServer::HttpServer(HttpConnection::Handler requestHandler, HttpConnection::Upgrade upgradeHandler,
                       QObject *parent)
    : QObject(parent), handler(std::move(requestHandler)), upgrade(std::move(upgradeHandler))
{
    connect(&server, &QTcpServer::newConnection, this, &HttpServer::accept);
}

bool HttpServer::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (server.listen(address, port))
        return true;
    *error = server.errorString();
    return false;
}

void HttpServer::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        if (open >= ConnectionLimit) {
            socket->write(
                HttpResponse::error(503, QStringLiteral("busy"), QStringLiteral("too many connections"))
                    .serialized(false));
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            continue;
        }
        ++open;
        auto *connection = new HttpConnection(socket, handler, upgrade, this);
        connect(connection, &HttpConnection::SGL_Closed, this, [this] { --open; });
    }
}
