#pragma once

#include "HttpMessage.h"
#include "HttpRequestReader.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

class QTcpSocket;

// One client connection of the HTTP server: its bytes are read into requests (HttpRequestReader), one at a
// time; the next request is read only once the one before has been answered, so that answers go in the
// order of the requests. A request must arrive whole within RequestTimeoutMs of its first byte, and an idle
// connection is closed after IdleTimeoutMs. What the reader refuses is answered and the connection closed.
class HttpConnection : public QObject
{
    Q_OBJECT

public:
    static constexpr int RequestTimeoutMs = 10000;
    static constexpr int IdleTimeoutMs = 60000;

    using Handler = std::function<void(HttpConnection *connection, const HttpRequest &request)>;
    // Asked with the head of a connection's first request when it asks to become a WebSocket: true when the
    // handler took the socket (whose bytes are then still unread), false to answer it as any request.
    using Upgrade = std::function<bool(QTcpSocket *socket, const HttpRequest &request)>;

    HttpConnection(QTcpSocket *socket, Handler handler, Upgrade upgrade, QObject *parent = nullptr);
    ~HttpConnection() override;

    // Answers the request under way; the connection then reads the next one, or closes when the client or
    // the answer asked for that.
    void respond(const HttpResponse &response);

signals:
    // The connection closed; it deletes itself afterwards.
    void SGL_Closed();

private:
    void readMore();
    // Whether the first request, still unread, asks for a WebSocket: the socket is then handed on. False
    // also while its head has not arrived whole (*waiting).
    bool handedOn(bool *waiting);
    // Parses what has arrived; hands on a request once one is whole.
    void parse();
    void refuse(const HttpResponse &response);
    void close();

    QTcpSocket *socket;
    Handler handler;
    Upgrade upgrade;
    bool firstRequest = true;
    bool upgradeRefused = false;
    HttpRequestReader reader;
    QByteArray buffer;
    QTimer timer;
    bool busy = false;
    bool keepAlive = true;
    bool closing = false;
};
