// Who may use lumaplex-gateway: tokens and their scopes on every interface, the client networks served, the
// client address a trusted proxy names, and what the tokens file and the command line refuse. Clients come
// from several loopback addresses (127.0.0.1 is served, 127.0.0.2 not, 127.0.0.3 is the proxy).

#include "core/SimDevice.h"
#include "core/TestProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <csignal>

namespace {

const QByteArray PanelSecret = "panel-secret-0123456789";
const QByteArray WallSecret = "wall-secret-0123456789";

// A change stream client and the messages it got, kept from the handshake on.
struct Stream
{
    QWebSocket socket;
    QList<QJsonObject> got;
};

struct Reply
{
    int status = 0;
    QByteArray head;
    QJsonObject body;
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool writeTokens(const QString &path, const QByteArray &text, QFileDevice::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size() &&
           file.setPermissions(permissions);
}

// A socket to `port` leaving from `from`.
std::unique_ptr<QTcpSocket> connectFrom(const char *from, quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    if (!socket->bind(QHostAddress(QString::fromLatin1(from))))
        return nullptr;
    socket->connectToHost(QHostAddress::LocalHost, port);
    return socket->waitForConnected(5000) ? std::move(socket) : nullptr;
}

} // namespace

class TestGatewayAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void http_data();
    void http();
    void changeStream();
    void textPort();
    void reload();
    void refusedStart_data();
    void refusedStart();

private:
    Reply request(const QByteArray &method, const QString &path, const QByteArray &token,
                  const char *from = "127.0.0.1", const QByteArray &forwardedFor = QByteArray(),
                  const QJsonObject &body = {});
    // A text port connection; "" for a line that was not answered.
    QByteArray textLine(QTcpSocket &socket, const QByteArray &line);
    std::unique_ptr<Stream> openStream(const QByteArray &header);
    QTemporaryDir dir;
    SimDevice sim;
    TestProcess gateway;
    quint16 port = 0;
    quint16 controlPort = 0;
};

