#include "session/BaudProbe.h"

#include "protocol/Catalogue.h"
#include "session/ModelQuery.h"

const QList<qint32> &BaudProbe::speeds()
{
    static const QList<qint32> order{9600, 115200, 57600, 38400, 19200};
    return order;
}

QString BaudProbe::speedsText()
{
    QStringList texts;
    for (const qint32 speed : speeds())
        texts << QString::number(speed);
    const QString last = texts.takeLast();
    return texts.join(QLatin1String(", ")) + QStringLiteral(" and ") + last;
}

BaudProbe::BaudProbe(QObject *parent) : QObject(parent)
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this] {
        port.close();
        ++tried;
        tryNext();
    });
    connect(&port, &QSerialPort::readyRead, this, &BaudProbe::read);
}

void BaudProbe::start(const QString &portName)
{
    timer.stop();
    port.close();
    port.setPortName(portName);
    tried = 0;
    foundBaud = 0;
    foundModel.clear();
    portError.clear();
    result = Outcome::Running;
    tryNext();
}

void BaudProbe::tryNext()
{
    if (tried >= speeds().size())
        return finish(Outcome::NoAnswer);
    const qint32 speed = speeds().at(tried);
    port.setBaudRate(speed);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite)) {
        portError = port.errorString();
        return finish(Outcome::PortFailed);
    }
    // What an earlier speed left on the line is no answer to this one.
    port.clear();
    pending.clear();
    emit SGL_Trying(speed);
    port.write(GetModelType().line);
    timer.start(ReplyTimeoutMs);
}

void BaudProbe::read()
{
    pending += port.readAll();
    int cr = 0;
    while ((cr = pending.indexOf('\r')) >= 0) {
        const QString model = modelInReply(pending.left(cr + 1));
        pending.remove(0, cr + 1);
        if (!model.isNull()) {
            foundBaud = speeds().at(tried);
            foundModel = model;
            return finish(Outcome::Found);
        }
    }
    if (pending.size() > ModelReplyLimit)
        pending.clear();
}

void BaudProbe::finish(Outcome outcome)
{
    timer.stop();
    port.close();
    result = outcome;
    emit SGL_Finished();
}
