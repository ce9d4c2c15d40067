// lumaplex-gateway as a control system meets it: the HTTP API over loopback against simulated devices, with
// Qt's own HTTP client for what a client does and raw bytes for what a broken or hostile one sends.

#include "core/SimDevice.h"
#include "core/TestProcess.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct Answer
{
    int status = 0;
    QJsonObject body;
};

QByteArray devicesFile(const QJsonArray &devices)
{
    return QJsonDocument(QJsonObject{{"format", "lumaplex-devices"}, {"version", 1}, {"devices", devices}})
        .toJson();
}

QJsonObject tcpDevice(const QString &name, quint16 port)
{
    return {{"name", name}, {"link", "tcp"}, {"address", "127.0.0.1"}, {"port", port}};
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The answer to raw request bytes; the connection is closed by the gateway or after the answer.
Answer rawRequest(quint16 port, const QByteArray &bytes)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(bytes);
    QByteArray received;
    while (!received.contains("\r\n\r\n") ||
           received.size() <
               received.indexOf("\r\n\r\n") + 4 +
                   received.mid(received.indexOf("Content-Length: ") + 16).split('\r').first().toInt()) {
        if (!socket.waitForReadyRead(10000))
            break;
        received += socket.readAll();
    }
    Answer answer;
    answer.status = received.mid(9, 3).toInt();
    answer.body = QJsonDocument::fromJson(received.mid(received.indexOf("\r\n\r\n") + 4)).object();
    return answer;
}

} // namespace

class TestGateway : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void readsAndWrites();
    void changeElsewhere();
    void changeStream();
    void metrics();
    void textPort();
    void openApi();
    void holdThroughRestart();
    void boundedQueue();
    void refusals_data();
    void refusals();
    void checkConfig_data();
    void checkConfig();
    void reload();

private:
    Answer call(const QByteArray &method, const QString &path, const QJsonObject &body = {});
    QTemporaryDir dir;
    SimDevice sims[2];
    TestProcess gateway;
    quint16 port = 0;
    quint16 controlPort = 0;
    QByteArray logged; // what the gateway wrote on standard output and a test has read
    int notify = -1;   // the service manager's socket, as systemd gives it to a service of Type=notify
    QByteArray notified() const
    {
        char text[512] = {};
        const ssize_t got = ::recv(notify, text, sizeof text - 1, MSG_DONTWAIT);
        return got > 0 ? QByteArray(text, int(got)) : QByteArray();
    }
    QNetworkAccessManager client;
};

