#include "TcpTransport.h"

#include <QTcpSocket>

#include <algorithm>
#include <utility>

TcpClient::TcpClient(QTcpSocket *socket, int slot, QObject *parent)
    : SimLink(parent), socket(socket), number(slot),
      peerText(QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort()))
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, &TcpClient::read);
    connect(socket, &QTcpSocket::disconnected, this, &TcpClient::close);
}

TcpClient::~TcpClient()
{
    socket->disconnect(this);
}

void TcpClient::close()
{
    if (!open)
        return;
    open = false;
    splitter.clear();
    socket->disconnect(this);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
    emit closed();
}

void TcpClient::setReading(bool on)
{
    if (reading == on)
        return;
    reading = on;
    // A buffer of one byte, never taken, makes the socket stop reading from the system.
    socket->setReadBufferSize(on ? 0 : 1);
    if (on)
        read();
}

QString TcpClient::tag() const
{
    return number == 1 ? QStringLiteral("tcp") : QStringLiteral("tcp%1").arg(number);
}

bool TcpClient::isConnected() const
{
    return open && socket->state() == QAbstractSocket::ConnectedState;
}

bool TcpClient::writeBytes(const QByteArray &bytes)
{
    if (!isConnected())
        return false;
    const bool written = socket->write(bytes) == bytes.size();
    socket->flush();
    return written;
}

void TcpClient::read()
{
    if (!reading)
        return;
    const QList<QByteArray> lines = splitter.feed(socket->readAll());
    for (const QByteArray &line : lines) {
        if (!open)
            break; // a line before this one closed the connection
        emit lineReceived(line);
    }
}

TcpTransport::TcpTransport(QObject *parent) : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &TcpTransport::accept);
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
    dropClients();
}

void TcpTransport::dropClients()
{
    for (TcpClient *client : QList<TcpClient *>(clients))
        client->close();
}

void TcpTransport::setReading(bool on)
{
    reading = on;
    for (TcpClient *client : std::as_const(clients))
        client->setReading(on);
}

void TcpTransport::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        // A device answers at once; Nagle would hold a reply behind flood lines the tool has not yet
        // acknowledged (up to its 40 ms delayed acknowledgement).
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        int slot = 1;
        while (std::any_of(clients.cbegin(), clients.cend(),
                           [slot](const TcpClient *client) { return client->slot() == slot; }))
            ++slot;
        auto *client = new TcpClient(socket, slot, this);
        client->setReading(reading);
        clients.append(client);
        connect(client, &TcpClient::closed, this, [this, client] { clients.removeOne(client); });
        emit clientConnected(client);
    }
}
