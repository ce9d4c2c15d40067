#pragma once

#include "HttpConnection.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

// The gateway's HTTP listener: accepts at most ConnectionLimit connections at once (one more is answered
// 503 and closed) and hands each whole request to the handler, on the event loop.
class HttpServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int ConnectionLimit = 512;

    HttpServer(HttpConnection::Handler handler, HttpConnection::Upgrade upgrade, QObject *parent = nullptr);

    // False with the system's reason in *error when the address cannot be listened on.
    bool listen(const QHostAddress &address, quint16 port, QString *error);
    quint16 port() const { return server.serverPort(); }
    int connections() const { return open; }

private:
    void accept();

    QTcpServer server;
    HttpConnection::Handler handler;
    HttpConnection::Upgrade upgrade;
    int open = 0;
};