void TestGateway::initTestCase()
{
    QVERIFY(sims[0].start({"--model", "TN386"}) && sims[1].start({"--model", "RKA204QE"}));
    QJsonObject named = tcpDevice("Studio B", sims[1].port());
    named.insert("id", "b-room");
    named.insert("watchSeconds", 1);
    QJsonObject first = tcpDevice("Studio A (main)", sims[0].port());
    first.insert("watchSeconds", 1);
    QFile file(dir.filePath("devices.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(devicesFile({first, named, tcpDevice("--", 1)}));
    file.close();
    port = freePort();
    controlPort = freePort();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(dir.filePath("notify"));
    std::memcpy(address.sun_path, socketPath.constData(), std::size_t(socketPath.size()));
    notify = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    QVERIFY(::bind(notify, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("NOTIFY_SOCKET", QString::fromLocal8Bit(socketPath));
    gateway.setProcessEnvironment(environment);
    gateway.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-gateway"),
                  {"--devices", file.fileName(), "--app-dir", dir.path(), "--listen",
                   QStringLiteral("127.0.0.1:%1").arg(port), "--tcp-control", QString::number(controlPort),
                   "--audit", dir.filePath("audit.jsonl")});
    QVERIFY(gateway.waitForStarted());
    const auto states = [this] {
        QStringList words;
        for (const QJsonValue &device : call("GET", "/api/v1/devices").body["devices"].toArray())
            words << device["id"].toString() + '=' + device["state"].toString();
        return words.join(' ');
    };
    QTRY_COMPARE_WITH_TIMEOUT(states(), QStringLiteral("studio-a-main=up b-room=up device-3=down"), 30000);
    QCOMPARE(notified(), QByteArray("READY=1\nSTATUS=serving 3 device(s)"));
}

void TestGateway::cleanupTestCase()
{
    QVERIFY(gateway.sendSignal(SIGTERM));
    QVERIFY(gateway.waitForFinished(10000));
    QCOMPARE(gateway.exitStatus() == QProcess::NormalExit ? gateway.exitCode() : -1, 0);
    QByteArray told;
    for (QByteArray one = notified(); !one.isEmpty(); one = notified())
        told += one + '|';
    QCOMPARE(told, QByteArray("STATUS=serving 2 device(s)|STOPPING=1|"));
    ::close(notify);
    const QByteArray log = logged + gateway.readAllStandardOutput();
    QVERIFY2(log.contains("b-room: up (read)") && log.contains("device-3: down (cannot open tcp 127.0.0.1:1"),
             log.constData());
}

Answer TestGateway::call(const QByteArray &method, const QString &path, const QJsonObject &body)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply *reply = client.sendCustomRequest(request, method, QJsonDocument(body).toJson());
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(20000);
    Answer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                  QJsonDocument::fromJson(reply->readAll()).object()};
    reply->deleteLater();
    return answer;
}

void TestGateway::readsAndWrites()
{
    const QJsonArray devices = call("GET", "/api/v1/devices").body["devices"].toArray();
    QCOMPARE(devices[0]["model"].toString() + ' ' + devices[1]["model"].toString(),
             QStringLiteral("TN386 RKA204QE"));
    QCOMPARE(devices[0]["link"].toString(), QStringLiteral("tcp 127.0.0.1:%1").arg(sims[0].port()));
    QVERIFY(devices[2]["model"].isNull());
    // Values typed as a setup file holds them.
    const QJsonObject values = call("GET", "/api/v1/devices/studio-a-main").body["values"].toObject();
    QCOMPARE(values["output.hdcp"], QJsonValue("FORCE-1.4"));
    QCOMPARE(values["audio.volume"], QJsonValue(15));
    // A write reaches the wire in the restore's order, and is answered with what the device then holds.
    const Answer put = call("PUT", "/api/v1/devices/studio-a-main/values",
                            {{"audio.volume", 7}, {"output.hdcp", "force-2.2"}});
    QCOMPARE(put.status, 200);
    QCOMPARE(put.body, QJsonDocument::fromJson(R"({"values": {"audio.volume": {"status": "done", "value": 7},
        "output.hdcp": {"status": "done", "value": "FORCE-2.2"}}})")
                           .object());
    // Audited: who asked what, how it ended, the values before and after; also in the audit file.
    const QJsonObject entry =
        call("GET", "/api/v1/devices/studio-a-main/audit?limit=1").body["entries"][0].toObject();
    QCOMPARE(entry["what"].toString() + ' ' + entry["client"].toString() + ' ' +
                 QString::number(entry["status"].toInt()),
             QStringLiteral("values 127.0.0.1 200"));
    QCOMPARE(entry["before"]["audio.volume"].toInt() * 100 + entry["after"]["audio.volume"].toInt(), 1507);
    const auto audited = [this] {
        QFile file(dir.filePath("audit.jsonl"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_VERIFY(audited().contains(R"("what":"values")"));
    const QStringList sent = sims[0].requests().filter("SET ");
    QCOMPARE(sent, QStringList({"SET OUT HDCP FORCE-2.2", "SET AUDIO VOL 7"}));
    QCOMPARE(call("GET", "/api/v1/devices/studio-a-main/values/output.hdcp").body,
             QJsonObject({{"key", "output.hdcp"}, {"value", "FORCE-2.2"}}));
    const Answer scene = call("POST", "/api/v1/devices/b-room/actions/scene.load", {{"scene", 3}});
    QCOMPARE(scene.body["status"].toString() + ' ' + scene.body["reply"].toString(),
             QStringLiteral("done LOAD SCENE 3"));
    const Answer line = call("POST", "/api/v1/devices/b-room/lines", {{"line", "GET OUT HDCP"}});
    QCOMPARE(line.body["reply"].toString(), QStringLiteral("OUT HDCP FORCE-1.4"));
    // The setup as a setup file, restored with one value changed; link settings stay as they are.
    QJsonObject setup = call("GET", "/api/v1/devices/b-room/setup").body;
    QCOMPARE(setup["format"].toString() + ' ' + setup["model"].toString(),
             QStringLiteral("lumaplex-setup RKA204QE"));
    QJsonObject wanted = setup["values"].toObject();
    const int volume = (wanted["audio.volume"].toInt() + 1) % 100;
    wanted["audio.volume"] = volume;
    QVERIFY(wanted.contains("link.port"));
    wanted["link.port"] = 1;
    setup["values"] = wanted;
    const QJsonObject restored = call("PUT", "/api/v1/devices/b-room/setup", setup).body["values"].toObject();
    QCOMPARE(restored["audio.volume"].toObject(), QJsonObject({{"status", "done"}, {"value", volume}}));
    QVERIFY(!restored.contains("link.port") &&
            sims[1].requests().contains(QStringLiteral("SET AUDIO VOL %1").arg(volume)));
    // The table's rows for the device's model: a TN386 has microphones, a RKA204QE not.
    const auto keys = [this](const QString &id) {
        QStringList names;
        for (const QJsonValue &row :
             call("GET", "/api/v1/devices/" + id + "/settings").body["settings"].toArray())
            names << row["key"].toString();
        return names;
    };
    QVERIFY(keys("studio-a-main").contains("audio.mic1Volume"));
    QVERIFY(!keys("b-room").contains("audio.mic1Volume") && keys("b-room").contains("output.hdcp"));
    // The id made from the name is kept for the link.
    QFile ids(dir.filePath("gateway/ids.json"));
    QVERIFY(ids.open(QIODevice::ReadOnly) && ids.readAll().contains("\"studio-a-main\""));
}

void TestGateway::changeElsewhere()
{
    QTcpSocket other;
    other.connectToHost(QHostAddress::LocalHost, sims[1].port());
    QVERIFY(other.waitForConnected(5000) && other.write("SET AUDIO-MUTE ON\r") > 0);
    QTRY_COMPARE_WITH_TIMEOUT(call("GET", "/api/v1/devices/b-room/values/audio.mute").body["value"],
                              QJsonValue("ON"), 15000);
    QVERIFY(!call("GET", "/api/v1/devices").body["devices"][1]["lastChange"].isNull());
}

// The change stream: a snapshot of what the client asked for, then each change as it happens, made elsewhere
// or through the gateway, to every client that asked for it.
void TestGateway::changeStream()
{
    const QString url = QStringLiteral("ws://127.0.0.1:%1/api/v1/events").arg(port);
    QWebSocket audio;
    QWebSocket all;
    QList<QJsonObject> heard[2];
    for (QWebSocket *client : {&audio, &all}) {
        QList<QJsonObject> *into = &heard[client == &all];
        connect(client, &QWebSocket::textMessageReceived, this, [into](const QString &text) {
            into->append(QJsonDocument::fromJson(text.toUtf8()).object());
        });
    }
    audio.open(QUrl(url + "?devices=b-room&keys=audio.*"));
    all.open(QUrl(url));
    QTRY_VERIFY_WITH_TIMEOUT(heard[0].size() == 1 && heard[1].size() == 1, 10000);
    const QJsonArray snapshot = heard[0][0]["devices"].toArray();
    QCOMPARE(heard[0][0]["type"].toString() + ' ' + QString::number(snapshot.size()),
             QStringLiteral("snapshot 1"));
    QCOMPARE(snapshot[0]["device"].toString() + ' ' + snapshot[0]["state"].toString(),
             QStringLiteral("b-room up"));
    QVERIFY(snapshot[0]["values"]["audio.volume"].isDouble() &&
            snapshot[0]["values"]["output.hdcp"].isUndefined());
    QCOMPARE(heard[1][0]["devices"].toArray().size(), 3);

    // Made elsewhere: found by the watch.
    QTcpSocket other;
    other.connectToHost(QHostAddress::LocalHost, sims[1].port());
    QVERIFY(other.waitForConnected(5000) && other.write("SET AUDIO VOL 9\r") > 0);
    QTRY_VERIFY_WITH_TIMEOUT(heard[0].size() == 2, 15000);
    QJsonObject change = heard[0][1];
    QVERIFY(!change.take("time").toString().isEmpty());
    QCOMPARE(change, QJsonObject({{"type", "value"},
                                  {"device", "b-room"},
                                  {"key", "audio.volume"},
                                  {"old", snapshot[0]["values"]["audio.volume"]},
                                  {"new", 9},
                                  {"origin", "device"},
                                  {"seq", 2}}));
    // Made through the gateway: an output setting, which the audio client did not ask for, then a volume.
    QCOMPARE(call("PUT", "/api/v1/devices/b-room/values", {{"output.itc", "ON"}}).status, 200);
    QCOMPARE(call("PUT", "/api/v1/devices/b-room/values", {{"audio.volume", 11}}).status, 200);
    QTRY_VERIFY_WITH_TIMEOUT(heard[0].size() == 3, 10000);
    QCOMPARE(heard[0][2]["key"].toString() + ' ' + heard[0][2]["origin"].toString() + ' ' +
                 QString::number(heard[0][2]["new"].toInt()),
             QStringLiteral("audio.volume gateway 11"));
    QTRY_VERIFY_WITH_TIMEOUT(heard[1].size() >= 4, 10000);
    QStringList keys;
    for (const QJsonObject &message : heard[1].mid(1))
        keys << message["key"].toString();
    QCOMPARE(keys.mid(0, 3), QStringList({"audio.volume", "output.itc", "audio.volume"}));

    // A page of another site cannot listen.
    QWebSocket foreign(QStringLiteral("http://evil.example"));
    QSignalSpy states(&foreign, &QWebSocket::stateChanged);
    QSignalSpy opened(&foreign, &QWebSocket::connected);
    foreign.open(QUrl(url));
    QTRY_VERIFY_WITH_TIMEOUT(states.size() >= 2 && foreign.state() == QAbstractSocket::UnconnectedState,
                             10000);
    QVERIFY(opened.isEmpty());
}

// What a Prometheus server scrapes passes its own checker, and tells each device's state and traffic.
void TestGateway::metrics()
{
    QNetworkReply *reply =
        client.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port))));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(10000));
    const QByteArray text = reply->readAll();
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(),
             QStringLiteral("text/plain; version=0.0.4; charset=utf-8"));
    reply->deleteLater();
    for (const QByteArray &line :
         {QByteArray("lumaplex_device_up{device=\"b-room\"} 1"),
          QByteArray("lumaplex_device_up{device=\"device-3\"} 0"),
          QByteArray("lumaplex_device_frozen{device=\"b-room\"} 0"),
          QByteArray("lumaplex_device_info{device=\"studio-a-main\",model=\"TN386\",")})
        QVERIFY2(text.contains(line), line.constData());
    // Every answered command is in the histogram's count.
    const auto valueOf = [&text](const QByteArray &series) {
        const int at = text.indexOf(series + ' ');
        return at < 0 ? -1.0 : text.mid(at + series.size() + 1).split('\n').first().toDouble();
    };
    const double answered = valueOf("lumaplex_commands_total{device=\"b-room\",result=\"answered\"}");
    QVERIFY(answered > 10);
    QCOMPARE(valueOf("lumaplex_reply_seconds_count{device=\"b-room\"}"), answered);
    QCOMPARE(valueOf("lumaplex_reply_seconds_bucket{device=\"b-room\",le=\"+Inf\"}"), answered);
    QVERIFY(valueOf("lumaplex_reconnects_total{device=\"device-3\"}") >= 1);

    QProcess promtool;
    promtool.start("promtool", {"check", "metrics"});
    QVERIFY2(promtool.waitForStarted(), "promtool (Debian's prometheus package) is needed");
    promtool.write(text);
    promtool.closeWriteChannel();
    QVERIFY(promtool.waitForFinished(20000));
    const QByteArray said = promtool.readAllStandardOutput() + promtool.readAllStandardError();
    QVERIFY2(promtool.exitCode() == 0 && said.trimmed().isEmpty(), said.constData());
    promtool.start("promtool",
                   {"check", "rules", LUMAPLEX_SOURCE_DIR "/packaging/prometheus/lumaplex.rules.yml"});
    QVERIFY(promtool.waitForFinished(20000));
    QCOMPARE(promtool.exitCode(), 0);
}

