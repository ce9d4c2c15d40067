#pragma once

#include "DevicePeer.h"
#include "LinkEventLog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class LinkService;
class LoopbackPeer;
class PtyPair;
class QThread;
struct LinkChannel;
struct ReplyRule;

// Runs one of the two process-wide transport services in its own worker thread against a test device:
// the serial service on a pseudo-terminal pair, the TCP service against a server on 127.0.0.1. Wired as the
// connection page and the main window wire it: the service is moved to its thread, the thread's finished()
// runs the disconnect slot, requests are queued calls, the signals arrive queued in the log. The destructor
// quits and waits the thread.
class LinkFixture
{
public:
    enum Transport
    {
        Serial,
        Tcp
    };

    explicit LinkFixture(Transport transport);
    ~LinkFixture();
    LinkFixture(const LinkFixture &) = delete;
    LinkFixture &operator=(const LinkFixture &) = delete;

    Transport transport() const { return kind; }
    LinkService &service() const;
    QThread &thread() const;
    LinkChannel &channel() const;
    DevicePeer &peer() const;
    // The concrete peer of the transport; null for the other one.
    PtyPair *pty() const { return ptyPeer.get(); }
    LoopbackPeer *loopback() const { return tcpPeer.get(); }
    LinkEventLog &log() { return *eventLog; }

    // Starts the thread, asks for a connection to the peer and waits for the status; true on success.
    bool open();
    void startThread();
    // Connect requests to the peer, or with explicit parameters.
    void requestConnect();
    // Settings: baud rate, data bits, parity, stop bits, flow control as decimal texts of Qt's values.
    void requestSerialConnect(const QString &portName,
                              const QStringList &settings = {"115200", "8", "0", "1", "0"});
    void requestTcpConnect(const QString &localIp, const QString &remoteIp, const QString &remotePort);
    void requestDisconnect();
    // What the main window does after a page queued commands.
    void requestSend();
    // Quits the worker thread and waits for it; false if it did not end.
    bool stop();

    // Calls the service's slot <stem>_SerialPort or <stem>_TcpClient, queued or (from inside the worker
    // thread) directly.
    void callSlot(const char *slotStem, Qt::ConnectionType type = Qt::QueuedConnection);
    // Runs `action` in the worker thread `delayMs` after the thread handles this request (a precise timer of
    // that thread, so it also fires inside the send step's 50 ms gap).
    void runInWorker(int delayMs, std::function<void()> action);
    // Runs `action` in the worker thread, right where the service emits <stem>_... or SGL_TryCheckSend.
    void hookWorkerSignal(const QByteArray &signature, std::function<void()> action);

    // Queues `text` plus CR with `rule` on the link, as the request builders do.
    void queue(const QByteArray &text, const ReplyRule &rule);
    // Queues bytes without any reply rule, as the debug console does.
    void queueWithoutRule(const QByteArray &bytes);

private:
    QByteArray signalSignature(const char *stem, const char *arguments) const;

    Transport kind;
    std::unique_ptr<PtyPair> ptyPeer;
    std::unique_ptr<LoopbackPeer> tcpPeer;
    std::unique_ptr<LinkEventLog> eventLog;
    std::vector<std::unique_ptr<QObject>> hooks;
};

// The signals and slots a class declares itself, in meta-object order, each as "signature|parameter names".
QStringList declaredMethods(const QMetaObject &meta);
