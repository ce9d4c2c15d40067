#pragma once

// Waiting in a benchmark without holding up the links. They live on this thread, so a wait runs the event
// loop for real: QTest::qWaitFor sleeps 10 ms between its turns, which would delay every reply read by up to
// that much.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

// Runs the event loop until `done()` holds (checked every 5 ms) or `timeoutMs` have passed; whether it holds.
inline bool runUntil(const std::function<bool()> &done, qint64 timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    check.start(5);
    loop.exec();
    return done();
}

// Runs the event loop for `ms`.
inline void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}
