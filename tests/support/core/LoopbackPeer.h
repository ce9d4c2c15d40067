#pragma once

#include "DevicePeer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A device on 127.0.0.1: a TCP server that accepts the transport's connection and plays the device on it.
// A new connection replaces the previous one.
class LoopbackPeer : public DevicePeer
{
    Q_OBJECT

public:
    LoopbackPeer();

    quint16 port() const { return listeningPort; }
    // Number of connections accepted so far.
    int connectionCount() const { return accepted; }
    bool hasConnection() const;
    // Waits until the current connection was closed by the other side (or is gone already).
    bool waitForHangUp(int timeoutMs);

    // Closes the current connection from the device's side; the server keeps listening.
    void dropConnection();
    // Stops accepting connections (the port is then closed) and closes the current one.
    void stopListening();

protected:
    void writeToLink(const QByteArray &bytes) override;

private:
    void acceptConnection();

    QTcpServer server;
    QPointer<QTcpSocket> client;
    quint16 listeningPort = 0;
    int accepted = 0;
};
