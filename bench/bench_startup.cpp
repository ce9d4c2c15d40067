// How long the real program takes from being started to its first window painted on an X display: the time
// from the start of the process to the moment the first window it maps shows more than one colour across
// its middle (before its first paint a window is one colour: the server fills it with its background). Each
// start is then ended with SIGTERM, which the program handles as an ordinary exit.
//
// Usage: bench_startup [--runs N] [PROGRAM [ARGUMENTS...]]
//   PROGRAM defaults to the lumaplex built beside this benchmark's build; one untimed start comes first,
//   so that the timed ones are ordinary starts (configuration present, files in the page cache).
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
    const QString program = args.isEmpty() ? QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex") : args.takeFirst();

    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "bench_startup: no X display (run it under xvfb-run)\n");
        return 2;
    }
    XSelectInput(display.get(), DefaultRootWindow(display.get()), SubstructureNotifyMask);

    if (timeStart(display.get(), program, args) < 0) {
        std::fprintf(stderr, "bench_startup: %s showed no window\n", qPrintable(program));
        return 1;
    }
    std::vector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        const qint64 ms = timeStart(display.get(), program, args);
        if (ms < 0) {
            std::fprintf(stderr, "bench_startup: start %d showed no window\n", i + 1);
            return 1;
        }
        times.push_back(ms);
        std::printf("start %2d: %lld ms\n", i + 1, static_cast<long long>(ms));
    }
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    const qint64 median = times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    std::printf("first window painted: median %lld ms, min %lld ms, max %lld ms over %d starts\n",
                static_cast<long long>(median), static_cast<long long>(times.front()),
                static_cast<long long>(times.back()), runs);
    return 0;
}
