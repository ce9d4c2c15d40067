#pragma once

#include <QMutex>
#include <QObject>

#include <memory>

class QThread;
class QThreadPool;

// The threads of the process for the calls of a link that may block in the system, two whatever the number
// of links; a link waits for none of them, their results come back as events of the link's thread. Neither
// is waited for at exit: a call stuck in the system must not hold the process.
// - linkOpenQueue(): opening serial ports, one at a time in the order asked (a port given up while it was
//   opening is closed before the next open of it runs);
// - linkIoPool(): name look-ups and the last close of a serial port (which the system may hold while a
//   vanished adapter's driver gives up).
QThreadPool *linkOpenQueue();
QThreadPool *linkIoPool();
// Closes a descriptor on linkIoPool().
void closeOnLinkPool(int descriptor);

// An object a job makes for the thread that started it. The job delivers it; the starter takes it, or leaves
// when it no longer wants it, and then the job (or the starter, when it came first) disposes of it.
class LinkIoHandoff
{
public:
    explicit LinkIoHandoff(const QObject *starter);

    // In the job: moves `made` (without parent) into the starter's thread and keeps it there for the starter;
    // false when the starter has left: `made` stays the job's to dispose of.
    bool deliver(QObject *made);
    // In the starter's thread: what was delivered (once), else null.
    QObject *take();
    // In the starter's thread: no longer waits; returns what was delivered and not taken, to dispose of.
    QObject *leave();

private:
    QMutex lock;
    QThread *target;
    QObject *made = nullptr;
    bool left = false;
};

// The thread a window's links run on, one for all its sessions, so that a busy window never delays a write or
// fakes a reply time-out; the sessions and their device models stay on the window's thread. It outlives every
// session that uses it: destroying it waits for what was handed to it (the links ended last) and deletes it.
class LinkThread
{
public:
    LinkThread();
    ~LinkThread();
    LinkThread(const LinkThread &) = delete;
    LinkThread &operator=(const LinkThread &) = delete;

    QThread *thread() const { return worker.get(); }

private:
    std::unique_ptr<QThread> worker;
};
