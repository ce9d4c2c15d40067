#include "LoopbackPeer.h"

#include <QHostAddress>
#include <QTest>

#include <cerrno>
#include <sys/socket.h>

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

QHostAddress LoopbackPeer::clientAddress() const
{
    return client ? client->peerAddress() : QHostAddress();
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

bool LoopbackPeer::listenAgain()
{
    return server.listen(QHostAddress::LocalHost, listeningPort);
}

void LoopbackPeer::writeFromAnyThread(const QByteArray &bytes)
{
    const qintptr descriptor = client ? client->socketDescriptor() : -1;
    qint64 done = 0;
    while (descriptor >= 0 && done < bytes.size()) {
        const ssize_t written =
            ::send(int(descriptor), bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (written < 0 && errno != EINTR && errno != EAGAIN)
            return;
        if (written > 0)
            done += written;
    }
}

void LoopbackPeer::writeToLink(const QByteArray &bytes)
{
    if (client)
        client->write(bytes);
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
