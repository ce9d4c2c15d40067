#include "link/TcpLinkPort.h"

#include "link/LinkIoPool.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QtConcurrent/QtConcurrentRun>

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

TcpLinkPort::TcpLinkPort(const QString &local, const QString &remote, const QString &port, QObject *parent)
    : LinkPort(parent), localIp(local), remoteIp(remote), remotePort(quint16(port.toLongLong(nullptr, 10)))
{
    connectTimer.setSingleShot(true);
    connectTimer.setTimerType(Qt::PreciseTimer);
    connect(&connectTimer, &QTimer::timeout, this, [this] {
        fail(QAbstractSocket::SocketTimeoutError, QStringLiteral("Socket operation timed out"));
    });
    connect(&lookup, &QFutureWatcher<QHostInfo>::finished, this, &TcpLinkPort::lookedUp);
}

TcpLinkPort::~TcpLinkPort()
{
    shutDown();
}

void TcpLinkPort::shutDown()
{
    connectTimer.stop();
    lookup.disconnect(this);
    up = false;
    if (socket) {
        socket->disconnect(this);
        socket->abort();
    }
}

QIODevice *TcpLinkPort::device() const
{
    return up ? socket : nullptr;
}

void TcpLinkPort::write(const QByteArray &bytes)
{
    if (up) {
        socket->write(bytes);
        socket->flush();
    }
}

qintptr TcpLinkPort::descriptor() const
{
    return up ? socket->socketDescriptor() : -1;
}

void TcpLinkPort::open()
{
    socket = new QTcpSocket(this);
    connect(socket, &QAbstractSocket::errorOccurred, this, &TcpLinkPort::socketError);
    connect(socket, &QAbstractSocket::connected, this, [this] {
        connectTimer.stop();
        up = true;
        enableKeepAlive();
        emit opened(true, 0, QString(), false);
    });
    connect(socket, &QAbstractSocket::disconnected, this, [this] {
        if (up)
            emit lost(int(QAbstractSocket::RemoteHostClosedError), socket->errorString());
    });
    connect(socket, &QIODevice::readyRead, this, &LinkPort::readyRead);
    // The proxy is set before binding and connecting so that this very attempt goes out directly.
    socket->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    // The local address picks the network interface; any local port will do. A failed bind still lets the
    // connect attempt go ahead.
    bound = socket->bind(QHostAddress(localIp), 0);
    connectTimer.start(ConnectWaitMs);
    const QHostAddress address(remoteIp);
    if (!address.isNull()) {
        // Dialled from the event loop: a loopback connect may succeed or fail at once, and the result must
        // not come before open() has returned.
        QMetaObject::invokeMethod(
            this, [this, address] { dial(address); }, Qt::QueuedConnection);
        return;
    }
    const QString name = remoteIp;
    lookup.setFuture(QtConcurrent::run(linkIoPool(), [name] { return QHostInfo::fromName(name); }));
}

void TcpLinkPort::lookedUp()
{
    if (!socket || up || !connectTimer.isActive())
        return;
    const QHostInfo info = lookup.result();
    for (const QHostAddress &address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            dial(address);
            return;
        }
    }
    fail(QAbstractSocket::HostNotFoundError,
         info.error() == QHostInfo::NoError ? QStringLiteral("Host not found") : info.errorString());
}

void TcpLinkPort::dial(const QHostAddress &address)
{
    socket->connectToHost(address, remotePort, QIODevice::ReadWrite);
}

void TcpLinkPort::socketError(QAbstractSocket::SocketError error)
{
    if (up)
        emit lost(int(error), socket->errorString());
    else
        fail(error, socket->errorString());
}

void TcpLinkPort::fail(QAbstractSocket::SocketError error, const QString &reason)
{
    if (!socket || up)
        return;
    connectTimer.stop();
    QTcpSocket *failed = std::exchange(socket, nullptr);
    failed->disconnect(this);
    failed->abort();
    // It may be in the middle of emitting the error.
    failed->deleteLater();
    emit opened(false, NotConnectedInTime, reason, !bound || isLocalCause(error));
}

void TcpLinkPort::enableKeepAlive()
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
