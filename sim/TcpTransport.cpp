#include "TcpTransport.h"

#include <QTcpSocket>

TcpTransport::TcpTransport(QObject *parent) : SimLink(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &TcpTransport::acceptClient);
}

TcpTransport::~TcpTransport()
{
    if (client)
        client->disconnect(this);
}

bool TcpTransport::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (server.listen(address, port))
        return true;
    if (error)
        *error = server.errorString();
    return false;
}

void TcpTransport::stopListening()
{
    // The listener closes first: a client that reconnects the moment it sees its connection end must find
    // nobody listening.
    server.close();
    dropClient();
}

void TcpTransport::dropClient()
{
    if (!client)
        return;
    QTcpSocket *old = client;
    client.clear();
    splitter.clear();
    old->disconnect(this);
    connect(old, &QTcpSocket::disconnected, old, &QObject::deleteLater);
    old->disconnectFromHost();
    if (old->state() == QAbstractSocket::UnconnectedState)
        old->deleteLater();
    emit clientDisconnected();
}

bool TcpTransport::isConnected() const
{
    return client && client->state() == QAbstractSocket::ConnectedState;
}

bool TcpTransport::writeBytes(const QByteArray &bytes)
{
    if (!isConnected())
        return false;
    const bool written = client->write(bytes) == bytes.size();
    client->flush();
    return written;
}

void TcpTransport::acceptClient()
{
    while (QTcpSocket *next = server.nextPendingConnection()) {
        dropClient();
        client = next;
        splitter.clear();
        connect(next, &QTcpSocket::readyRead, this, &TcpTransport::readClient);
        connect(next, &QTcpSocket::disconnected, this, &TcpTransport::clientGone);
        emit clientConnected(
            QStringLiteral("%1:%2").arg(next->peerAddress().toString()).arg(next->peerPort()));
    }
}

void TcpTransport::readClient()
{
    if (!client)
        return;
    const QList<QByteArray> lines = splitter.feed(client->readAll());
    for (const QByteArray &line : lines) {
        if (!client)
            break; // a line before this one closed the connection
        emit lineReceived(line);
    }
}

void TcpTransport::clientGone()
{
    if (!client || client != sender())
        return;
    client->deleteLater();
    client.clear();
    splitter.clear();
    emit clientDisconnected();
}