// The API's description is valid OpenAPI 3 and types every setting a change may name.
void TestGateway::openApi()
{
    const Answer api = call("GET", "/openapi.json");
    QCOMPARE(api.status, 200);
    const QJsonObject typed = api.body["components"]["schemas"]["Values"]["properties"].toObject();
    for (const QJsonValue &row : call("GET", "/api/v1/devices/b-room/settings").body["settings"].toArray()) {
        const QString key = row["key"].toString();
        QVERIFY2(typed.contains(key) != key.startsWith("link."), qPrintable(key));
    }
    QVERIFY(typed["output.hdcp"]["enum"].toArray().contains("FORCE-2.2"));
    QCOMPARE(api.body["paths"]["/api/v1/devices/{id}/actions/scene.load"]["post"]["requestBody"]["content"]
                     ["application/json"]["schema"]["properties"]["scene"]["maximum"],
             QJsonValue(20));
    QFile file(dir.filePath("openapi.json"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(api.body).toJson()) > 0);
    file.close();
    TestProcess validator;
    validator.start(QStringLiteral("swagger-cli"), {"validate", file.fileName()});
    QVERIFY2(validator.waitForFinished(60000), "swagger-cli (installed by scripts/deps.sh test) did not run");
    QVERIFY2(validator.exitCode() == 0,
             (validator.readAllStandardOutput() + validator.readAllStandardError()).constData());
}

