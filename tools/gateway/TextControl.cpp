#include "TextControl.h"

#include "GatewayAudit.h"
#include "GatewayDevice.h"
#include "GatewayWrites.h"

#include "protocol/Actions.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTcpSocket>
#include <QTimer>

#include <deque>
#include <memory>

struct TextControl::Session
{
    QTcpSocket *socket = nullptr;
    GatewayClient who;
    QByteArray buffer;
    // The commands read and not yet run; one runs at a time, in order.
    std::deque<QByteArray> waiting;
    bool running = false;
    QSet<QString> subscribed;
    bool all = false;
    // Let go: nothing more is run or written.
    bool dropped = false;
    bool wants(const QString &device) const { return all || subscribed.contains(device); }
};

namespace {

QByteArray errorLine(const QString &code, const QString &text)
{
    return "ERR " + code.toUtf8() + ' ' + text.toUtf8();
}

// An API answer as one line: "OK" and `ok`, or "ERR code message".
QByteArray lineOf(const HttpResponse &response, const QByteArray &ok)
{
    const QJsonObject body = QJsonDocument::fromJson(response.body).object();
    if (response.status == 200)
        return "OK " + ok;
    const QJsonObject error = body.value(QLatin1String("error")).toObject();
    return errorLine(error.value(QLatin1String("code")).toString(),
                     error.value(QLatin1String("message")).toString());
}

} // namespace

TextControl::TextControl(Devices deviceList, const GatewayAccess &clients, GatewayAudit &changes,
                         QObject *parent)
    : QObject(parent), devices(std::move(deviceList)), access(clients), audit(changes)
{
    connect(&server, &QTcpServer::newConnection, this, &TextControl::accept);
}

TextControl::~TextControl() = default;

bool TextControl::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (server.listen(address, port))
        return true;
    *error = server.errorString();
    return false;
}

void TextControl::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        if (int(sessions.size()) >= ConnectionLimit) {
            socket->write("ERR busy too many connections\r\n");
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            continue;
        }
        const QHostAddress address = access.clientOf(socket->peerAddress(), QByteArray());
        if (!access.admits(address)) {
            socket->write("ERR not_allowed clients at " + address.toString().toUtf8() +
                          " are not served here\r\n");
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            continue;
        }
        auto session = std::make_shared<Session>();
        session->socket = socket;
        session->who = GatewayClient{QStringLiteral("text ") + address.toString(), QString(),
                                     TokenScope::Control, !access.takesTokens()};
        socket->setParent(this);
        socket->setReadBufferSize(LineLimit * 4);
        Session *held = session.get();
        sessions.push_back(std::move(session));
        connect(socket, &QTcpSocket::readyRead, this, [this, held] { read(*held); });
        if (!held->who.identified) {
            QTimer::singleShot(AuthMs, socket, [this, held] {
                if (!held->who.identified)
                    dismiss(*held, errorLine(QStringLiteral("unauthorized"),
                                             QStringLiteral("no AUTH token was given in time")));
            });
        }
        connect(socket, &QTcpSocket::disconnected, this, [this, held] {
            held->socket->disconnect(this);
            held->socket->deleteLater();
            for (auto it = sessions.begin(); it != sessions.end(); ++it) {
                if (it->get() == held) {
                    sessions.erase(it);
                    break;
                }
            }
        });
    }
}

void TextControl::read(Session &session)
{
    if (session.dropped)
        return;
    // What is not taken yet waits in the socket (and then in the system: the client is held back) until the
    // commands before have run.
    if (session.waiting.size() < WaitingLimit)
        session.buffer += session.socket->readAll();
    while (session.waiting.size() < WaitingLimit) {
        int end = 0;
        while (end < session.buffer.size() && session.buffer[end] != '\r' && session.buffer[end] != '\n')
            ++end;
        if (end > LineLimit) {
            session.socket->write(errorLine(QStringLiteral("too_long"),
                                            QStringLiteral("a line holds at most %1 bytes").arg(LineLimit)) +
                                  "\r\n");
            session.socket->disconnectFromHost();
            session.dropped = true;
            return;
        }
        if (end == session.buffer.size())
            break;
        const QByteArray line = session.buffer.left(end);
        // CR LF ends one line, not two.
        const int skip =
            session.buffer[end] == '\r' && end + 1 < session.buffer.size() && session.buffer[end + 1] == '\n'
                ? 2
                : 1;
        session.buffer.remove(0, end + skip);
        if (!line.trimmed().isEmpty())
            session.waiting.push_back(line.trimmed());
    }
    runNext(session);
}

