#pragma once

#include "link/LinkPort.h"

#include <QFutureWatcher>
#include <QSerialPort>

#include <memory>

class LinkIoHandoff;

// The settings of a serial link, as decimal texts of Qt's enumeration values.
struct LinkSerialSettings
{
    QString portName;
    QString baudRate = QStringLiteral("9600");
    QString dataBits = QStringLiteral("8");
    QString parity = QStringLiteral("0");
    QString stopBits = QStringLiteral("1");
    QString flowControl = QStringLiteral("0");
};

// An RS-232 port. It is opened on the link's open queue and handed to this port's thread; its last close
// (which the system may hold while a vanished adapter's driver gives up) runs on the link pool. A port that
// goes away (adapter unplugged, device file removed) is lost at once, and closed so that it stops signalling.
class SerialLinkPort : public LinkPort
{
    Q_OBJECT

public:
    explicit SerialLinkPort(const LinkSerialSettings &settings, QObject *parent = nullptr);
    ~SerialLinkPort() override;

    void open() override;
    QIODevice *device() const override;
    void write(const QByteArray &bytes) override;
    void shutDown() override;

protected:
    qintptr descriptor() const override;

private:
    void openEnded();
    void portError(QSerialPort::SerialPortError error);
    // Closes the port without waiting for the system: the descriptor's last reference ends on the pool.
    void release();

    LinkSerialSettings settings;
    QSerialPort *port = nullptr;
    // The open under way: the port comes through the handoff, the system's reason of a failure as result.
    std::shared_ptr<LinkIoHandoff> handoff;
    QFutureWatcher<QString> opening;
};