// A change asked of a restarting device is refused, or held until the device is back with ?hold=1.
void TestGateway::holdThroughRestart()
{
    const Answer reset = call("POST", "/api/v1/devices/studio-a-main/actions/device.factoryReset");
    QCOMPARE(reset.body["status"].toString(), QStringLiteral("sent"));
    QTRY_COMPARE_WITH_TIMEOUT(call("GET", "/api/v1/devices").body["devices"][0]["state"],
                              QJsonValue("restarting"), 10000);
    QCOMPARE(call("PUT", "/api/v1/devices/studio-a-main/values", {{"audio.volume", 9}}).status, 409);
    const Answer held = call("PUT", "/api/v1/devices/studio-a-main/values?hold=1", {{"audio.volume", 9}});
    QCOMPARE(held.body["values"]["audio.volume"]["status"].toString(), QStringLiteral("done"));
    QVERIFY(sims[0].requests().contains("SET AUDIO VOL 9"));
}

// The text port answers in the order of the commands, whatever each waits for, with the events of the devices
// subscribed to between the answers.
void TestGateway::textPort()
{
    QTcpSocket text;
    text.connectToHost(QHostAddress::LocalHost, controlPort);
    QVERIFY(text.waitForConnected(5000));
    QByteArray heard;
    const auto lines = [&heard, &text](int count) {
        heard += text.readAll();
        while (heard.count("\r\n") < count && text.waitForReadyRead(15000))
            heard += text.readAll();
        return QString::fromLatin1(heard).split("\r\n", Qt::SkipEmptyParts);
    };
    // Ends of line of every kind; each command waits for the one before: the GET reads what the SET wrote.
    // The rest arrives while the SET runs: once the device has it, and before its read-back is answered.
    QVERIFY(text.write("SET b-room output.vka BLACKSCREEN\r") > 0 && text.waitForBytesWritten(5000));
    QTRY_VERIFY_WITH_TIMEOUT(sims[1].requests().contains("SET OUT VKA BLACKSCREEN"), 10000);
    text.write("PING\nGET b-room output.vka\r\nGET nowhere output.vka\n"
               "SET b-room audio.volume 500\nDO b-room scene.save 4\nSUB b-room\nHELLO\n");
    QCOMPARE(lines(8).join('|'),
             QStringList({"OK b-room output.vka BLACKSCREEN", "PONG", "OK b-room output.vka BLACKSCREEN",
                          "ERR not_found no device nowhere",
                          "ERR invalid_value audio.volume: '500' is not a number from 0 to 100",
                          "OK b-room scene.save SAVE SCENE 4", "OK",
                          "ERR bad_command GET dev key, SET dev key value, DO dev action [arg], SUB dev|*, "
                          "UNSUB dev|*, LIST or PING"})
                 .join('|'));
    QVERIFY(!sims[1].requests().contains("SET AUDIO VOL 500"));
    // A refused change is audited as well.
    const QJsonObject refused =
        call("GET", "/api/v1/devices/b-room/audit?limit=2").body["entries"].toArray().first().toObject();
    QCOMPARE(refused["what"].toString() + ' ' + refused["client"].toString() + ' ' +
                 QString::number(refused["status"].toInt()),
             QStringLiteral("SET audio.volume text 127.0.0.1 400"));
    // A change made elsewhere reaches the subscriber.
    QTcpSocket other;
    other.connectToHost(QHostAddress::LocalHost, sims[1].port());
    const QString itc =
        call("GET", "/api/v1/devices/b-room/values/output.itc").body["value"] == QJsonValue("ON")
            ? QStringLiteral("OFF")
            : QStringLiteral("ON");
    QVERIFY(other.waitForConnected(5000) && other.write("SET OUT ITC " + itc.toLatin1() + '\r') > 0 &&
            other.waitForBytesWritten(5000));
    QCOMPARE(lines(9).value(8), "EVENT b-room output.itc " + itc);
    // A line over 4 kB is refused and the connection closed.
    text.write(QByteArray(4097, 'G'));
    QCOMPARE(lines(10).value(9), QStringLiteral("ERR too_long a line holds at most 4096 bytes"));
    QTRY_COMPARE_WITH_TIMEOUT(text.state(), QAbstractSocket::UnconnectedState, 10000);
}

