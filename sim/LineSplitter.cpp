#include "LineSplitter.h"

QList<QByteArray> LineSplitter::feed(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    for (char byte : bytes) {
        if (byte == '\r' || byte == '\n') {
            if (!pending.isEmpty())
                lines << pending + byte;
            pending.clear();
            continue;
        }
        pending += byte;
        if (pending.size() >= MaxLine) {
            lines << pending;
            pending.clear();
        }
    }
    return lines;
}
