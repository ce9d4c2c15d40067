#pragma once

#include "LineSplitter.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <functional>

// A line-based TCP port on which tests steer the simulator: every line a client sends is handed to the
// handler, whose answer goes back as one line. Any number of clients at once.
class ControlPort : public QObject
{
    Q_OBJECT
public:
    // Takes a line (without its end) and gives the answer (without its end).
    using Handler = std::function<QByteArray(const QByteArray &line)>;

    explicit ControlPort(Handler handler, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port, QString *error);
    QHostAddress address() const { return server.serverAddress(); }
    quint16 port() const { return server.serverPort(); }

private:
    void accept();

    Handler handler;
    QTcpServer server;
};
