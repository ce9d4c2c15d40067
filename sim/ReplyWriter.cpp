#include "ReplyWriter.h"

ReplyWriter::ReplyWriter(Sink sink, bool split, QObject *parent)
    : QObject(parent), sink(std::move(sink)), split(split)
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &ReplyWriter::pump);
    clock.start();
}

void ReplyWriter::enqueue(const QByteArray &bytes, int delayMs, std::function<void()> written)
{
    queue.append(Item{bytes, clock.elapsed() + delayMs, 0, std::move(written)});
    if (!timer.isActive())
        timer.start(0);
}

void ReplyWriter::clear()
{
    queue.clear();
    timer.stop();
}

void ReplyWriter::pump()
{
    while (!queue.isEmpty()) {
        Item &head = queue.first();
        const qint64 now = clock.elapsed();
        if (head.due > now) {
            timer.start(int(head.due - now));
            return;
        }
        const int left = head.bytes.size() - head.offset;
        if (split && left > ChunkSize) {
            sink(head.bytes.mid(head.offset, ChunkSize));
            head.offset += ChunkSize;
            head.due = now + ChunkPauseMs;
            continue;
        }
        if (left > 0)
            sink(head.bytes.mid(head.offset));
        const std::function<void()> written = std::move(head.written);
        queue.removeFirst();
        if (written)
            written(); // may clear the queue
    }
}
