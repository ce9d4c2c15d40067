#include "link/SerialLinkPort.h"

#include "link/LinkIoPool.h"

#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace {
constexpr int PortNotOpened = 3;

// Errors after which the open port is of no more use: the device went away or its file cannot be read or
// written any longer. Others (parity, framing, an unsupported setting...) leave the link as it is.
bool portIsLost(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        return true;
    default:
        return false;
    }
}

// The system's text of a port error; what the error means when the port has none to give. A read fails
// when the device hangs up, which sets no error number: the port's text is then left over from an earlier
// call (Qt 5 says "Unknown error", Qt 6 names a failed ioctl), so a read error has the meaning alone. A
// hang-up seen while polling can likewise carry the "try again" of the last empty read, which is no reason.
QString reasonOf(const QSerialPort &port, QSerialPort::SerialPortError error)
{
    const QString text = error == QSerialPort::ReadError ? QString() : port.errorString();
    if (!text.isEmpty() && text != QLatin1String("Unknown error") && text != qt_error_string(EAGAIN))
        return text;
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("No such device");
    case QSerialPort::PermissionError:
        return QStringLiteral("Permission denied");
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        return QStringLiteral("Input/output error");
    default:
        return QStringLiteral("The device was removed");
    }
}

int settingValue(const QString &setting)
{
    return setting.toInt(nullptr, 10);
}
} // namespace

SerialLinkPort::SerialLinkPort(const LinkSerialSettings &linkSettings, QObject *parent)
    : LinkPort(parent), settings(linkSettings)
{
    connect(&opening, &QFutureWatcher<QString>::finished, this, &SerialLinkPort::openEnded);
}

SerialLinkPort::~SerialLinkPort()
{
    shutDown();
}

void SerialLinkPort::shutDown()
{
    opening.disconnect(this);
    // A port the open delivered and nobody took is closed here; one still opening, by its job, before the
    // next open runs.
    if (handoff)
        port = static_cast<QSerialPort *>(std::exchange(handoff, nullptr)->leave());
    release();
}

QIODevice *SerialLinkPort::device() const
{
    return port;
}

void SerialLinkPort::write(const QByteArray &bytes)
{
    if (port) {
        port->write(bytes);
        port->flush();
    }
}

qintptr SerialLinkPort::descriptor() const
{
    return port && port->isOpen() ? port->handle() : -1;
}

void SerialLinkPort::open()
{
    handoff = std::make_shared<LinkIoHandoff>(this);
    const std::shared_ptr<LinkIoHandoff> delivery = handoff;
    const LinkSerialSettings wanted = settings;
    opening.setFuture(QtConcurrent::run(linkOpenQueue(), [delivery, wanted] {
        auto *opened = new QSerialPort;
        opened->setPortName(wanted.portName);
        if (!opened->open(QIODevice::ReadWrite)) {
            const QString reason = reasonOf(*opened, opened->error());
            delete opened;
            return reason;
        }
        opened->setBaudRate(settingValue(wanted.baudRate), QSerialPort::AllDirections);
        opened->setDataBits(QSerialPort::DataBits(settingValue(wanted.dataBits)));
        opened->setParity(QSerialPort::Parity(settingValue(wanted.parity)));
        opened->setStopBits(QSerialPort::StopBits(settingValue(wanted.stopBits)));
        opened->setFlowControl(QSerialPort::FlowControl(settingValue(wanted.flowControl)));
        // Given up meanwhile: closed before the next open of the port runs.
        if (!delivery->deliver(opened))
            delete opened;
        return QString();
    }));
}

void SerialLinkPort::openEnded()
{
    port = static_cast<QSerialPort *>(handoff->take());
    handoff.reset();
    if (!port) {
        emit opened(false, PortNotOpened, opening.result(), false);
        return;
    }
    port->setParent(this);
    connect(port, &QSerialPort::errorOccurred, this, &SerialLinkPort::portError);
    connect(port, &QSerialPort::readyRead, this, &LinkPort::readyRead);
    emit opened(true, 0, QString(), false);
}

void SerialLinkPort::portError(QSerialPort::SerialPortError error)
{
    if (!port || !portIsLost(error))
        return;
    // Closed at once: an open port whose device is gone keeps signalling the same error.
    const QString reason = reasonOf(*port, error);
    release();
    emit lost(int(error), reason);
}

void SerialLinkPort::release()
{
    if (!port)
        return;
    QSerialPort *closing = std::exchange(port, nullptr);
    closing->disconnect(this);
    if (closing->isOpen()) {
        // The port's own close is quick while this copy holds the descriptor; the copy's close is the last.
        const int last = ::dup(int(closing->handle()));
        closing->close();
        if (last >= 0)
            closeOnLinkPool(last);
    }
    // It may be in the middle of emitting the error.
    closing->setParent(nullptr);
    closing->deleteLater();
}