void TextControl::runNext(Session &session)
{
    if (session.running || session.waiting.empty() || session.dropped)
        return;
    session.running = true;
    const QByteArray line = session.waiting.front();
    session.waiting.pop_front();
    run(session, line);
}

void TextControl::run(Session &session, const QByteArray &line)
{
    std::weak_ptr<Session> held;
    for (const auto &each : sessions) {
        if (each.get() == &session)
            held = each;
    }
    // The connection may be gone by the time the device has answered. The next command runs from the event
    // loop, not inside this one's answer.
    const auto done = [this, held](const QByteArray &text) {
        const std::shared_ptr<Session> open = held.lock();
        if (!open)
            return;
        write(*open, text);
        open->running = false;
        QMetaObject::invokeMethod(
            this,
            [this, held] {
                if (const std::shared_ptr<Session> still = held.lock())
                    read(*still);
            },
            Qt::QueuedConnection);
    };
    const QList<QByteArray> words = line.split(' ');
    const QByteArray command = words.at(0).toUpper();
    if (command == "AUTH" || !session.who.identified) {
        done(authenticate(session, words));
        return;
    }
    if ((command == "SET" || command == "DO") && !session.who.mayControl()) {
        done(errorLine(QStringLiteral("forbidden"),
                       QStringLiteral("the token %1 may only read").arg(session.who.token)));
        return;
    }
    const QString id = QString::fromUtf8(words.value(1));
    GatewayDevice *device = nullptr;
    for (GatewayDevice *each : devices()) {
        if (each->id() == id)
            device = each;
    }
    if (command == "PING" && words.size() == 1) {
        done("PONG");
    } else if (command == "LIST" && words.size() == 1) {
        QByteArray list = "OK";
        for (const GatewayDevice *each : devices())
            list += ' ' + each->id().toUtf8() + '=' + linkStateName(each->state());
        done(list);
    } else if ((command == "SUB" || command == "UNSUB") && words.size() == 2 && !device &&
               id != QLatin1String("*")) {
        done(errorLine(QStringLiteral("not_found"), QStringLiteral("no device %1").arg(id)));
    } else if ((command == "SUB" || command == "UNSUB") && words.size() == 2) {
        const bool on = command == "SUB";
        if (id == QLatin1String("*")) {
            session.all = on;
            if (!on)
                session.subscribed.clear();
        } else if (on) {
            session.subscribed.insert(id);
        } else {
            session.subscribed.remove(id);
        }
        done("OK");
    } else if ((command == "GET" || command == "SET" || command == "DO") && words.size() >= 3 && !device) {
        done(errorLine(QStringLiteral("not_found"), QStringLiteral("no device %1").arg(id)));
    } else if (command == "GET" && words.size() == 3) {
        const QString key = QString::fromUtf8(words.at(2));
        const QString value = device->session().device().value(key);
        done(value.isNull()
                 ? errorLine(QStringLiteral("not_found"), QStringLiteral("%1 holds no value %2").arg(id, key))
                 : "OK " + line.mid(line.indexOf(' ') + 1) + ' ' + value.toUtf8());
    } else if (command == "SET" && words.size() >= 4) {
        const QString key = QString::fromUtf8(words.at(2));
        const QString value = QString::fromUtf8(words.mid(3).join(' '));
        const HttpResponse unavailable = GatewayWrites::unavailable(*device);
        if (unavailable.status != 0) {
            done(lineOf(unavailable, QByteArray()));
            return;
        }
        QPointer<GatewayDevice> target(device);
        GatewayWrites::putValues(
            *device, session.who.origin(), QJsonObject{{key, value}},
            audited(session, *device, QStringLiteral("SET %1").arg(key), {{key, value}}, {key},
                    [done, target, id, key](const HttpResponse &response) {
                        const QString status = QJsonDocument::fromJson(response.body)
                                                   .object()
                                                   .value(QLatin1String("values"))
                                                   .toObject()
                                                   .value(key)
                                                   .toObject()
                                                   .value(QLatin1String("status"))
                                                   .toString();
                        const QString held = target ? target->session().device().value(key) : QString();
                        if (response.status == 200 && status != QLatin1String("done"))
                            done(errorLine(status, QStringLiteral("%1 %2 holds %3").arg(id, key, held)));
                        else
                            done(lineOf(response, (id + ' ' + key + ' ' + held).toUtf8()));
                    }));
    } else if (command == "DO" && (words.size() == 3 || words.size() == 4)) {
        const QString name = QString::fromUtf8(words.at(2));
        const HttpResponse unavailable = GatewayWrites::unavailable(*device);
        if (unavailable.status != 0) {
            done(lineOf(unavailable, QByteArray()));
            return;
        }
        const Action *action = Actions::find(name);
        QJsonObject body;
        if (words.size() == 4)
            body.insert(action && action->argumentName ? QLatin1String(action->argumentName)
                                                       : QLatin1String("argument"),
                        QString::fromUtf8(words.at(3)));
        GatewayWrites::runAction(
            *device, session.who.origin(), name, body,
            audited(
                session, *device, QStringLiteral("DO %1").arg(name), body, {},
                [done, id, name](const HttpResponse &response) {
                    const QString reply =
                        QJsonDocument::fromJson(response.body).object()[QLatin1String("reply")].toString();
                    done(lineOf(response,
                                (id + ' ' + name + (reply.isEmpty() ? QString() : QLatin1Char(' ') + reply))
                                    .toUtf8()));
                }));
    } else {
        done(errorLine(
            QStringLiteral("bad_command"),
            QStringLiteral("GET dev key, SET dev key value, DO dev action [arg], SUB dev|*, UNSUB dev|*, "
                           "LIST or PING")));
    }
}

