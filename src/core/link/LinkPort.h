#pragma once

#include <QObject>
#include <QString>

class QIODevice;

// The device end of a link: a TCP connection or a serial port. It opens without blocking the thread it
// lives on and reports, whatever the transport, with one set of signals: the result of the open, the loss
// of an open link (once), and bytes to read.
class LinkPort : public QObject
{
    Q_OBJECT

public:
    ~LinkPort() override;

    // Starts opening; the result comes as opened(), never before this returns.
    virtual void open() = 0;
    // The open device; null before it opened.
    virtual QIODevice *device() const = 0;
    // Has the device read what the system holds for it already (bytes that came while this thread was
    // busy elsewhere); readyRead() is emitted from within when there were some.
    void readPending();
    // Writes `bytes` and hands them to the system at once: a link closed right after a write still sends it.
    virtual void write(const QByteArray &bytes) = 0;
    // Closes the device now, or gives up opening it: the next open of the same device may follow at once.
    // Nothing more is reported.
    virtual void shutDown() = 0;

signals:
    // Result of open(): true with 0; false with the transport's error code, the system's reason and whether
    // the cause lies with this computer's address (TCP).
    void opened(bool ok, int errorCode, const QString &reason, bool localCause);
    // The open link failed for good (connection closed or silent, port gone), with the system's text.
    void lost(int errorCode, const QString &reason);
    void readyRead();

protected:
    explicit LinkPort(QObject *parent = nullptr);
    // The system's descriptor of the open device; -1 when there is none.
    virtual qintptr descriptor() const = 0;
};
