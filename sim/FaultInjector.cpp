#include "FaultInjector.h"

#include <QRandomGenerator>

FaultInjector::FaultInjector(const SimOptions &options)
    : silent(options.silent), dropEvery(options.dropEvery), garbageEvery(options.garbageEvery)
{
    for (const QString &command : options.noReply)
        noReply << command.toLatin1().simplified().toUpper();
}

bool FaultInjector::withholds(const SimRequest &request) const
{
    if (silent)
        return true;
    if (!request.isGet && !request.isSet)
        return false;
    const QByteArray text = request.withoutVerb().toUpper();
    for (const QByteArray &command : noReply) {
        if (text == command || text.startsWith(command + ' '))
            return true;
    }
    return false;
}

FaultInjector::Decision FaultInjector::nextReply()
{
    ++replies;
    Decision decision;
    decision.garbageFirst = garbageEvery > 0 && replies % quint64(garbageEvery) == 0;
    decision.drop = dropEvery > 0 && replies % quint64(dropEvery) == 0;
    return decision;
}

QByteArray FaultInjector::garbageLine()
{
    QRandomGenerator *random = QRandomGenerator::global();
    const int length = 8 + int(random->bounded(33));
    QByteArray line;
    while (line.size() < length) {
        const char byte = char(1 + random->bounded(255));
        if (byte == '\r' || byte == '\n' || (byte >= 'A' && byte <= 'Z'))
            continue;
        line += byte;
    }
    return line;
}

QByteArray FaultInjector::statusLine()
{
    static const char *const inputs[] = {"HDMI1", "HDMI2", "HDMI3", "HDMI4"};
    const quint64 n = statusLines++;
    if (n % 5 == 4)
        return QByteArrayLiteral("OUT STATUS CONNECTED 1920x1080p60");
    return QByteArray("IN STATUS ") + inputs[n % 4] + (n % 3 == 0 ? " NOSIGNAL" : " 1920x1080p60");
}
