#pragma once

#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

// Finds the speed of the device on a serial port: tries the five speeds, most common first, each with
// 8 data bits, no parity, one stop bit, and asks the model query with a short time-out; the first speed
// that brings a model reply is the device's. The port is closed again before the result is reported.
class BaudProbe : public QObject
{
    Q_OBJECT
public:
    static constexpr int ReplyTimeoutMs = 500;

    enum class Outcome
    {
        Idle,
        Running,
        Found,
        NoAnswer,  // every speed was tried
        PortFailed // the port could not be opened
    };

    // 9600, 115200, 57600, 38400, 19200.
    static const QList<qint32> &speeds();
    // "9600, 115200, 57600, 38400 and 19200".
    static QString speedsText();

    explicit BaudProbe(QObject *parent = nullptr);

    void start(const QString &portName);

    Outcome outcome() const { return result; }
    QString portName() const { return port.portName(); }
    qint32 baud() const { return foundBaud; }
    QString model() const { return foundModel; }
    // The system's reason when the port could not be opened.
    QString error() const { return portError; }

signals:
    void SGL_Trying(qint32 baud);
    void SGL_Finished();

private:
    void tryNext();
    void read();
    void finish(Outcome outcome);

    QSerialPort port;
    QTimer timer;
    QByteArray pending;
    int tried = 0;
    Outcome result = Outcome::Idle;
    qint32 foundBaud = 0;
    QString foundModel;
    QString portError;
};
