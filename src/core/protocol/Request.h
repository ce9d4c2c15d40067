#pragma once

#include "protocol/ReplyRule.h"

#include <QByteArray>

// One request as the link sends it: the line (CR included) and the rule that tells when it is done. A null
// request (no line) is one a builder refused: an index outside its list, a condition that does not hold.
struct Request
{
    QByteArray line;
    ReplyRule rule;

    bool isNull() const { return line.isEmpty(); }
};