void TestGatewayAccess::initTestCase()
{
    QVERIFY(sim.start({"--model", "TN386"}));
    QFile devices(dir.filePath("devices.json"));
    QVERIFY(devices.open(QIODevice::WriteOnly));
    devices.write(QJsonDocument(QJsonObject{{"format", "lumaplex-devices"},
                                            {"version", 1},
                                            {"devices", QJsonArray{QJsonObject{{"name", "Studio"},
                                                                               {"link", "tcp"},
                                                                               {"address", "127.0.0.1"},
                                                                               {"port", sim.port()}}}}})
                      .toJson());
    devices.close();
    QVERIFY(writeTokens(dir.filePath("tokens"),
                        "# panels may change, the wall only looks\n\npanel control " + PanelSecret +
                            "\nwall  read   " + WallSecret + "\n",
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    port = freePort();
    controlPort = freePort();
    gateway.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-gateway"),
                  {"--devices", devices.fileName(), "--app-dir", dir.path(), "--listen",
                   QStringLiteral("127.0.0.1:%1").arg(port), "--tcp-control", QString::number(controlPort),
                   "--tokens", dir.filePath("tokens"), "--allow-from", "127.0.0.1/32,192.0.2.0/24",
                   "--allow-from", "127.0.0.3/32", "--trust-proxy", "127.0.0.3"});
    QVERIFY(gateway.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(
        request("GET", "/api/v1/devices", WallSecret).body["devices"][0]["state"].toString(),
        QStringLiteral("up"), 30000);
}

void TestGatewayAccess::cleanupTestCase()
{
    QVERIFY(gateway.sendSignal(SIGTERM));
    QVERIFY(gateway.waitForFinished(10000));
}

Reply TestGatewayAccess::request(const QByteArray &method, const QString &path, const QByteArray &token,
                                 const char *from, const QByteArray &forwardedFor, const QJsonObject &body)
{
    const std::unique_ptr<QTcpSocket> socket = connectFrom(from, port);
    if (!socket)
        return {};
    const QByteArray content = method == "GET" ? QByteArray() : QJsonDocument(body).toJson();
    QByteArray bytes = method + ' ' + path.toLatin1() +
                       " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                       "\r\nConnection: close\r\n";
    if (!token.isEmpty())
        bytes += "Authorization: " + (token.contains(' ') ? token : "Bearer " + token) + "\r\n";
    if (!forwardedFor.isEmpty())
        bytes += "X-Forwarded-For: " + forwardedFor + "\r\n";
    if (!content.isEmpty())
        bytes += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(content.size()) +
                 "\r\n";
    socket->write(bytes + "\r\n" + content);
    QByteArray received;
    while (socket->state() == QAbstractSocket::ConnectedState && socket->waitForReadyRead(20000))
        received += socket->readAll();
    received += socket->readAll();
    const int end = received.indexOf("\r\n\r\n");
    return {received.mid(9, 3).toInt(), received.left(end),
            QJsonDocument::fromJson(received.mid(end + 4)).object()};
}

void TestGatewayAccess::http_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("forwardedFor");
    QTest::addColumn<QString>("expected"); // the status and the error code, or the status alone
    const QByteArray local = "127.0.0.1";
    const QString values = QStringLiteral("/api/v1/devices/studio/values");
    QTest::newRow("no token") << QByteArray("GET") << "/api/v1/devices" << QByteArray() << local
                              << QByteArray() << "401 unauthorized";
    QTest::newRow("metrics need one too")
        << QByteArray("GET") << "/metrics" << QByteArray() << local << QByteArray() << "401 unauthorized";
    QTest::newRow("unknown token") << QByteArray("GET") << "/api/v1/devices"
                                   << QByteArray("not-a-token-of-ours") << local << QByteArray()
                                   << "401 invalid_token";
    QTest::newRow("not a bearer") << QByteArray("GET") << "/api/v1/devices"
                                  << QByteArray("Basic " + PanelSecret) << local << QByteArray()
                                  << "401 invalid_token";
    QTest::newRow("read token reads")
        << QByteArray("GET") << "/api/v1/devices/studio" << WallSecret << local << QByteArray() << "200";
    QTest::newRow("read token changes")
        << QByteArray("PUT") << values << WallSecret << local << QByteArray() << "403 forbidden";
    QTest::newRow("read token sends a line") << QByteArray("POST") << "/api/v1/devices/studio/lines"
                                             << WallSecret << local << QByteArray() << "403 forbidden";
    QTest::newRow("network not served") << QByteArray("GET") << "/api/v1/devices" << PanelSecret
                                        << QByteArray("127.0.0.2") << QByteArray() << "403 not_allowed";
    QTest::newRow("proxy names a client not served")
        << QByteArray("GET") << "/api/v1/devices" << PanelSecret << QByteArray("127.0.0.3")
        << QByteArray("192.0.2.1, 198.51.100.7") << "403 not_allowed";
    QTest::newRow("a client names another, not through the proxy")
        << QByteArray("GET") << "/api/v1/devices" << PanelSecret << local << QByteArray("198.51.100.7")
        << "200";
    QTest::newRow("control token through the proxy")
        << QByteArray("PUT") << values << PanelSecret << QByteArray("127.0.0.3")
        << QByteArray("198.51.100.7, 192.0.2.9") << "200";
}

void TestGatewayAccess::http()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QByteArray, token);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, forwardedFor);
    QFETCH(QString, expected);
    const QStringList sentBefore = sim.requests().filter("SET ");
    const Reply reply = request(method, path, token, from.constData(), forwardedFor,
                                path.endsWith("lines") ? QJsonObject{{"line", "SET AUDIO VOL 1"}}
                                                       : QJsonObject{{"audio.volume", 9}});
    const QString code = reply.body["error"]["code"].toString();
    QCOMPARE(code.isEmpty() ? QString::number(reply.status)
                            : QStringLiteral("%1 %2").arg(reply.status).arg(code),
             expected);
    if (reply.status == 401)
        QVERIFY(reply.head.contains("\r\nWWW-Authenticate: Bearer realm=\"lumaplex-gateway\""));
    // Nothing reaches the device but what was served.
    QCOMPARE(sim.requests().filter("SET ").size() - sentBefore.size(),
             reply.status == 200 && method == "PUT" ? 1 : 0);
    if (reply.status == 200 && method == "PUT") {
        const QJsonObject entry =
            request("GET", "/api/v1/devices/studio/audit?limit=1", WallSecret).body["entries"][0].toObject();
        QCOMPARE(entry["client"].toString() + ' ' + entry["token"].toString(),
                 QStringLiteral("192.0.2.9 panel"));
    }
}

