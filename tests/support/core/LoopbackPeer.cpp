#include "LoopbackPeer.h"

#include <QHostAddress>
#include <QTest>

LoopbackPeer::LoopbackPeer()
{
    connect(&server, &QTcpServer::newConnection, this, &LoopbackPeer::acceptConnection);
    if (server.listen(QHostAddress::LocalHost, 0))
        listeningPort = server.serverPort();
}

bool LoopbackPeer::hasConnection() const
{
    return client && client->state() == QAbstractSocket::ConnectedState;
}

bool LoopbackPeer::waitForHangUp(int timeoutMs)
{
    return QTest::qWaitFor([this] { return !hasConnection(); }, timeoutMs);
}

void LoopbackPeer::dropConnection()
{
    if (client) {
        client->disconnect(this);
        client->close();
        client->deleteLater();
    }
    client = nullptr;
}

void LoopbackPeer::stopListening()
{
    server.close();
    dropConnection();
}

void LoopbackPeer::writeToLink(const QByteArray &bytes)
{
    if (client) {
        client->write(bytes);
        client->flush();
    }
}

void LoopbackPeer::acceptConnection()
{
    while (QTcpSocket *next = server.nextPendingConnection()) {
        dropConnection();
        client = next;
        ++accepted;
        next->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(next, &QTcpSocket::readyRead, this, [this, next] { takeIncoming(next->readAll()); });
    }
}
