// How long a network sweep takes on loopback: a /24 and a /22 with three lumaplex-sim devices in them (on
// 127.0.0.10, 127.0.0.100 and 127.0.0.200), from start to the end of the sweep, against the target of 5 s
// for a /24. Every other address refuses at once on loopback, so this is the sweep's own cost: connection
// attempts, the model query and its reply, and the bookkeeping of up to 128 probes at a time.
//
// Usage: bench_discover [runs, default 5]

#include "core/SimDevice.h"

#include "session/NetworkSweep.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    std::vector<std::unique_ptr<SimDevice>> sims;
    quint16 port = 0;
    for (const char *address : {"127.0.0.10", "127.0.0.100", "127.0.0.200"}) {
        sims.push_back(std::make_unique<SimDevice>());
        if (!sims.back()->start(
                {"--quiet", "--tcp", QStringLiteral("%1:%2").arg(QLatin1String(address)).arg(port)})) {
            std::fprintf(stderr, "cannot start lumaplex-sim on %s\n", address);
            return 1;
        }
        port = sims.back()->port();
    }
    std::printf("| Range | Addresses | Found | Median of %d runs | Slowest |\n|---|---|---|---|---|\n", runs);
    for (const char *text : {"127.0.0.0/24", "127.0.0.0/22"}) {
        const SweepRange range = parseSweepRange(QLatin1String(text));
        std::vector<qint64> times;
        int found = 0;
        for (int run = 0; run < runs; ++run) {
            NetworkSweep sweep;
            QSignalSpy finished(&sweep, &NetworkSweep::SGL_Finished);
            QElapsedTimer clock;
            clock.start();
            sweep.start(range, port);
            if (!finished.wait(60000)) {
                std::fprintf(stderr, "the sweep of %s did not end\n", text);
                return 1;
            }
            times.push_back(clock.elapsed());
            found = sweep.found().size();
        }
        std::printf("| %s | %u | %d | %lld ms | %lld ms |\n", text, range.count, found,
                    static_cast<long long>(median(times)),
                    static_cast<long long>(*std::max_element(times.begin(), times.end())));
    }
    return 0;
}