// A device takes a bounded number of changes at once: the rest are refused at once, to be asked again.
void TestGateway::boundedQueue()
{
    const QByteArray request =
        QStringLiteral("POST /api/v1/devices/b-room/lines HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n"
                       "Content-Type: application/json\r\nContent-Length: 24\r\n\r\n"
                       "{\"line\": \"GET OUT HDCP\"}")
            .arg(port)
            .toLatin1();
    constexpr int Clients = 20;
    QTcpSocket clients[Clients];
    for (QTcpSocket &socket : clients) {
        socket.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(socket.waitForConnected(5000));
    }
    for (QTcpSocket &socket : clients)
        QVERIFY(socket.write(request) == request.size() && socket.flush());
    QStringList statuses;
    for (QTcpSocket &socket : clients) {
        QByteArray answer;
        while (!answer.contains("\r\n\r\n") && socket.waitForReadyRead(20000))
            answer += socket.readAll();
        statuses << QString::fromLatin1(answer.mid(9, 3));
        if (statuses.back() == QLatin1String("429"))
            QVERIFY(answer.contains("\r\nRetry-After: 1\r\n"));
    }
    // One written, 16 waiting: the others are refused.
    QCOMPARE(statuses.count("200"), 17);
    QCOMPARE(statuses.count("429"), Clients - 17);
}

