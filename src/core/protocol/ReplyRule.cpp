#include "protocol/ReplyRule.h"

ReplyRule defaultReplyRule(const QByteArray &keyword)
{
    ReplyRule rule;
    rule.keyword[0] = keyword;
    rule.keywordCount = 1;
    rule.expectReply = 1;
    rule.acceptAnyLine = 0;
    rule.waitMs = 0;
    rule.timeoutMs = 1000;
    rule.reportTimeout = 1;
    return rule;
}

ReplyRule pauseReplyRule(const QByteArray &keyword, quint32 waitMs)
{
    ReplyRule rule = defaultReplyRule(keyword);
    rule.expectReply = 0;
    rule.waitMs = waitMs;
    return rule;
}
