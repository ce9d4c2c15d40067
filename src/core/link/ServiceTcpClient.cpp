#include "link/ServiceTcpClient.h"

#include <QHostAddress>
#include <QMetaType>
#include <QNetworkProxy>
#include <QTcpSocket>

namespace {
constexpr int NotConnectedInTime = 5;
constexpr int ConnectWaitMs = 500;
constexpr int ReconnectWaitMs = 1000;
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
    // Acted upon at the next send, which connects again.
    lastError = int(error);
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
    if (!connected || linkChangePending())
        return;
    checkReconnect();
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
    connect(socket, &QIODevice::readyRead, this, &ServiceTcpClient::SLT_RealRecvData_TcpClient);
    connect(this, &ServiceTcpClient::SGL_TryCheckSend, this, &ServiceTcpClient::SLT_RealSendData_TcpClient,
            Qt::ConnectionType(Qt::DirectConnection | Qt::UniqueConnection));
    createTimers(this);
    dialRemote();
    connectResult = socket->waitForConnected(ConnectWaitMs) ? 1 : 0;
    if (!connectResult) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
        socket = nullptr;
        deleteTimers();
        // Nothing queued for a link that never came up is written on the next one.
        discardQueued();
        emit SGL_ConnectStatus_TcpClient(false, NotConnectedInTime);
        return;
    }
    beginLink();
    emit SGL_ConnectStatus_TcpClient(true, 0);
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

void ServiceTcpClient::dialRemote()
{
    // The proxy is set before binding and connecting so that this very attempt goes out directly.
    socket->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    // The local address picks the network interface; any local port will do. A failed bind still lets the
    // connect attempt go ahead.
    socket->bind(QHostAddress(localIp), 0);
    const auto port = quint16(remotePort.toLongLong(nullptr, 10));
    socket->connectToHost(remoteIp, port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
}

bool ServiceTcpClient::readyForWrite() const
{
    return socket && socket->state() == QAbstractSocket::ConnectedState && lastError == NoErrorSinceConnect;
}

void ServiceTcpClient::checkReconnect()
{
    if (!connectResult || !socket)
        return;
    if (socket->state() == QAbstractSocket::ConnectedState && lastError == NoErrorSinceConnect)
        return;
    // Any error, even on a socket that still looks connected, means a fresh connection to the same device,
    // which starts with an empty line.
    socket->abort();
    restartLineAssembly();
    dialRemote();
    if (socket->waitForConnected(ReconnectWaitMs)) {
        lastError = NoErrorSinceConnect;
        emit SGL_Reconnected_TcpClient();
    } else {
        emit SGL_ReConnectStatus_TcpClient(false);
    }
}
