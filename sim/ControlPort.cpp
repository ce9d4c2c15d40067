#include "ControlPort.h"

#include <QTcpSocket>

#include <memory>
#include <utility>

ControlPort::ControlPort(Handler handler, QObject *parent) : QObject(parent), handler(std::move(handler))
{
    connect(&server, &QTcpServer::newConnection, this, &ControlPort::accept);
}

bool ControlPort::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (server.listen(address, port))
        return true;
    *error = server.errorString();
    return false;
}

void ControlPort::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        socket->setParent(this);
        auto splitter = std::make_shared<LineSplitter>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, splitter] {
            for (const QByteArray &line : splitter->feed(socket->readAll()))
                socket->write(handler(line.trimmed()) + "\r\n");
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}
