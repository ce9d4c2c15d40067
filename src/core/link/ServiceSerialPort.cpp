#include "link/ServiceSerialPort.h"

#include <QMetaType>
#include <QStringList>

#include <cerrno>

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

int settingValue(const QStringList &settings, int index)
{
    return settings.value(index).toInt(nullptr, 10);
}
} // namespace

ServiceSerialPort::ServiceSerialPort()
{
    qRegisterMetaType<QSerialPort::SerialPortError>("QSerialPort::SerialPortError");
}

ServiceSerialPort::~ServiceSerialPort() = default;

void ServiceSerialPort::SLT_MatchTimer_Timeout()
{
    matchTimeout();
}

void ServiceSerialPort::SLT_WaitTimer_Timeout()
{
    waitTimeout();
}

void ServiceSerialPort::SLT_SerialPortError(QSerialPort::SerialPortError error)
{
    if (!connected || !port || !portIsLost(error))
        return;
    // Close at once: an open port whose device is gone keeps signalling the same error. The port object is
    // deleted by the disconnect that the GUI answers this report with.
    const QString reason = reasonOf(*port, error);
    if (port->isOpen())
        port->close();
    loseLink(int(error), reason);
}

void ServiceSerialPort::SLT_SyncConnect_SerialPort(const QString &MyPortName, const QString &MyBaudRate,
                                                   const QString &MyDataBit, const QString &MyParity,
                                                   const QString &MyStopBit, const QString &MyFlowControl)
{
    const QStringList settings{MyBaudRate, MyDataBit, MyParity, MyStopBit, MyFlowControl};
    runLinkChange([this, MyPortName, settings] {
        closePort();
        openPort(MyPortName, settings);
    });
}

void ServiceSerialPort::SLT_SyncDisconnect_SerialPort()
{
    runLinkChange([this] { closePort(); });
}

void ServiceSerialPort::SLT_RealSendData_SerialPort()
{
    sendStep();
}

void ServiceSerialPort::SLT_RealRecvData_SerialPort()
{
    receiveAvailable();
}

void ServiceSerialPort::openPort(const QString &portName, const QStringList &settings)
{
    connected = 0;
    port = new QSerialPort;
    connect(port, &QSerialPort::errorOccurred, this, &ServiceSerialPort::SLT_SerialPortError);
    connect(port, &QSerialPort::readyRead, this, &ServiceSerialPort::SLT_RealRecvData_SerialPort);
    connect(this, &ServiceSerialPort::SGL_TryCheckSend, this, &ServiceSerialPort::SLT_RealSendData_SerialPort,
            Qt::ConnectionType(Qt::DirectConnection | Qt::UniqueConnection));
    createTimers(this);
    port->setPortName(portName);
    connectResult = port->open(QIODevice::ReadWrite) ? 1 : 0;
    if (!connectResult) {
        const QString reason = reasonOf(*port, port->error());
        delete port;
        port = nullptr;
        deleteTimers();
        // Nothing queued for a link that never came up is written on the next one.
        discardQueued();
        emit SGL_ConnectStatus_SerialPort(false, PortNotOpened, reason);
        return;
    }
    port->setBaudRate(settingValue(settings, 0), QSerialPort::AllDirections);
    port->setDataBits(QSerialPort::DataBits(settingValue(settings, 1)));
    port->setParity(QSerialPort::Parity(settingValue(settings, 2)));
    port->setStopBits(QSerialPort::StopBits(settingValue(settings, 3)));
    port->setFlowControl(QSerialPort::FlowControl(settingValue(settings, 4)));
    beginLink();
    emit SGL_ConnectStatus_SerialPort(true, 0, QString());
}

void ServiceSerialPort::closePort()
{
    if (!port)
        return;
    // A lost port is closed already and may report more errors while it is shut; nobody listens any more.
    port->disconnect(this);
    if (port->isOpen()) {
        port->clear(QSerialPort::AllDirections);
        port->close();
    }
    delete port;
    port = nullptr;
    endLink();
}
