#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <list>
#include <memory>

// An IPv4 range to sweep, written as ADDRESS/PREFIX ("192.168.0.0/24"; host bits are allowed, a single
// address stands for /32). At most Limit addresses: a wider subnet is refused with a narrower range to try.
struct SweepRange
{
    static constexpr quint64 Limit = 1024;

    enum Problem
    {
        Fine,
        Unreadable,
        TooWide
    };
    Problem problem = Unreadable;
    QString given;
    quint32 network = 0;
    int prefix = 0;
    quint64 size = 0;   // addresses in the subnet
    quint32 first = 0;  // first host address swept
    quint32 count = 0;  // host addresses swept (the subnet less its network and broadcast addresses)
    QString suggestion; // TooWide: the /24 around the address given

    // "192.168.0.0/24".
    QString text() const;
    // What is wrong, for the operator (empty when Fine).
    QString problemText() const;
};

SweepRange parseSweepRange(const QString &text);
// The subnet of an interface address with its netmask ("192.168.0.10", "255.255.255.0" → "192.168.0.0/24").
QString subnetOf(const QString &ip, const QString &netmask);

// Finds the devices of a range: every address is offered a TCP connection on the control port, many at once
// (at most InFlight) with short time-outs; an address that accepts is asked the model query and nothing
// else, and closed once it answers or its time is up. Addresses outside the range are never contacted.
class NetworkSweep : public QObject
{
    Q_OBJECT
public:
    static constexpr int InFlight = 128;
    static constexpr int ConnectTimeoutMs = 500;
    static constexpr int ReplyTimeoutMs = 1000;

    struct Found
    {
        QString address;
        quint16 port = 0;
        QString model;
    };

    explicit NetworkSweep(QObject *parent = nullptr);
    ~NetworkSweep() override;

    // Sweeps `range` (which must be Fine) on `port`; a sweep still running is cancelled first.
    void start(const SweepRange &range, quint16 port);
    // Stops at once: every connection in progress is closed and nothing more is reported.
    void cancel();

    bool isRunning() const { return running; }
    quint32 done() const { return finished; }
    quint32 total() const { return range.count; }
    // Connections open or being opened now.
    int openConnections() const { return int(probes.size()); }
    const QList<Found> &found() const { return devices; }

signals:
    void SGL_DeviceFound(const QString &address, quint16 port, const QString &model);
    void SGL_Progress(quint32 done, quint32 total);
    void SGL_Finished(bool cancelled);

private:
    struct Probe;
    void launch();
    void end(Probe *probe, const QString &model);
    void closeAll();

    SweepRange range;
    quint16 port = 0;
    quint32 next = 0;
    quint32 finished = 0;
    bool running = false;
    QList<Found> devices;
    std::list<std::unique_ptr<Probe>> probes;
    // Closed probes, deleted on the next turn of the event loop.
    std::list<std::unique_ptr<Probe>> retired;
};
