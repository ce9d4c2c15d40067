// How long the real program takes from being started to its first window painted on an X display: the time
// from the start of the process to the moment the first window it maps shows more than one colour across
// its middle (before its first paint a window is one colour: the server fills it with its background). Each
// start is then ended with SIGTERM, which the program handles as an ordinary exit.
//
// Usage: bench_startup [--runs N] [PROGRAM [ARGUMENTS...]]
//   Without PROGRAM it times the lumaplex built beside this benchmark against the floor of any Qt Widgets
//   program, bench_bare_window (one QLabel, built with the same Qt), in turns: bare window, lumaplex, bare
//   window, ..., so that both see the same load of the machine. With PROGRAM it times that alone. Each
//   program has one untimed start first, so that the timed ones are ordinary starts (configuration present,
//   files in the page cache).
// Run it on an X display of its own, e.g. xvfb-run -a -s "-screen 0 1920x1080x24" bench/bench_startup.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr qint64 TimeoutMs = 20000;

struct DisplayCloser
{
    void operator()(Display *display) const { XCloseDisplay(display); }
};

// Whether the row of the window across its middle holds more than one colour: enough to see the first paint,
// cheap to read every half millisecond.
bool middleRowPainted(Display *display, Window window)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    XImage *image =
        XGetImage(display, window, 0, attributes.height / 2, attributes.width, 1, AllPlanes, ZPixmap);
    if (!image)
        return false;
    bool painted = false;
    for (int x = 1; x < attributes.width && !painted; ++x)
        painted = XGetPixel(image, x, 0) != XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return painted;
}

// Milliseconds from starting the program to its first painted window, or -1.
qint64 timeStart(Display *display, const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForStarted())
        return -1;
    Window mapped = 0;
    qint64 painted = -1;
    while (painted < 0 && clock.elapsed() < TimeoutMs && process.state() == QProcess::Running) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !mapped)
                mapped = event.xmap.window;
        }
        if (mapped && middleRowPainted(display, mapped))
            painted = clock.elapsed();
        QThread::usleep(500);
    }
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished();
    return painted;
}

struct Subject
{
    QString name;
    QString program;
    QStringList arguments;
    std::vector<qint64> times;
};

qint64 median(std::vector<qint64> sorted)
{
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 10;
    if (args.size() >= 2 && args.first() == QLatin1String("--runs")) {
        runs = std::max(1, args.at(1).toInt());
        args = args.mid(2);
    }
    std::vector<Subject> subjects;
    if (args.isEmpty()) {
        subjects.push_back({QStringLiteral("bare window"), QStringLiteral(BARE_WINDOW_PATH), {}, {}});
        subjects.push_back(
            {QStringLiteral("lumaplex"), QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex"), {}, {}});
    } else {
        const QString program = args.takeFirst();
        subjects.push_back({program, program, args, {}});
    }

    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "bench_startup: no X display (run it under xvfb-run)\n");
        return 2;
    }
    XSelectInput(display.get(), DefaultRootWindow(display.get()), SubstructureNotifyMask);

    for (const Subject &subject : subjects) {
        if (timeStart(display.get(), subject.program, subject.arguments) < 0) {
            std::fprintf(stderr, "bench_startup: %s showed no window\n", qPrintable(subject.program));
            return 1;
        }
    }
    for (int i = 0; i < runs; ++i) {
        for (Subject &subject : subjects) {
            const qint64 ms = timeStart(display.get(), subject.program, subject.arguments);
            if (ms < 0) {
                std::fprintf(stderr, "bench_startup: start %d of %s showed no window\n", i + 1,
                             qPrintable(subject.program));
                return 1;
            }
            subject.times.push_back(ms);
            std::printf("start %2d: %-12s %lld ms\n", i + 1, qPrintable(subject.name),
                        static_cast<long long>(ms));
        }
    }
    std::printf("first window painted, over %d starts (Qt %s):\n", runs, qVersion());
    for (const Subject &subject : subjects) {
        const auto [least, most] = std::minmax_element(subject.times.begin(), subject.times.end());
        std::printf("  %-12s median %lld ms, min %lld ms, max %lld ms\n", qPrintable(subject.name),
                    static_cast<long long>(median(subject.times)), static_cast<long long>(*least),
                    static_cast<long long>(*most));
    }
    if (subjects.size() == 2) {
        std::printf("  lumaplex / bare window (medians): %.2f\n",
                    double(median(subjects[1].times)) / double(median(subjects[0].times)));
    }
    return 0;
}
