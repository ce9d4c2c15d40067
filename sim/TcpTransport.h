#pragma once

#include "LineSplitter.h"
#include "SimLink.h"

#include <QHostAddress>
#include <QList>
#include <QTcpServer>

class QTcpSocket;

// One connection to the device's TCP control port.
class TcpClient : public SimLink
{
    Q_OBJECT
public:
    TcpClient(QTcpSocket *socket, int slot, QObject *parent);
    ~TcpClient() override;

    // The client's number among those connected at once, from 1; the first free one when it connected.
    int slot() const { return number; }
    QString peer() const { return peerText; }
    // Closes the connection after what was written has gone out; the object deletes itself then.
    void close();
    // Stops reading the connection (what the peer writes waits in it), or reads on, what waited first.
    void setReading(bool on);

    // "tcp" for the first client, "tcp2", "tcp3"... for those connected beside it.
    QString tag() const override;
    bool isConnected() const override;
    bool writeBytes(const QByteArray &bytes) override;

signals:
    // The connection ended (closed by either side); emitted once.
    void closed();

private:
    void read();

    QTcpSocket *socket;
    int number;
    QString peerText;
    bool open = true;
    bool reading = true;
    LineSplitter splitter;
};

// The device's TCP control port: any number of clients at once, each a link of its own.
class TcpTransport : public QObject
{
    Q_OBJECT
public:
    explicit TcpTransport(QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port, QString *error);
    // Closes the listener and every client connection; nobody can connect until the next listen().
    void stopListening();
    // Closes every client connection and goes on listening.
    void dropClients();
    // Whether the clients' connections are read (see TcpClient::setReading), those accepted later too.
    void setReading(bool on);
    bool isListening() const { return server.isListening(); }
    QHostAddress address() const { return server.serverAddress(); }
    quint16 port() const { return server.serverPort(); }

signals:
    // A client connected; its link lives until it has emitted TcpClient::closed.
    void clientConnected(TcpClient *client);

private:
    void accept();

    QTcpServer server;
    QList<TcpClient *> clients;
    bool reading = true;
};
