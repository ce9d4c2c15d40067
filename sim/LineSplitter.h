#pragma once

#include <QByteArray>
#include <QList>

// Cuts a byte stream into request lines. A line ends with CR or LF (so CR LF works too); empty lines are
// skipped. Each line is returned with the one byte that ended it.
class LineSplitter
{
public:
    QList<QByteArray> feed(const QByteArray &bytes);
    void clear() { pending.clear(); }

    // A longer run without a line end is passed on as a line of its own, so a stream without line ends
    // cannot grow the buffer without bound.
    static constexpr int MaxLine = 4096;

private:
    QByteArray pending;
};
