#include "SimDevice.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

SimDevice::SimDevice() = default;

QString SimDevice::stateFile() const
{
    return dir.path() + QStringLiteral("/device.json");
}

QString SimDevice::ptyLink() const
{
    return dir.path() + QStringLiteral("/serial");
}

void SimDevice::seedState(const QJsonObject &state)
{
    QFile file(stateFile());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(state).toJson());
}

bool SimDevice::start(const QStringList &args, bool withPty)
{
    QStringList all = args;
    all << QStringLiteral("--state") << stateFile();
    if (withPty)
        all << QStringLiteral("--pty") << ptyLink();
    return dir.isValid() && process.start(all);
}

int SimDevice::stop()
{
    return process.stop();
}

quint16 SimDevice::port()
{
    // The last "listening on tcp ADDR:PORT" announcement wins: the device moves when its network settings
    // are written and comes back after a factory reset.
    static const QRegularExpression listening(QStringLiteral("listening on tcp [0-9.]+:(\\d+)"));
    quint16 last = process.port;
    QRegularExpressionMatchIterator it = listening.globalMatch(log());
    while (it.hasNext())
        last = quint16(it.next().captured(1).toUInt());
    return last;
}

QStringList SimDevice::requests()
{
    // Log lines look like "12:00:00.123 tcp <- GET MODEL TYPE\r", the line as received with control bytes
    // escaped.
    static const QRegularExpression received(QStringLiteral("^\\S+ \\S+ <- (.*)$"),
                                             QRegularExpression::MultilineOption);
    QStringList lines;
    QRegularExpressionMatchIterator it = received.globalMatch(log());
    while (it.hasNext()) {
        QString line = it.next().captured(1);
        if (line.endsWith(QLatin1String("\\r")))
            line.chop(2);
        lines << line;
    }
    return lines;
}

QString SimDevice::log()
{
    // What the simulator printed before it answered is in the pipe by the time its answer arrived; take it
    // from there without waiting for the event loop to read it.
    while (process.process.waitForReadyRead(0)) {
    }
    return process.output();
}

int SimDevice::logLines(const QString &text)
{
    int count = 0;
    for (const QString &line : log().split(QLatin1Char('\n'))) {
        if (line.contains(text))
            ++count;
    }
    return count;
}

int SimDevice::connections()
{
    static const QRegularExpression connected(QStringLiteral("^\\S+ tcp\\d* -- client \\S+ connected$"),
                                              QRegularExpression::MultilineOption);
    int count = 0;
    QRegularExpressionMatchIterator it = connected.globalMatch(log());
    for (; it.hasNext(); it.next())
        ++count;
    return count;
}

QJsonObject SimDevice::state() const
{
    QFile file(stateFile());
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}
