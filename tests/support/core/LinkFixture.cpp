#include "LinkFixture.h"

#include "LoopbackPeer.h"
#include "PtyPair.h"
#include "WorkerHook.h"
#include "app/AppState.h"
#include "link/ServiceSerialPort.h"
#include "link/ServiceTcpClient.h"
#include "protocol/Catalogue.h"

#include <QMetaMethod>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

namespace {
constexpr int ThreadStopMs = 5000;
constexpr int ConnectStatusMs = 5000;
} // namespace

LinkFixture::LinkFixture(Transport transport) : kind(transport)
{
    if (kind == Serial)
        ptyPeer = std::make_unique<PtyPair>();
    else
        tcpPeer = std::make_unique<LoopbackPeer>();
    eventLog = std::make_unique<LinkEventLog>(channel());

    LinkService &worker = service();
    if (worker.thread() != &thread())
        worker.moveToThread(&thread());
    const char *disconnectSlot =
        kind == Serial ? SLOT(SLT_SyncDisconnect_SerialPort()) : SLOT(SLT_SyncDisconnect_TcpClient());
    QObject::connect(&thread(), SIGNAL(finished()), &worker, disconnectSlot, Qt::UniqueConnection);

    LinkEventLog *log = eventLog.get();
    const auto toLog = [this, &worker, log](const char *stem, const char *arguments, const char *slot) {
        QObject::connect(&worker, signalSignature(stem, arguments).constData(), log, slot);
    };
    toLog("SGL_UpdateSendData", "(QString)", SLOT(onSent(QString)));
    toLog("SGL_UpdateRecvData", "()", SLOT(onReceived()));
    toLog("SGL_WaitReplyTimeout", "(QString)", SLOT(onReplyTimeout(QString)));
    toLog("SGL_ConnectStatus", "(bool,int)", SLOT(onConnectStatus(bool, int)));
    if (kind == Serial)
        QObject::connect(&worker, SIGNAL(SGL_PortLost_SerialPort(int)), log, SLOT(onPortLost(int)));
    else
        QObject::connect(&worker, SIGNAL(SGL_ReConnectStatus_TcpClient(bool)), log,
                         SLOT(onReconnectStatus(bool)));
}

LinkFixture::~LinkFixture()
{
    stop();
    State().LinkType = LinkNone;
}

LinkService &LinkFixture::service() const
{
    if (kind == Serial)
        return SerialService();
    return TcpService();
}

QThread &LinkFixture::thread() const
{
    return kind == Serial ? SerialThread() : TcpThread();
}

LinkChannel &LinkFixture::channel() const
{
    return kind == Serial ? SerialChannel() : TcpChannel();
}

DevicePeer &LinkFixture::peer() const
{
    if (kind == Serial)
        return *ptyPeer;
    return *tcpPeer;
}

bool LinkFixture::open()
{
    State().LinkType = kind == Serial ? LinkSerial : LinkTcpClient;
    startThread();
    const int before = eventLog->count(LinkEvent::ConnectStatus);
    requestConnect();
    if (!eventLog->waitFor(LinkEvent::ConnectStatus, before + 1, ConnectStatusMs))
        return false;
    return eventLog->eventsOf(LinkEvent::ConnectStatus).last().status;
}

void LinkFixture::startThread()
{
    if (!thread().isRunning())
        thread().start();
}

void LinkFixture::requestConnect()
{
    if (kind == Serial)
        requestSerialConnect(ptyPeer->slavePath());
    else
        requestTcpConnect("127.0.0.1", "127.0.0.1", QString::number(tcpPeer->port()));
}

void LinkFixture::requestSerialConnect(const QString &portName, const QStringList &settings)
{
    QMetaObject::invokeMethod(&SerialService(), "SLT_SyncConnect_SerialPort", Qt::QueuedConnection,
                              Q_ARG(QString, portName), Q_ARG(QString, settings.value(0)),
                              Q_ARG(QString, settings.value(1)), Q_ARG(QString, settings.value(2)),
                              Q_ARG(QString, settings.value(3)), Q_ARG(QString, settings.value(4)));
}

void LinkFixture::requestTcpConnect(const QString &localIp, const QString &remoteIp,
                                    const QString &remotePort)
{
    QMetaObject::invokeMethod(&TcpService(), "SLT_SyncConnect_TcpClient", Qt::QueuedConnection,
                              Q_ARG(QString, localIp), Q_ARG(QString, remoteIp), Q_ARG(QString, remotePort));
}

void LinkFixture::requestDisconnect()
{
    callSlot("SLT_SyncDisconnect");
}

void LinkFixture::requestSend()
{
    callSlot("SLT_RealSendData");
}

bool LinkFixture::stop()
{
    thread().quit();
    return thread().wait(ThreadStopMs);
}

void LinkFixture::queue(const QByteArray &text, const ReplyRule &rule)
{
    State().LinkType = kind == Serial ? LinkSerial : LinkTcpClient;
    sendWithRule(text.constData(), quint32(text.size()), rule);
}

void LinkFixture::queueWithoutRule(const QByteArray &bytes)
{
    LinkChannel &link = channel();
    enqueueEntry(bytes, nullptr, 0, &link.sendLock, &link.sendQueue);
}

void LinkFixture::callSlot(const char *slotStem, Qt::ConnectionType type)
{
    const QByteArray slot = QByteArray(slotStem) + (kind == Serial ? "_SerialPort" : "_TcpClient");
    QMetaObject::invokeMethod(&service(), slot.constData(), type);
}

void LinkFixture::runInWorker(int delayMs, std::function<void()> action)
{
    LinkService *worker = &service();
    QMetaObject::invokeMethod(
        worker, [worker, delayMs, action] { QTimer::singleShot(delayMs, Qt::PreciseTimer, worker, action); },
        Qt::QueuedConnection);
}

void LinkFixture::hookWorkerSignal(const QByteArray &signature, std::function<void()> action)
{
    auto hook = std::make_unique<WorkerHook>(std::move(action));
    // A direct connection runs the hook in the emitting thread, i.e. inside the service's own processing.
    QObject::connect(&service(), QByteArray("2" + signature).constData(), hook.get(), SLOT(fire()),
                     Qt::DirectConnection);
    hooks.push_back(std::move(hook));
}

QByteArray LinkFixture::signalSignature(const char *stem, const char *arguments) const
{
    // The form SIGNAL() produces: a code digit, the name, the normalised argument list.
    return QByteArray("2") + stem + (kind == Serial ? "_SerialPort" : "_TcpClient") + arguments;
}

QStringList declaredMethods(const QMetaObject &meta)
{
    QStringList declared;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        declared << QString::fromLatin1(method.methodSignature() + '|' + method.parameterNames().join(','));
    }
    return declared;
}
