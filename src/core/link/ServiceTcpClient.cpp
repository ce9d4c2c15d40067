#include "link/ServiceTcpClient.h"

#include <QHostAddress>
#include <QMetaType>
#include <QNetworkProxy>
#include <QTcpSocket>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {
constexpr int NotConnectedInTime = 5;
constexpr int ConnectWaitMs = 500;

// Keep-alive of an idle connection: the first probe after 2 s without traffic, then one a second; a
// connection whose device has not answered anything for 4 s (probes or commands) is given up.
constexpr int KeepAliveIdleS = 2;
constexpr int KeepAliveIntervalS = 1;
constexpr int KeepAliveProbes = 3;
constexpr unsigned UnansweredLimitMs = 4000;

// Errors that say this computer's address cannot be used to reach the device.
bool isLocalCause(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::NetworkError ||
           error == QAbstractSocket::SocketAddressNotAvailableError ||
           error == QAbstractSocket::UnsupportedSocketOperationError;
}
} // namespace

ServiceTcpClient::ServiceTcpClient()
{
    qRegisterMetaType<QAbstractSocket::SocketError>("QAbstractSocket::SocketError");
}

ServiceTcpClient::~ServiceTcpClient() = default;

QIODevice *ServiceTcpClient::linkDevice() const
{
    return socket;
}

void ServiceTcpClient::SLT_MatchTimer_Timeout()
{
    matchTimeout();
}

void ServiceTcpClient::SLT_WaitTimer_Timeout()
{
    waitTimeout();
}

void ServiceTcpClient::SLT_SocketError(QAbstractSocket::SocketError error)
{
    // While connecting, the connect request reports the failure itself.
    if (socket)
        loseLink(int(error), socket->errorString());
}

void ServiceTcpClient::SLT_SyncConnect_TcpClient(const QString &LocalIp, const QString &RemoteIp,
                                                 const QString &RemotePort)
{
    runLinkChange([this, LocalIp, RemoteIp, RemotePort] {
        closeSocket();
        localIp = LocalIp;
        remoteIp = RemoteIp;
        remotePort = RemotePort;
        openSocket();
    });
}

void ServiceTcpClient::SLT_SyncDisconnect_TcpClient()
{
    runLinkChange([this] { closeSocket(); });
}

void ServiceTcpClient::SLT_RealSendData_TcpClient()
{
    sendStep();
}

void ServiceTcpClient::SLT_RealRecvData_TcpClient()
{
    receiveAvailable();
}

void ServiceTcpClient::openSocket()
{
    connected = 0;
    connectResult = 0;
    socket = new QTcpSocket;
    connect(socket, &QAbstractSocket::errorOccurred, this, &ServiceTcpClient::SLT_SocketError);
    connect(socket, &QAbstractSocket::disconnected, this,
            [this] { loseLink(int(QAbstractSocket::RemoteHostClosedError), socket->errorString()); });
    connect(socket, &QIODevice::readyRead, this, &ServiceTcpClient::SLT_RealRecvData_TcpClient);
    connect(this, &ServiceTcpClient::SGL_TryCheckSend, this, &ServiceTcpClient::SLT_RealSendData_TcpClient,
            Qt::ConnectionType(Qt::DirectConnection | Qt::UniqueConnection));
    createTimers(this);
    const bool bound = dialRemote();
    connectResult = socket->waitForConnected(ConnectWaitMs) ? 1 : 0;
    if (!connectResult) {
        const QAbstractSocket::SocketError error = socket->error();
        const QString reason = socket->errorString();
        socket->disconnect(this);
        socket->abort();
        delete socket;
        socket = nullptr;
        deleteTimers();
        // Nothing queued for a link that never came up is written on the next one.
        discardQueued();
        emit SGL_ConnectStatus_TcpClient(false, NotConnectedInTime, reason, !bound || isLocalCause(error));
        return;
    }
    enableKeepAlive();
    beginLink();
    emit SGL_ConnectStatus_TcpClient(true, 0, QString(), false);
}

void ServiceTcpClient::closeSocket()
{
    if (!socket)
        return;
    socket->disconnect(this);
    socket->disconnectFromHost();
    socket->abort();
    socket->close();
    delete socket;
    socket = nullptr;
    endLink();
}

bool ServiceTcpClient::dialRemote()
{
    // The proxy is set before binding and connecting so that this very attempt goes out directly.
    socket->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    // The local address picks the network interface; any local port will do. A failed bind still lets the
    // connect attempt go ahead.
    const bool bound = socket->bind(QHostAddress(localIp), 0);
    const auto port = quint16(remotePort.toLongLong(nullptr, 10));
    socket->connectToHost(remoteIp, port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
    return bound;
}

void ServiceTcpClient::enableKeepAlive()
{
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
    const int fd = int(socket->socketDescriptor());
    const int idle = KeepAliveIdleS;
    const int interval = KeepAliveIntervalS;
    const int probes = KeepAliveProbes;
    const unsigned limit = UnansweredLimitMs;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    // Also bounds how long a command written to a vanished device stays unacknowledged.
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &limit, sizeof limit);
#endif
}
