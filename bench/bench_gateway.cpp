// What lumaplex-gateway costs and how fast it answers, holding N devices of a fleet simulator on loopback.
// It prints
// - its start (until it serves) and the time until every device is up; its threads then;
// - GET /api/v1/devices p50/p99, sent open-loop (on a schedule, not after each answer) at --rate requests/s
//   over 32 connections for --seconds;
// - a GET /metrics scrape, median and worst of 20;
// - a PUT of one value, p50/p99, beside a raw line to the same device (one round trip of its own);
// - a change made elsewhere on one device (watched every second), from the first of --clients WebSocket
//   clients having it until the last has, p50/p99 over 10 changes;
// - the GET figures again while one more WebSocket client reads nothing and the device changes every 50 ms,
//   and the gateway's resident memory before and after.
//
// Usage: bench_gateway [--devices 256] [--rate 1000] [--seconds 5] [--clients 100] [--model RKA204QE]

#include "FleetSim.h"

#include "link/TrafficRecord.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>

#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>

namespace http = boost::beast::http;

namespace {

QByteArray request(quint16 port, const QByteArray &method, const QByteArray &path,
                   const QByteArray &body = {})
{
    QByteArray text =
        method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n";
    if (!body.isEmpty())
        text +=
            "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    return text + "\r\n" + body;
}

// One keep-alive connection to the gateway; requests may be sent before the answers to the ones before.
// Each answer's time is taken from the moment its request was due.
class Connection
{
public:
    Connection(quint16 port, std::vector<double> *times) : latencies(times)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] { read(); });
        fresh();
    }
    bool ready() { return socket.state() == QAbstractSocket::ConnectedState; }
    void send(const QByteArray &bytes, qint64 dueUs)
    {
        due.push_back(dueUs);
        socket.write(bytes);
    }
    bool idle() const { return due.empty(); }
    bool failed = false;
    QByteArray lastBody;

private:
    void fresh()
    {
        parser = std::make_unique<http::response_parser<http::string_body>>();
        parser->body_limit(64 * 1024 * 1024);
    }
    void read()
    {
        buffer += socket.readAll();
        while (!buffer.isEmpty() && !failed) {
            boost::system::error_code error;
            const std::size_t used =
                parser->put(boost::asio::const_buffer(buffer.constData(), std::size_t(buffer.size())), error);
            buffer.remove(0, int(used));
            if (error == http::error::need_more)
                break;
            if (error || due.empty()) {
                failed = true;
                return;
            }
            if (parser->is_done()) {
                latencies->push_back(double(monotonicNowUs() - due.front()) / 1000.0);
                due.pop_front();
                lastBody = QByteArray::fromStdString(parser->get().body());
                fresh();
            }
        }
    }

    QTcpSocket socket;
    std::unique_ptr<http::response_parser<http::string_body>> parser;
    QByteArray buffer;
    std::deque<qint64> due;
    std::vector<double> *latencies;
};

// GET /api/v1/devices at `rate` per second over `connections`, for `seconds`: the answers' times in ms.
std::vector<double> openLoop(quint16 port, int rate, int seconds, int connections)
{
    std::vector<double> times;
    std::vector<std::unique_ptr<Connection>> pool;
    for (int i = 0; i < connections; ++i)
        pool.push_back(std::make_unique<Connection>(port, &times));
    runUntil([&] { return std::all_of(pool.begin(), pool.end(), [](const auto &c) { return c->ready(); }); },
             10000);
    const QByteArray get = request(port, "GET", "/api/v1/devices");
    const qint64 total = qint64(rate) * seconds;
    const qint64 startUs = monotonicNowUs();
    qint64 sent = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 nowUs = monotonicNowUs();
        for (; sent < total && startUs + sent * 1000000 / rate <= nowUs; ++sent)
            pool[std::size_t(sent % connections)]->send(get, startUs + sent * 1000000 / rate);
    });
    tick.start(1);
    runUntil([&] { return qint64(times.size()) >= total; }, qint64(seconds) * 1000 + 60000);
    if (qint64(times.size()) < total)
        std::fprintf(stderr, "bench_gateway: %lld of %lld requests unanswered\n",
                     static_cast<long long>(total - qint64(times.size())), static_cast<long long>(total));
    return times;
}

