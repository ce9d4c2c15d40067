// How one process holds a fleet: N link sessions against one lumaplex-sim that serves N devices on loopback,
// all opened at once, identified and fully read, then watched at a 5 s interval. Per N it prints
// - the time until all are synced, and its ratio to the time of N = 1;
// - each device's sync against the protocol floor (its R requests x 50 ms plus their round trips): the
//   median and the worst device;
// - the peak number of the process's threads while they open and sync (/proc/self/task);
// - resident memory per session once every session's traffic ring is full;
// - the processor time of the watching, as a share of one core;
// - the p99 of a click's time to the wire (from LinkSession::send to the transport's write) on one more
//   device, already synced, while the N others sync; an operator clicks again soon after each reply.
//
// Every device plays the same model, so that every size does the same work per device. The fleet is opened
// and synced several times (--rounds, closed between them): its sync figures are the median (all synced) and
// the median and worst device of every round, the clicks those of every round.
//
// Usage: bench_fleet [--sizes 1,16,64,256] [--rounds 5] [--watch-seconds 60] [--model RKA204QE]

#include "EventLoopWait.h"
#include "FleetSim.h"
#include "core/TestProcess.h"

#include "protocol/Catalogue.h"
#include "session/LinkSession.h"
#include "setup/SetupReader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 SendGapUs = 50000;
constexpr int SyncTimeoutMs = 600000;

// One session of the fleet with its read.
struct Member
{
    std::unique_ptr<LinkSession> session = std::make_unique<LinkSession>();
    std::unique_ptr<SetupReader> reader = std::make_unique<SetupReader>(*session);
    qint64 openedUs = 0;
    qint64 syncedUs = -1;
    bool failed = false;

    void open(const QString &port)
    {
        openedUs = monotonicNowUs();
        QObject::connect(session.get(), &LinkSession::SGL_ConnectStatus, reader.get(),
                         [this](quint32, bool connected) {
                             if (connected)
                                 reader->start(SetupReader::allGroups());
                             else
                                 failed = true;
                         });
        QObject::connect(reader.get(), &SetupReader::SGL_Finished, reader.get(), [this] {
            syncedUs = monotonicNowUs();
            failed = reader->outcome() != SetupReader::Outcome::Done;
        });
        session->openTcpClient(QStringLiteral("0.0.0.0"), QStringLiteral("127.0.0.1"), port);
    }
    bool done() const { return failed || syncedUs >= 0; }

    // The sync's time over its floor: every request written waits for the gap before it, and for its reply
    // (or its time-out) after it.
    double overFloor() const
    {
        const TrafficRing &ring = session->traffic();
        qint64 floorUs = 0;
        for (quint64 sequence = ring.firstSequence(); sequence < ring.endSequence(); ++sequence) {
            const TrafficRecord &record = ring.at(sequence);
            if (record.kind == TrafficRecord::Written)
                floorUs += SendGapUs;
            else if (record.answersCommand() || record.kind == TrafficRecord::TimedOut)
                floorUs += record.roundTripUs;
        }
        return floorUs > 0 ? double(syncedUs - openedUs) / double(floorUs) : 0;
    }
};

// Clicks on one device (a model read, as a button that reads back does) again and again: each soon after
// the one before has been answered. The time to the wire is what the transport stamped on the write, minus
// the moment of the click.
class Clicker
{
public:
    explicit Clicker(LinkSession &session) : session(session) {}

    void start()
    {
        running = true;
        // A click still on its way goes on to the next one itself.
        if (!clicking)
            click();
    }
    void stop() { running = false; }

    std::vector<double> timesToWireMs() const
    {
        std::vector<double> times;
        const TrafficRing &ring = session.traffic();
        for (quint64 sequence = ring.firstSequence(); sequence < ring.endSequence(); ++sequence) {
            const TrafficRecord &record = ring.at(sequence);
            for (const auto &[id, clickedUs] : clicks) {
                if (record.kind == TrafficRecord::Written && record.commandId == id)
                    times.push_back(double(record.monotonicUs - clickedUs) / 1000.0);
            }
        }
        return times;
    }

private:
    void click()
    {
        clicking = running;
        if (!running)
            return;
        const qint64 now = monotonicNowUs();
        LinkReply *reply = session.send(GetModelType());
        clicks.emplace_back(reply->id(), now);
        QObject::connect(reply, &LinkReply::finished, &session,
                         [this] { QTimer::singleShot(20, &session, [this] { click(); }); });
    }

    LinkSession &session;
    bool running = false;
    bool clicking = false;
    std::vector<std::pair<quint64, qint64>> clicks;
};

struct Figures
{
    int devices = 0;
    bool ok = false;
    double allSyncedMs = 0;
    double medianOverFloor = 0;
    double worstOverFloor = 0;
    int peakThreads = 0;
    double residentPerSessionMb = 0;
    double watchCpuPercent = 0;
    double clickP99Ms = 0;
    int clicks = 0;
};