void TestGateway::refusals_data()
{
    QTest::addColumn<QByteArray>("request"); // %1 the gateway's port
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("code");
    const QByteArray put = "PUT /api/v1/devices/b-room/values HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n"
                           "Content-Type: application/json\r\nContent-Length: ";
    const auto body = [put](const QByteArray &json) {
        return put + QByteArray::number(json.size()) + "\r\n\r\n" + json;
    };
    QTest::newRow("a word not in the list")
        << body(R"({"output.hdcp": "FORCE-3.0"})") << 400 << "invalid_value";
    QTest::newRow("a number out of range") << body(R"({"audio.volume": 1000})") << 400 << "invalid_value";
    QTest::newRow("one bad value of two")
        << body(R"({"output.itc": "ON", "audio.volume": -1})") << 400 << "invalid_value";
    QTest::newRow("a key of another model") << body(R"({"audio.mic1Volume": 3})") << 400 << "unknown_key";
    QTest::newRow("a link setting") << body(R"({"link.port": 2001})") << 400 << "unknown_key";
    QTest::newRow("not an object") << body("[1]") << 400 << "bad_json";
    QTest::newRow("no JSON type")
        << QByteArray("PUT /api/v1/devices/b-room/values HTTP/1.1\r\nHost: 127.0.0.1:%1\r\nContent-Type: "
                      "text/plain\r\nContent-Length: 2\r\n\r\n{}")
        << 415 << "not_json";
    QTest::newRow("a foreign origin")
        << QByteArray(put).replace("Content-Type", "Origin: http://evil.example\r\nContent-Type") +
               "2\r\n\r\n{}"
        << 403 << "foreign_origin";
    QTest::newRow("a name that is not the gateway's")
        << QByteArray("GET /api/v1/devices HTTP/1.1\r\nHost: rebound.example:%1\r\n\r\n") << 421
        << "wrong_host";
    QTest::newRow("another port in Host")
        << QByteArray("GET /api/v1/devices HTTP/1.1\r\nHost: 127.0.0.1:1\r\n\r\n") << 421 << "wrong_host";
    QTest::newRow("an unknown device")
        << QByteArray("GET /api/v1/devices/nope HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n\r\n") << 404
        << "not_found";
    QTest::newRow("an unknown action")
        << QByteArray(put).replace("PUT", "POST").replace("values", "actions/device.fly") + "2\r\n\r\n{}"
        << 404 << "unknown_action";
    QTest::newRow("an argument out of range")
        << QByteArray(put).replace("PUT", "POST").replace("values", "actions/scene.save") +
               "13\r\n\r\n{\"scene\": 21}"
        << 400 << "invalid_value";
    QTest::newRow("a line with a CR")
        << body(R"({"line": "SET OUT ITC\rON"})").replace("PUT", "POST").replace("values", "lines") << 400
        << "invalid_value";
    QTest::newRow("a value read with PUT")
        << QByteArray("PUT /api/v1/devices/b-room/values/output.hdcp HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n"
                      "Content-Type: application/json\r\nContent-Length: 2\r\n\r\n{}")
        << 405 << "method_not_allowed";
    QTest::newRow("a body over 64 kB") << body('"' + QByteArray(70000, 'a') + '"') << 413 << "too_large";
    QTest::newRow("a setup of another model")
        << body(
               R"({"format": "lumaplex-setup", "version": 1, "model": "TN386", "values": {"audio.volume": 3}})")
               .replace("values HTTP", "setup HTTP")
        << 400 << "wrong_model";
    QTest::newRow("an audit limit of 0")
        << QByteArray("GET /api/v1/devices/b-room/audit?limit=0 HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n\r\n")
        << 400 << "invalid_value";
    QTest::newRow("not HTTP") << QByteArray("HELLO\r\n\r\n") << 400 << "bad_request";
}