std::unique_ptr<Stream> TestGatewayAccess::openStream(const QByteArray &header)
{
    auto stream = std::make_unique<Stream>();
    Stream *held = stream.get();
    connect(&stream->socket, &QWebSocket::textMessageReceived, this,
            [held](const QString &text) { held->got << QJsonDocument::fromJson(text.toUtf8()).object(); });
    QNetworkRequest handshake(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/events").arg(port)));
    if (!header.isEmpty())
        handshake.setRawHeader("Authorization", "Bearer " + header);
    QSignalSpy connected(&stream->socket, &QWebSocket::connected);
    stream->socket.open(handshake);
    return connected.wait(10000) ? std::move(stream) : nullptr;
}

void TestGatewayAccess::changeStream()
{
    // The header, or the token as the first message: nothing is sent before it, not even a change.
    const std::unique_ptr<Stream> byHeader = openStream(PanelSecret);
    const std::unique_ptr<Stream> byMessage = openStream(QByteArray());
    const std::unique_ptr<Stream> stranger = openStream(QByteArray());
    QVERIFY(byHeader && byMessage && stranger);
    QTRY_COMPARE_WITH_TIMEOUT(byHeader->got.value(0)["type"].toString(), QStringLiteral("snapshot"), 10000);
    const auto put = [this](int volume) {
        return request("PUT", "/api/v1/devices/studio/values", PanelSecret, "127.0.0.1", {},
                       {{"audio.volume", volume}})
            .status;
    };
    QCOMPARE(put(4), 200);
    // A change names the token that made it.
    QTRY_COMPARE_WITH_TIMEOUT(byHeader->got.size(), 2, 10000);
    QCOMPARE(byHeader->got[1]["key"].toString() + ' ' + byHeader->got[1]["origin"].toString(),
             QStringLiteral("audio.volume panel"));
    byMessage->socket.sendTextMessage(QString::fromLatin1(WallSecret));
    QTRY_COMPARE_WITH_TIMEOUT(byMessage->got.value(0)["type"].toString(), QStringLiteral("snapshot"), 10000);
    QCOMPARE(put(5), 200);
    QTRY_COMPARE_WITH_TIMEOUT(byMessage->got.size(), 2, 10000);
    QCOMPARE(byMessage->got[1]["new"].toInt(), 5);
    QSignalSpy strangerClosed(&stranger->socket, &QWebSocket::disconnected);
    stranger->socket.sendTextMessage(QStringLiteral("guessing-0123456789"));
    QVERIFY(strangerClosed.wait(10000));
    QCOMPARE(stranger->socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
    QVERIFY(stranger->got.isEmpty());
}

QByteArray TestGatewayAccess::textLine(QTcpSocket &socket, const QByteArray &line)
{
    if (!line.isEmpty())
        socket.write(line + "\r\n");
    while (!socket.canReadLine() && socket.waitForReadyRead(10000)) {
    }
    return socket.readLine().trimmed();
}

void TestGatewayAccess::textPort()
{
    const std::unique_ptr<QTcpSocket> anonymous = connectFrom("127.0.0.1", controlPort);
    QVERIFY(anonymous);
    QCOMPARE(textLine(*anonymous, "LIST"), QByteArray("ERR unauthorized the first line is AUTH token"));
    QVERIFY(anonymous->state() == QAbstractSocket::UnconnectedState || anonymous->waitForDisconnected(5000));
    const std::unique_ptr<QTcpSocket> refused = connectFrom("127.0.0.2", controlPort);
    QVERIFY(refused);
    QCOMPARE(textLine(*refused, QByteArray()),
             QByteArray("ERR not_allowed clients at 127.0.0.2 are not served here"));
    const std::unique_ptr<QTcpSocket> wall = connectFrom("127.0.0.1", controlPort);
    QVERIFY(wall);
    QCOMPARE(textLine(*wall, "AUTH " + WallSecret), QByteArray("OK wall read"));
    QCOMPARE(textLine(*wall, "SET studio audio.volume 3"),
             QByteArray("ERR forbidden the token wall may only read"));
    QCOMPARE(textLine(*wall, "DO studio audio.volumeUp"),
             QByteArray("ERR forbidden the token wall may only read"));
    QVERIFY(textLine(*wall, "GET studio audio.volume").startsWith("OK studio audio.volume "));
    QCOMPARE(textLine(*wall, "AUTH " + PanelSecret), QByteArray("ERR bad_command AUTH comes once, first"));
    const std::unique_ptr<QTcpSocket> panel = connectFrom("127.0.0.1", controlPort);
    QVERIFY(panel);
    QCOMPARE(textLine(*panel, "AUTH " + PanelSecret), QByteArray("OK panel control"));
    QCOMPARE(textLine(*panel, "SET studio audio.volume 3"), QByteArray("OK studio audio.volume 3"));
}

void TestGatewayAccess::reload()
{
    const std::unique_ptr<QTcpSocket> wall = connectFrom("127.0.0.1", controlPort);
    QVERIFY(wall);
    QCOMPARE(textLine(*wall, "AUTH " + WallSecret), QByteArray("OK wall read"));
    const std::unique_ptr<Stream> stream = openStream(WallSecret);
    QVERIFY(stream);
    QSignalSpy streamClosed(&stream->socket, &QWebSocket::disconnected);
    // A file others may read is not taken: the tokens stay as they were.
    const QString tokens = dir.filePath("tokens");
    QVERIFY(writeTokens(tokens, "panel control " + PanelSecret + "\n",
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    QVERIFY(gateway.sendSignal(SIGHUP));
    QByteArray logged;
    QTRY_VERIFY2_WITH_TIMEOUT(
        (logged += gateway.readAllStandardOutput()).contains("not taken: the tokens stay as they were"),
        logged.constData(), 10000);
    QCOMPARE(request("GET", "/api/v1/devices", WallSecret).status, 200);
    // Taken: the wall's connections are let go, and its token no longer opens any.
    QVERIFY(writeTokens(tokens, "panel control " + PanelSecret + "\n",
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(gateway.sendSignal(SIGHUP));
    QCOMPARE(textLine(*wall, QByteArray()), QByteArray("ERR unauthorized the token is no longer taken"));
    QVERIFY(streamClosed.wait(10000));
    QCOMPARE(request("GET", "/api/v1/devices", WallSecret).status, 401);
    QCOMPARE(request("GET", "/api/v1/devices", PanelSecret).status, 200);
}

void TestGatewayAccess::refusedStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("tokens");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    const QByteArray good = "panel control " + PanelSecret + "\n";
    QTest::newRow("other computers, no tokens")
        << QStringList{"--listen", "0.0.0.0:8740"} << QByteArray() << 2
        << "--listen 0.0.0.0 serves other computers: give --tokens FILE too";
    QTest::newRow("a text port for others, no tokens")
        << QStringList{"--tcp-control", "0.0.0.0:8741"} << QByteArray() << 2
        << "--tcp-control 0.0.0.0 serves other computers: give --tokens FILE too";
    QTest::newRow("a proxy, no tokens") << QStringList{"--trust-proxy", "127.0.0.1"} << QByteArray() << 2
                                        << "--trust-proxy serves other computers: give --tokens FILE too";
    QTest::newRow("not a network") << QStringList{"--allow-from", "10.0.0.0/8,10.1.2.3"} << QByteArray() << 2
                                   << "--allow-from needs ADDRESS/BITS (10.0.0.0/8), not '10.1.2.3'";
    QTest::newRow("not a proxy address") << QStringList{"--trust-proxy", "proxy.example"} << good << 2
                                         << "--trust-proxy needs an IP address, not 'proxy.example'";
    QTest::newRow("tokens readable by others")
        << QStringList{"--check-config"} << QByteArray("others") << 1
        << "others may read or change it: make it the service's own (chmod 600)";
    QTest::newRow("tokens with problems")
        << QStringList{"--check-config"}
        << QByteArray("panel control " + PanelSecret +
                      "\npanel read other-secret-0123456\nwall look short\n"
                      "only two\n")
        << 1
        << "line 2: the name panel is given twice|line 3: the scope 'look' is neither read nor control|"
           "line 3: the secret of wall is not 16 or more visible ASCII characters|"
           "line 4: not NAME SCOPE SECRET";
    QTest::newRow("no token at all") << QStringList{"--check-config"} << QByteArray("# none yet\n") << 1
                                     << "no token is given: no client could be served";
}

void TestGatewayAccess::refusedStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, tokens);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    const QString file = dir.filePath("tokens-start");
    if (!tokens.isEmpty()) {
        const bool others = tokens == "others";
        QVERIFY(writeTokens(
            file, others ? "panel control " + PanelSecret : tokens,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                (others ? QFileDevice::Permissions(QFileDevice::ReadOther) : QFileDevice::Permissions())));
        arguments << "--tokens" << file;
    }
    TestProcess program;
    program.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-gateway"),
                  QStringList{"--devices", dir.filePath("devices.json"), "--app-dir", dir.path()} +
                      arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), exitCode);
    QStringList lines;
    for (const QByteArray &line : program.readAllStandardError().trimmed().split('\n'))
        lines << QString::fromUtf8(line).section(QStringLiteral(": "), 1);
    QCOMPARE(lines.join('|'), said);
}

QTEST_GUILESS_MAIN(TestGatewayAccess)
#include "tst_gateway_access.moc"
