#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// One way into the simulated device (the TCP control port or the serial line).
class SimLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Short name used in the traffic log.
    virtual QString tag() const = 0;
    // True while a peer can receive what is written.
    virtual bool isConnected() const = 0;
    // Writes bytes to the peer; false when they could not be written.
    virtual bool writeBytes(const QByteArray &bytes) = 0;

signals:
    // A request line, with the byte that ended it.
    void lineReceived(const QByteArray &line);
};
