#pragma once

#include "link/LinkService.h"

#include <QAbstractSocket>
#include <QString>

class QTcpSocket;

// The TCP client transport: works its link channel through a QTcpSocket in a worker thread, bound to the
// chosen local address. Wired like the serial service. A connection that the device closes, that fails
// or that goes silent (TCP keep-alive, a few seconds) ends the link at once with SGL_LinkLost; nothing is
// connected again behind the operator's back.
class ServiceTcpClient : public LinkService
{
    Q_OBJECT

public:
    ServiceTcpClient();
    ~ServiceTcpClient() override;

signals:
    // Internal: the link is free again, the next command may go.
    void SGL_TryCheckSend();
    // Reply lines were put on the receive queue.
    void SGL_UpdateRecvData_TcpClient();
    // The bytes just written, as Latin-1 text.
    void SGL_UpdateSendData_TcpClient(const QString &Text);
    // Result of a connect request: true with 0, or false with 5 when no connection was made within 500 ms,
    // with the system's reason; `localCause` when this computer's address could not be used (not
    // available, or no route from it to the device).
    void SGL_ConnectStatus_TcpClient(bool status, int ErrorCode, const QString &reason = QString(),
                                     bool localCause = false);
    // No matching reply came in time for the command `cmd`.
    void SGL_WaitReplyTimeout_TcpClient(const QString &cmd);

public slots:
    void SLT_MatchTimer_Timeout();
    void SLT_WaitTimer_Timeout();
    void SLT_SocketError(QAbstractSocket::SocketError error);
    // RemotePort is decimal text; its low 16 bits are the port. A request while connected closes the open
    // link first.
    void SLT_SyncConnect_TcpClient(const QString &LocalIp, const QString &RemoteIp,
                                   const QString &RemotePort);
    void SLT_SyncDisconnect_TcpClient();
    void SLT_RealSendData_TcpClient();
    void SLT_RealRecvData_TcpClient();

protected:
    QIODevice *linkDevice() const override;
    void announceTryCheckSend() override { emit SGL_TryCheckSend(); }
    void announceReceivedLine() override { emit SGL_UpdateRecvData_TcpClient(); }
    void announceSentData(const QString &text) override { emit SGL_UpdateSendData_TcpClient(text); }
    void announceReplyTimeout(const QString &cmd) override { emit SGL_WaitReplyTimeout_TcpClient(cmd); }

private:
    void openSocket();
    void closeSocket();
    // Binds to the local address and starts connecting to the remote one, without proxy; false when the
    // local address could not be bound.
    bool dialRemote();
    // Probes an idle connection, so that a device that vanished without closing it is noticed.
    void enableKeepAlive();

    QTcpSocket *socket = nullptr;
    QString localIp;
    QString remoteIp;
    QString remotePort;
};
