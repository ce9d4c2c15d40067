#pragma once

#include "SimOptions.h"
#include "SimRequest.h"

#include <QByteArray>

// The misbehaviour the options ask for: which replies are withheld or swallowed, when junk goes out first,
// and the unsolicited status lines of a chatty device.
class FaultInjector
{
public:
    explicit FaultInjector(const SimOptions &options);

    // True when the request must stay unanswered (--silent, or --no-reply naming it).
    bool withholds(const SimRequest &request) const;
    // Whether nothing is answered (--silent, or the control port said so).
    bool isSilent() const { return silent; }
    void setSilent(bool on) { silent = on; }

    struct Decision
    {
        bool garbageFirst = false; // send a junk line before this reply
        bool drop = false;         // swallow this reply
    };
    // Decides for the next reply (replies are counted from the start of the simulator).
    Decision nextReply();

    // A line of random bytes without CR, LF, NUL or upper-case letters, so it can hold no reply keyword.
    static QByteArray garbageLine();
    // The next unsolicited status line ("IN STATUS ..." or "OUT STATUS ..."); the tool ignores them.
    QByteArray statusLine();

private:
    bool silent;
    QList<QByteArray> noReply;
    int dropEvery;
    int garbageEvery;
    quint64 replies = 0;
    quint64 statusLines = 0;
};
