#pragma once

#include <QByteArrayList>

struct LinkChannel;
struct ReplyRule;

// Takes every command waiting in the channel's send queue (the requests a page queued) and returns their
// bytes in queue order; `rules`, when given, receives their reply rules.
QByteArrayList takeQueuedRequests(LinkChannel &channel, QList<ReplyRule> *rules = nullptr);
