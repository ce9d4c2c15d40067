#include "session/NetworkSweep.h"

#include "protocol/Catalogue.h"
#include "session/ModelQuery.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

QString dotted(quint32 address)
{
    return QHostAddress(address).toString();
}

} // namespace

QString SweepRange::text() const
{
    return QStringLiteral("%1/%2").arg(dotted(network)).arg(prefix);
}

QString SweepRange::problemText() const
{
    switch (problem) {
    case Unreadable:
        return QStringLiteral("'%1' is not an address range such as 192.168.0.0/24").arg(given);
    case TooWide:
        return QStringLiteral(
                   "%1 holds %2 addresses; at most %3 are searched: give a narrower range, such as %4")
            .arg(text())
            .arg(size)
            .arg(Limit)
            .arg(suggestion);
    case Fine:
        break;
    }
    return QString();
}

SweepRange parseSweepRange(const QString &text)
{
    SweepRange range;
    range.given = text;
    const QString trimmed = text.trimmed();
    const QString addressText = trimmed.section(QLatin1Char('/'), 0, 0);
    const QString prefixText =
        trimmed.contains(QLatin1Char('/')) ? trimmed.section(QLatin1Char('/'), 1) : QStringLiteral("32");
    bool prefixOk = false;
    const int prefix = prefixText.toInt(&prefixOk, 10);
    QHostAddress address;
    if (!address.setAddress(addressText) || address.protocol() != QAbstractSocket::IPv4Protocol ||
        addressText.count(QLatin1Char('.')) != 3 || !prefixOk || prefix < 0 || prefix > 32)
        return range;
    const quint32 ip = address.toIPv4Address();
    const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
    range.network = ip & mask;
    range.prefix = prefix;
    range.size = quint64(1) << (32 - prefix);
    if (range.size > SweepRange::Limit) {
        range.problem = SweepRange::TooWide;
        range.suggestion = QStringLiteral("%1/24").arg(dotted(ip & 0xFFFFFF00u));
        return range;
    }
    // A subnet of more than two addresses keeps its first (network) and last (broadcast) address out.
    const bool hasEnds = range.size > 2;
    range.first = range.network + (hasEnds ? 1 : 0);
    range.count = quint32(range.size) - (hasEnds ? 2 : 0);
    range.problem = SweepRange::Fine;
    return range;
}

QString subnetOf(const QString &ip, const QString &netmask)
{
    const QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(ip + QLatin1Char('/') + netmask);
    if (subnet.second < 0)
        return QString();
    const quint32 mask = subnet.second == 0 ? 0 : ~quint32(0) << (32 - subnet.second);
    return QStringLiteral("%1/%2").arg(dotted(QHostAddress(ip).toIPv4Address() & mask)).arg(subnet.second);
}

struct NetworkSweep::Probe
{
    QTcpSocket socket;
    QTimer timer;
    QByteArray pending;
    QString address;
};

NetworkSweep::NetworkSweep(QObject *parent) : QObject(parent) {}

NetworkSweep::~NetworkSweep()
{
    closeAll();
    retired.clear();
}

void NetworkSweep::start(const SweepRange &sweepRange, quint16 controlPort)
{
    cancel();
    range = sweepRange.problem == SweepRange::Fine ? sweepRange : SweepRange();
    port = controlPort;
    next = 0;
    finished = 0;
    devices.clear();
    running = true;
    emit SGL_Progress(0, range.count);
    if (range.count == 0) {
        running = false;
        emit SGL_Finished(false);
        return;
    }
    launch();
}

void NetworkSweep::cancel()
{
    if (!running)
        return;
    running = false;
    closeAll();
    emit SGL_Finished(true);
}

void NetworkSweep::closeAll()
{
    for (const auto &probe : probes) {
        probe->socket.disconnect();
        probe->timer.disconnect();
        probe->socket.abort();
    }
    probes.clear();
}

void NetworkSweep::launch()
{
    static const QByteArray query = GetModelType().line;
    while (running && next < range.count && probes.size() < std::size_t(InFlight)) {
        probes.push_back(std::make_unique<Probe>());
        Probe *probe = probes.back().get();
        probe->address = dotted(range.first + next++);
        probe->timer.setSingleShot(true);
        connect(&probe->timer, &QTimer::timeout, this, [this, probe] { end(probe, QString()); });
        connect(&probe->socket, &QTcpSocket::connected, this, [probe] {
            probe->socket.write(query);
            probe->timer.start(ReplyTimeoutMs);
        });
        connect(&probe->socket, &QTcpSocket::readyRead, this, [this, probe] {
            probe->pending += probe->socket.readAll();
            int cr = 0;
            while ((cr = probe->pending.indexOf('\r')) >= 0) {
                const QByteArray line = probe->pending.left(cr + 1);
                probe->pending.remove(0, cr + 1);
                const QString model = modelInReply(line);
                if (!model.isNull())
                    return end(probe, model);
            }
            if (probe->pending.size() > ModelReplyLimit)
                end(probe, QString());
        });
        connect(&probe->socket, &QTcpSocket::errorOccurred, this, [this, probe] { end(probe, QString()); });
        probe->timer.start(ConnectTimeoutMs);
        probe->socket.connectToHost(QHostAddress(probe->address), port);
    }
}

void NetworkSweep::end(Probe *probe, const QString &model)
{
    const auto it =
        std::find_if(probes.begin(), probes.end(), [probe](const auto &p) { return p.get() == probe; });
    if (it == probes.end())
        return;
    // The socket may be inside its own signal: it is closed now and deleted once control is back in the
    // event loop.
    std::unique_ptr<Probe> owned = std::move(*it);
    probes.erase(it);
    owned->socket.disconnect();
    owned->timer.disconnect();
    owned->timer.stop();
    owned->socket.abort();
    const QString address = owned->address;
    retired.push_back(std::move(owned));
    QTimer::singleShot(0, this, [this] { retired.clear(); });
    ++finished;
    if (!model.isNull()) {
        devices.append({address, port, model});
        emit SGL_DeviceFound(address, port, model);
    }
    if (!running)
        return;
    emit SGL_Progress(finished, range.count);
    if (finished == range.count) {
        running = false;
        emit SGL_Finished(false);
        return;
    }
    launch();
}