// Each is refused with the one error body, and nothing reaches the device.
void TestGateway::refusals()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(QString, code);
    const int before = sims[1].requests().size();
    const Answer answer = rawRequest(port, request.replace("%1", QByteArray::number(port)));
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.body["error"]["code"].toString(), code);
    QVERIFY(!answer.body["error"]["message"].toString().isEmpty());
    if (code == QLatin1String("invalid_value") && request.contains("hdcp"))
        QCOMPARE(answer.body["error"]["allowed"], QJsonArray({"FORCE-1.4", "FORCE-2.2", "FORCE-OFF"}));
    // Reads of the watch go on; no change does.
    QVERIFY(sims[1].requests().mid(before).filter(QRegularExpression("^(SET|LOAD|SAVE)")).isEmpty());
}

void TestGateway::checkConfig_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QStringList>("arguments");
    const QJsonObject a = tcpDevice("A", 2000);
    QJsonObject b = tcpDevice("A", 2001); // the same name: its made id takes -2
    QTest::newRow("ids made from names")
        << devicesFile({a, b, tcpDevice("!!!", 2002)}) << 0
        << "a\ttcp 127.0.0.1:2000\tA\na-2\ttcp 127.0.0.1:2001\tA\ndevice-3\t" << QStringList();
    QJsonObject twice = b;
    twice.insert("id", "a");
    QJsonObject first = a;
    first.insert("id", "a");
    QTest::newRow("an id given twice")
        << devicesFile({first, twice}) << 1 << "devices[1].id: \"a\" is given twice" << QStringList();
    QJsonObject slow = a;
    slow.insert("watchSeconds", 0);
    QTest::newRow("a watch interval of 0")
        << devicesFile({slow}) << 1 << "devices[0].watchSeconds: a whole number" << QStringList();
    QTest::newRow("the same link twice") << devicesFile({a, tcpDevice("B", 2000)}) << 1
                                         << "devices[1]: tcp 127.0.0.1:2000 is listed twice" << QStringList();
    QTest::newRow("broken JSON") << QByteArray("{\n\"format\": \"lumaplex-devices\",\n]") << 1
                                 << "line 3: not JSON" << QStringList();
}

