#pragma once

#include "link/LinkService.h"

#include <QSerialPort>
#include <QString>

// The RS-232 transport: works its link channel through a QSerialPort in a worker thread. The link session
// moves it to that thread, starts the thread, asks for a connection with a queued call of
// SLT_SyncConnect_SerialPort and ends the link by quitting the thread (its finished() runs the disconnect).
// The port and the timers are created by the connect slot inside the thread and deleted by the disconnect.
// A port that goes away (adapter unplugged, device file removed) ends the link at once with SGL_LinkLost.
class ServiceSerialPort : public LinkService
{
    Q_OBJECT

public:
    ServiceSerialPort();
    ~ServiceSerialPort() override;

signals:
    // Internal: the link is free again, the next command may go.
    void SGL_TryCheckSend();
    // Reply lines were put on the receive queue.
    void SGL_UpdateRecvData_SerialPort();
    // The bytes just written, as Latin-1 text.
    void SGL_UpdateSendData_SerialPort(const QString &Text);
    // Result of a connect request: true with 0, or false with 3 when the port could not be opened, with the
    // system's reason.
    void SGL_ConnectStatus_SerialPort(bool status, int ErrorCode, const QString &reason = QString());
    // No matching reply came in time for the command `cmd`.
    void SGL_WaitReplyTimeout_SerialPort(const QString &cmd);

public slots:
    void SLT_MatchTimer_Timeout();
    void SLT_WaitTimer_Timeout();
    void SLT_SerialPortError(QSerialPort::SerialPortError error);
    // The six settings are decimal texts of Qt's enumeration values (baud rate, data bits, parity, stop
    // bits, flow control). A request while connected closes the open link first.
    void SLT_SyncConnect_SerialPort(const QString &MyPortName, const QString &MyBaudRate,
                                    const QString &MyDataBit, const QString &MyParity,
                                    const QString &MyStopBit, const QString &MyFlowControl);
    void SLT_SyncDisconnect_SerialPort();
    void SLT_RealSendData_SerialPort();
    void SLT_RealRecvData_SerialPort();

protected:
    QIODevice *linkDevice() const override { return port; }
    void announceTryCheckSend() override { emit SGL_TryCheckSend(); }
    void announceReceivedLine() override { emit SGL_UpdateRecvData_SerialPort(); }
    void announceSentData(const QString &text) override { emit SGL_UpdateSendData_SerialPort(text); }
    void announceReplyTimeout(const QString &cmd) override { emit SGL_WaitReplyTimeout_SerialPort(cmd); }

private:
    void openPort(const QString &portName, const QStringList &settings);
    void closePort();

    QSerialPort *port = nullptr;
};
