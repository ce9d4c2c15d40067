#include "link/LinkIoPool.h"

#include <QMutexLocker>
#include <QThread>
#include <QThreadPool>

#include <unistd.h>
#include <utility>

namespace {
QThreadPool *singleThreadPool()
{
    // Deliberately never deleted: deleting a pool waits for its jobs.
    auto *pool = new QThreadPool;
    pool->setMaxThreadCount(1);
    return pool;
}
} // namespace

QThreadPool *linkOpenQueue()
{
    static QThreadPool *const pool = singleThreadPool();
    return pool;
}

QThreadPool *linkIoPool()
{
    static QThreadPool *const pool = singleThreadPool();
    return pool;
}

void closeOnLinkPool(int descriptor)
{
    linkIoPool()->start([descriptor] { ::close(descriptor); });
}

LinkIoHandoff::LinkIoHandoff(const QObject *starter) : target(starter->thread()) {}

bool LinkIoHandoff::deliver(QObject *object)
{
    const QMutexLocker locker(&lock);
    if (left)
        return false;
    object->moveToThread(target);
    made = object;
    return true;
}

QObject *LinkIoHandoff::take()
{
    const QMutexLocker locker(&lock);
    return std::exchange(made, nullptr);
}

QObject *LinkIoHandoff::leave()
{
    const QMutexLocker locker(&lock);
    left = true;
    return std::exchange(made, nullptr);
}

LinkThread::LinkThread() : worker(std::make_unique<QThread>())
{
    worker->setObjectName(QStringLiteral("links"));
    worker->start();
}

LinkThread::~LinkThread()
{
    // Links ended last were handed over by queued calls and deletions; the thread finishes with them (a
    // finishing thread deletes what was left to be deleted later) before it stops.
    worker->quit();
    worker->wait();
}