void TestGateway::checkConfig()
{
    QFETCH(QByteArray, file);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QStringList, arguments);
    QTemporaryDir folder;
    QFile devices(folder.filePath("devices.json"));
    QVERIFY(devices.open(QIODevice::WriteOnly) && devices.write(file) == file.size());
    devices.close();
    TestProcess check;
    check.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-gateway"),
                QStringList{"--check-config", "--devices", devices.fileName(), "--app-dir", folder.path()} +
                    arguments);
    QVERIFY(check.waitForFinished(20000));
    QCOMPARE(check.exitCode(), exitCode);
    const QString printed = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
    QVERIFY2(printed.contains(said), qPrintable(printed));
    // Checking writes nothing.
    QVERIFY(!QFile::exists(folder.filePath("gateway/ids.json")));
}

// SIGHUP reads the device file again: a broken one changes nothing; then the device removed is closed, the
// one added opened and the one kept (renamed) left as it was.
void TestGateway::reload()
{
    const auto devices = [this] { return call("GET", "/api/v1/devices").body["devices"].toArray(); };
    const QJsonObject before = devices()[1].toObject();
    QCOMPARE(before["id"].toString(), QStringLiteral("b-room"));
    const auto rewrite = [this](const QByteArray &bytes) {
        QFile file(dir.filePath("devices.json"));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    };
    QVERIFY(rewrite("{ broken") && gateway.sendSignal(SIGHUP));
    QTRY_VERIFY_WITH_TIMEOUT(
        (logged += gateway.readAllStandardOutput()).contains("every device stays as it was"), 10000);
    QCOMPARE(devices().size(), 3);
    QJsonObject renamed = tcpDevice("Studio B renamed", sims[1].port());
    renamed.insert("id", "b-room");
    renamed.insert("watchSeconds", 1);
    QJsonObject added = tcpDevice("Studio C", sims[0].port());
    added.insert("id", "c-room");
    QVERIFY(rewrite(devicesFile({renamed, added})) && gateway.sendSignal(SIGHUP));
    QTRY_VERIFY_WITH_TIMEOUT(devices().size() == 2 && devices().at(1)["state"] == QJsonValue("up"), 20000);
    const QJsonObject kept = devices()[0].toObject();
    QCOMPARE(kept["name"].toString() + ' ' + kept["state"].toString(), QStringLiteral("Studio B renamed up"));
    QCOMPARE(kept["since"], before["since"]);
    QCOMPARE(kept["reconnects"], before["reconnects"]);
    QCOMPARE(call("GET", "/api/v1/devices/studio-a-main").status, 404);
    QTRY_VERIFY_WITH_TIMEOUT(
        (logged += gateway.readAllStandardOutput()).contains("1 kept, 0 changed, 1 added, 2 removed"), 5000);
}

QTEST_GUILESS_MAIN(TestGateway)
#include "tst_gateway.moc"
