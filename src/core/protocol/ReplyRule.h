#pragma once

#include <QByteArray>
#include <QtGlobal>

// What the transport waits for after writing a command: a reply line that contains one of the keywords
// (bounded by timeoutMs), or, when no reply is expected, a fixed pause of waitMs. Copied by value into every
// queued command and from there into the channel's current rule.
struct ReplyRule
{
    QByteArray keyword[2];
    quint32 keywordCount = 0;
    quint8 expectReply = 0;
    quint8 acceptAnyLine = 0;
    quint32 waitMs = 0;
    quint32 timeoutMs = 0;
    quint8 reportTimeout = 0;

    quint32 keywordLength(int slot) const { return quint32(keyword[slot].size()); }
};

// The rule of almost every request: one keyword, wait up to 1000 ms for it, report a time-out.
ReplyRule defaultReplyRule(const QByteArray &keyword);
// The rule of a command after which the device is busy: no reply awaited, the link pauses `waitMs`.
ReplyRule pauseReplyRule(const QByteArray &keyword, quint32 waitMs);
