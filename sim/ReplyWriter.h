#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

// The outgoing side of one link: writes queued items in order, each not before its due time, optionally in
// small chunks with pauses in between (as a slow or fragmenting device would), and runs each item's
// follow-up once all of its bytes are out.
class ReplyWriter : public QObject
{
    Q_OBJECT
public:
    using Sink = std::function<bool(const QByteArray &)>;

    ReplyWriter(Sink sink, bool split, QObject *parent = nullptr);

    // Queues `bytes` (may be empty: then only `written` runs) to go out `delayMs` from now, after
    // everything queued before it.
    void enqueue(const QByteArray &bytes, int delayMs, std::function<void()> written = {});
    // Forgets everything not written yet (the peer is gone).
    void clear();

    static constexpr int ChunkSize = 8;
    static constexpr int ChunkPauseMs = 10;

private:
    struct Item
    {
        QByteArray bytes;
        qint64 due = 0;
        int offset = 0;
        std::function<void()> written;
    };

    void pump();

    Sink sink;
    bool split;
    QList<Item> queue;
    QTimer timer;
    QElapsedTimer clock;
};
