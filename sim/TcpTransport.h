#pragma once

#include "LineSplitter.h"
#include "SimLink.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>

class QTcpSocket;

// The device's TCP control port: one client at a time; a new connection replaces the current one.
class TcpTransport : public SimLink
{
    Q_OBJECT
public:
    explicit TcpTransport(QObject *parent = nullptr);
    ~TcpTransport() override;

    bool listen(const QHostAddress &address, quint16 port, QString *error);
    // Closes the listener and the client connection; nobody can connect until the next listen().
    void stopListening();
    bool isListening() const { return server.isListening(); }
    QHostAddress address() const { return server.serverAddress(); }
    quint16 port() const { return server.serverPort(); }
    // Closes the client connection after what was written has gone out.
    void dropClient();

    QString tag() const override { return QStringLiteral("tcp"); }
    bool isConnected() const override;
    bool writeBytes(const QByteArray &bytes) override;

signals:
    void clientConnected(const QString &peer);
    void clientDisconnected();

private:
    void acceptClient();
    void readClient();
    void clientGone();

    QTcpServer server;
    QPointer<QTcpSocket> client;
    LineSplitter splitter;
};