// Sends one request at a time and waits for each answer: the times in ms.
std::vector<double> oneByOne(quint16 port, int count, const std::function<QByteArray(int)> &next)
{
    std::vector<double> times;
    Connection connection(port, &times);
    runUntil([&] { return connection.ready(); }, 10000);
    for (int i = 0; i < count && !connection.failed; ++i) {
        connection.send(next(i), monotonicNowUs());
        runUntil([&] { return connection.idle(); }, 30000);
    }
    return times;
}

void printSpread(const char *what, const std::vector<double> &ms)
{
    std::printf("%-44s p50 %8.2f ms   p99 %8.2f ms   (%zu)\n", what, percentile(ms, 0.5),
                percentile(ms, 0.99), ms.size());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("What the gateway costs and how fast it answers."));
    parser.addHelpOption();
    parser.addOptions({{"devices", "Devices of the fleet.", "n", "256"},
                       {"rate", "GET requests per second.", "n", "1000"},
                       {"seconds", "Seconds of GET requests.", "n", "5"},
                       {"clients", "WebSocket clients.", "n", "100"},
                       {"model", "The model every device plays.", "model", "RKA204QE"}});
    parser.process(app);
    const int devices = std::clamp(parser.value("devices").toInt(), 1, 999);
    const int rate = std::clamp(parser.value("rate").toInt(), 1, 100000);
    const int seconds = std::clamp(parser.value("seconds").toInt(), 1, 600);
    const int clients = std::clamp(parser.value("clients").toInt(), 1, 1000);

    FleetSim sim;
    if (!sim.start(devices, parser.value("model"))) {
        std::fprintf(stderr, "bench_gateway: the simulator did not start %d devices\n", devices);
        return 1;
    }
    QTemporaryDir dir;
    QJsonArray list;
    for (int i = 0; i < devices; ++i)
        list.append(QJsonObject{{"name", QStringLiteral("D%1").arg(i)},
                                {"id", QStringLiteral("d%1").arg(i)},
                                {"link", "tcp"},
                                {"address", "127.0.0.1"},
                                {"port", sim.ports[std::size_t(i)].toInt()},
                                {"watchSeconds", i == 0 ? 1 : 5}});
    QFile file(dir.filePath("devices.json"));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(
            QJsonDocument(QJsonObject{{"format", "lumaplex-devices"}, {"version", 1}, {"devices", list}})
                .toJson()) < 0)
        return 1;
    file.close();
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }

    TestProcess gateway;
    const qint64 startUs = monotonicNowUs();
    gateway.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-gateway"),
                  {"--devices", file.fileName(), "--app-dir", dir.path(), "--listen",
                   QStringLiteral("127.0.0.1:%1").arg(port)});
    QByteArray said;
    runUntil([&] { return (said += gateway.readAllStandardOutput()).contains("serving"); }, 30000);
    const double servingMs = double(monotonicNowUs() - startUs) / 1000.0;
    const QString pid = QString::number(gateway.processId());
    std::vector<double> ignored;
    Connection poll(port, &ignored);
    int up = 0;
    runUntil(
        [&] {
            if (!poll.ready() || !poll.idle())
                return false;
            up = 0;
            for (const QJsonValue &device :
                 QJsonDocument::fromJson(poll.lastBody).object()["devices"].toArray())
                up += device["state"] == QJsonValue("up");
            if (up < devices)
                poll.send(request(port, "GET", "/api/v1/devices"), monotonicNowUs());
            return up == devices;
        },
        600000);
    std::printf("gateway with %d devices: serving after %.0f ms, all up after %.0f ms (%d up); %d threads, "
                "%.1f MB resident\n",
                devices, servingMs, double(monotonicNowUs() - startUs) / 1000.0, up, threadCount(pid),
                double(residentBytes(pid)) / 1e6);

    printSpread("GET /api/v1/devices, open loop", openLoop(port, rate, seconds, 32));
    printSpread("GET /metrics", oneByOne(port, 20, [port](int) { return request(port, "GET", "/metrics"); }));
    printSpread("PUT one value", oneByOne(port, 20, [port](int i) {
                    return request(port, "PUT", "/api/v1/devices/d1/values",
                                   "{\"audio.volume\": " + QByteArray::number(10 + i % 2) + '}');
                }));
    printSpread("POST a raw line (the device's round trip)", oneByOne(port, 20, [port](int) {
                    return request(port, "POST", "/api/v1/devices/d1/lines", R"({"line": "GET AUDIO VOL"})");
                }));

    // The change stream: the spread between the first client and the last, per change.
    std::vector<std::unique_ptr<QWebSocket>> listeners;
    std::vector<qint64> heardUs;
    const QUrl events(
        QStringLiteral("ws://127.0.0.1:%1/api/v1/events?devices=d0&keys=audio.volume").arg(port));
    int open = 0;
    for (int i = 0; i < clients; ++i) {
        listeners.push_back(std::make_unique<QWebSocket>());
        QObject::connect(listeners.back().get(), &QWebSocket::connected, [&open] { ++open; });
        QObject::connect(listeners.back().get(), &QWebSocket::textMessageReceived,
                         [&heardUs](const QString &text) {
                             if (text.contains(QLatin1String("\"type\":\"value\"")))
                                 heardUs.push_back(monotonicNowUs());
                         });
        listeners.back()->open(events);
    }
    runUntil([&] { return open == clients; }, 30000);
    QTcpSocket elsewhere;
    elsewhere.connectToHost(QHostAddress::LocalHost, sim.ports[0].toUShort());
    runUntil([&] { return elsewhere.state() == QAbstractSocket::ConnectedState; }, 10000);
    std::vector<double> spread;
    for (int change = 0; change < 10; ++change) {
        heardUs.clear();
        elsewhere.write("SET AUDIO VOL " + QByteArray::number(20 + change % 2) + '\r');
        if (!runUntil([&] { return int(heardUs.size()) == clients; }, 15000))
            break;
        spread.push_back(double(*std::max_element(heardUs.begin(), heardUs.end()) -
                                *std::min_element(heardUs.begin(), heardUs.end())) /
                         1000.0);
        elsewhere.readAll();
    }
    printSpread(qPrintable(QStringLiteral("a change to %1 WebSocket clients").arg(clients)), spread);

    // One more client that reads nothing while the device keeps changing.
    const qint64 residentBefore = residentBytes(pid);
    QTcpSocket deaf;
    deaf.setReadBufferSize(1024);
    deaf.connectToHost(QHostAddress::LocalHost, port);
    runUntil([&] { return deaf.state() == QAbstractSocket::ConnectedState; }, 10000);
    deaf.write(
        QByteArray("GET /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1:") + QByteArray::number(port) +
        "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
        "Sec-WebSocket-Version: 13\r\n\r\n");
    int step = 0;
    QTimer changes;
    QObject::connect(&changes, &QTimer::timeout, [&] {
        elsewhere.write("SET AUDIO VOL " + QByteArray::number(30 + ++step % 2) + '\r');
        elsewhere.readAll();
    });
    changes.start(50);
    printSpread("GET /api/v1/devices, one client deaf", openLoop(port, rate, seconds, 32));
    changes.stop();
    std::printf("gateway resident memory: %.1f MB before the deaf client, %.1f MB after\n",
                double(residentBefore) / 1e6, double(residentBytes(pid)) / 1e6);
    gateway.terminate();
    gateway.waitForFinished(30000);
    return 0;
}