QByteArray TextControl::authenticate(Session &session, const QList<QByteArray> &words)
{
    if (!access.takesTokens())
        return errorLine(QStringLiteral("bad_command"), QStringLiteral("this gateway takes no tokens"));
    if (session.who.identified)
        return errorLine(QStringLiteral("bad_command"), QStringLiteral("AUTH comes once, first"));
    const std::optional<GatewayClient> holder = words.at(0).toUpper() == "AUTH" && words.size() == 2
                                                    ? access.identify(session.who, words.at(1))
                                                    : std::nullopt;
    if (!holder) {
        // Nothing more is read from a client that did not show a token first.
        dismiss(session, errorLine(QStringLiteral("unauthorized"),
                                   words.at(0).toUpper() == "AUTH"
                                       ? QStringLiteral("the token is not one of this gateway's")
                                       : QStringLiteral("the first line is AUTH token")));
        return QByteArray();
    }
    session.who = *holder;
    return "OK " + holder->token.toUtf8() + (holder->scope == TokenScope::Control ? " control" : " read");
}

void TextControl::dismiss(Session &session, const QByteArray &line)
{
    if (session.dropped)
        return;
    write(session, line);
    session.dropped = true;
    session.socket->disconnectFromHost();
}

void TextControl::revoke()
{
    for (const auto &session : sessions) {
        if (!access.stillHolds(session->who))
            dismiss(*session, errorLine(QStringLiteral("unauthorized"),
                                        QStringLiteral("the token is no longer taken")));
    }
}

GatewayWrites::Answer TextControl::audited(const Session &session, GatewayDevice &device, const QString &what,
                                           const QJsonObject &asked, const QStringList &keys,
                                           const GatewayWrites::Answer &then)
{
    QPointer<GatewayDevice> target(&device);
    return [this, target, client = session.who, what, asked, before = GatewayAudit::valuesOf(device, keys),
            then](const HttpResponse &response) {
        if (target)
            audit.record(client, *target, what, asked, response, before);
        then(response);
    };
}

void TextControl::write(Session &session, const QByteArray &line)
{
    // A client that reads nothing is let go before what waits for it fills the memory.
    if (session.dropped)
        return;
    if (session.socket->bytesToWrite() > WriteLimit) {
        session.dropped = true;
        // Closed from the event loop: the sessions may be gone through right now.
        QMetaObject::invokeMethod(session.socket, &QTcpSocket::abort, Qt::QueuedConnection);
        return;
    }
    session.socket->write(line + "\r\n");
}

void TextControl::follow(GatewayDevice *device)
{
    connect(&device->session().device(), &DeviceModel::SGL_ValueChanged, this,
            [this, device](const QString &key, const QString &oldValue, const QString &newValue) {
                if (!oldValue.isNull())
                    tell(device->id(),
                         "EVENT " + device->id().toUtf8() + ' ' + key.toUtf8() + ' ' + newValue.toUtf8());
            });
    connect(device, &GatewayDevice::SGL_StateChanged, this,
            [this, device](LinkState state, const QString &reason) {
                tell(device->id(), "EVENT " + device->id().toUtf8() + " state " + linkStateName(state) + ' ' +
                                       reason.toUtf8());
            });
}

void TextControl::tell(const QString &device, const QByteArray &line)
{
    for (const auto &session : sessions) {
        if (session->who.identified && session->wants(device))
            write(*session, line);
    }
}
