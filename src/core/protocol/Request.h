#pragma once

#include "protocol/ReplyRule.h"

#include <QByteArray>

// One request as the link sends it: the line (CR included) and the rule that tells when it is done. A null
// request (no line) is one a builder refused: an index outside its list, a condition that does not hold.
// `watch` marks a read of the tool's own, in the background, to see whether the device changed: what it
// finds changed was changed elsewhere.
struct Request
{
    QByteArray line;
    ReplyRule rule;
    bool watch = false;

    bool isNull() const { return line.isEmpty(); }
};
