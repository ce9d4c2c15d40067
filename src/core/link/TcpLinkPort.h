#pragma once

#include "link/LinkPort.h"

#include <QAbstractSocket>
#include <QFutureWatcher>
#include <QHostInfo>
#include <QTimer>

class QHostAddress;
class QTcpSocket;

// A TCP connection to a device, bound to the chosen local address, without proxy. Connecting gives up after
// 500 ms (name look-up included, which runs on the link pool). A connection that the device closes, that
// fails or that goes silent (TCP keep-alive, a few seconds) is lost at once; nothing is connected again
// behind the operator's back.
class TcpLinkPort : public LinkPort
{
    Q_OBJECT

public:
    // `remotePort` is decimal text; its low 16 bits are the port.
    TcpLinkPort(const QString &localIp, const QString &remoteIp, const QString &remotePort,
                QObject *parent = nullptr);
    ~TcpLinkPort() override;

    void open() override;
    QIODevice *device() const override;
    void write(const QByteArray &bytes) override;
    void shutDown() override;

protected:
    qintptr descriptor() const override;

private:
    void dial(const QHostAddress &address);
    void lookedUp();
    void fail(QAbstractSocket::SocketError error, const QString &reason);
    void socketError(QAbstractSocket::SocketError error);
    void enableKeepAlive();

    QString localIp;
    QString remoteIp;
    quint16 remotePort;
    QTcpSocket *socket = nullptr;
    bool bound = false;
    bool up = false;
    QTimer connectTimer;
    QFutureWatcher<QHostInfo> lookup;
};