Figures measure(int devices, int rounds, int watchSeconds, const QString &model)
{
    Figures figures;
    figures.devices = devices;
    FleetSim sim;
    // The last device is the one clicked on.
    if (!sim.start(devices + 1, model)) {
        std::fprintf(stderr, "bench_fleet: the simulator did not start %d devices\n", devices + 1);
        return figures;
    }
    malloc_trim(0);
    const qint64 residentBefore = residentBytes();

    Member clicked;
    clicked.open(sim.ports.back());
    if (!runUntil([&] { return clicked.done(); }, SyncTimeoutMs) || clicked.failed)
        return figures;
    Clicker clicker(*clicked.session);

    // The fleet is opened and synced `rounds` times (closed between them), so that the clicks while it syncs
    // are enough for a p99; its figures are those of every round.
    std::vector<std::unique_ptr<Member>> fleet;
    std::vector<double> syncedMs;
    std::vector<double> overFloor;
    int peakThreads = threadCount();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &sampler,
                     [&peakThreads] { peakThreads = std::max(peakThreads, threadCount()); });
    for (int round = 0; round < rounds; ++round) {
        fleet.clear();
        for (int i = 0; i < devices; ++i)
            fleet.push_back(std::make_unique<Member>());
        sampler.start(10);
        const qint64 startUs = monotonicNowUs();
        for (int i = 0; i < devices; ++i)
            fleet[std::size_t(i)]->open(sim.ports[std::size_t(i)]);
        clicker.start();
        const bool synced = runUntil(
            [&] { return std::all_of(fleet.begin(), fleet.end(), [](const auto &m) { return m->done(); }); },
            SyncTimeoutMs);
        clicker.stop();
        sampler.stop();
        const int failures =
            int(std::count_if(fleet.begin(), fleet.end(), [](const auto &member) { return member->failed; }));
        if (!synced || failures > 0) {
            std::fprintf(stderr, "bench_fleet: %d of %d devices did not sync\n", synced ? failures : devices,
                         devices);
            return figures;
        }
        qint64 lastUs = startUs;
        for (const auto &member : fleet) {
            lastUs = std::max(lastUs, member->syncedUs);
            overFloor.push_back(member->overFloor());
        }
        syncedMs.push_back(double(lastUs - startUs) / 1000.0);
    }
    figures.allSyncedMs = percentile(syncedMs, 0.5);
    figures.medianOverFloor = percentile(overFloor, 0.5);
    figures.worstOverFloor = *std::max_element(overFloor.begin(), overFloor.end());
    figures.peakThreads = peakThreads;
    const std::vector<double> clicks = clicker.timesToWireMs();
    figures.clicks = int(clicks.size());
    figures.clickP99Ms = percentile(clicks, 0.99);

    // Every ring filled to its capacity with records of a typical reply's size.
    const QString note = QStringLiteral("OUT HDCP FORCE-2.2\r\n");
    for (const auto &member : fleet) {
        for (std::size_t n = member->session->traffic().size(); n < member->session->traffic().capacity();
             ++n)
            member->session->addNote(note);
    }
    figures.residentPerSessionMb = double(residentBytes() - residentBefore) / double(devices) / 1e6;

    for (const auto &member : fleet)
        member->session->watch().setInterval(5);
    const qint64 cpuBefore = cpuMicroseconds();
    QElapsedTimer watching;
    watching.start();
    runFor(watchSeconds * 1000);
    figures.watchCpuPercent =
        100.0 * double(cpuMicroseconds() - cpuBefore) / 1000.0 / double(watching.elapsed());
    figures.ok = true;
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("How one process holds a fleet of devices."));
    parser.addHelpOption();
    parser.addOptions(
        {{"sizes", "The fleet sizes to measure (default 1,16,64,256).", "N,N,...", "1,16,64,256"},
         {"watch-seconds", "How long each fleet is watched (default 60).", "S", "60"},
         {"model", "The model every device plays (default RKA204QE).", "NAME", "RKA204QE"},
         {"rounds", "How often each fleet is opened and synced (default 5).", "R", "5"}});
    parser.process(app);
    std::vector<int> sizes;
    for (const QString &size : parser.value("sizes").split(',')) {
        const int n = size.toInt();
        if (n < 1 || n > 999) {
            std::fprintf(stderr, "bench_fleet: a fleet size is a number from 1 to 999, not \"%s\"\n",
                         qPrintable(size));
            return 2;
        }
        sizes.push_back(n);
    }
    const int watchSeconds = std::max(1, parser.value("watch-seconds").toInt());
    const int rounds = std::max(1, parser.value("rounds").toInt());

    std::printf(
        "A fleet of N sessions against one lumaplex-sim, all opened at once and synced %d times, then "
        "watched for %d s\n\n",
        rounds, watchSeconds);
    std::printf("%5s %12s %8s %13s %12s %8s %12s %10s %14s\n", "N", "synced ms", "vs N=1", "median/floor",
                "worst/floor", "threads", "MB/session", "watch cpu", "click p99 ms");
    double singleMs = 0;
    int failures = 0;
    for (int n : sizes) {
        const Figures f = measure(n, rounds, watchSeconds, parser.value("model"));
        if (!f.ok) {
            std::printf("%5d %12s\n", n, "failed");
            ++failures;
            continue;
        }
        if (n == 1)
            singleMs = f.allSyncedMs;
        std::printf("%5d %12.0f %8s %13.3f %12.3f %8d %12.2f %9.2f%% %9.1f (%d)\n", n, f.allSyncedMs,
                    singleMs > 0 ? qPrintable(QString::number(f.allSyncedMs / singleMs, 'f', 2)) : "-",
                    f.medianOverFloor, f.worstOverFloor, f.peakThreads, f.residentPerSessionMb,
                    f.watchCpuPercent, f.clickP99Ms, f.clicks);
        std::fflush(stdout);
    }
    std::printf("\nGoals at 256: synced <= 1.2 x N=1, every device <= 1.02 x its floor, threads as at N=1 "
                "(<= 6), <= 1 MB per session, watch <= 3 %% of a core, click p99 <= 60 ms\n");
    return failures == 0 ? 0 : 1;
}
