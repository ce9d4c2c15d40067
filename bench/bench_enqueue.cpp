// How long a click waits when it queues a request while the link is busy: a device on 127.0.0.1 answers
// every command, the link session sends them one at a time with the 50 ms gap before each write, and the
// GUI thread queues a request every millisecond. Prints how long each queue call took (median, 99th
// percentile, worst) and how many commands were written meanwhile.
//
// Usage: bench_enqueue [seconds]   (default 3)

#include "protocol/Catalogue.h"
#include "session/LinkSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    // The device: answers every CR-terminated command with the HDCP reply.
    QTcpServer device;
    if (!device.listen(QHostAddress::LocalHost, 0))
        return 1;
    int commands = 0;
    QObject::connect(&device, &QTcpServer::newConnection, [&] {
        QTcpSocket *socket = device.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, &commands] {
            const int lines = socket->readAll().count('\r');
            commands += lines;
            for (int i = 0; i < lines; ++i)
                socket->write("OUT HDCP FORCE-2.2\r\n");
        });
    });

    LinkSession session;
    bool connected = false;
    QObject::connect(&session, &LinkSession::SGL_ConnectStatus,
                     [&](quint32, bool status, int) { connected = status; });
    session.openTcpClient("127.0.0.1", "127.0.0.1", QString::number(device.serverPort()));
    QElapsedTimer wait;
    wait.start();
    while (!connected && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!connected) {
        std::fprintf(stderr, "no connection\n");
        return 1;
    }

    std::vector<qint64> waits;
    QTimer clicks;
    clicks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clicks, &QTimer::timeout, [&] {
        QElapsedTimer call;
        call.start();
        session.send(ReadSetting(session.device().context(), "output.hdcp"));
        waits.push_back(call.nsecsElapsed());
    });
    clicks.start(1);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    clicks.stop();

    std::sort(waits.begin(), waits.end());
    const auto at = [&](double q) {
        return waits[std::min(waits.size() - 1, size_t(q * double(waits.size())))];
    };
    std::printf("queue calls %zu, commands written %d\n", waits.size(), commands);
    std::printf("queue call wait: median %.3f ms, p99 %.3f ms, worst %.3f ms\n", double(at(0.5)) / 1e6,
                double(at(0.99)) / 1e6, double(waits.back()) / 1e6);
    session.closeLink();
    return 0;
}
