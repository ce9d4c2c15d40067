#pragma once

#include "protocol/Catalogue.h"

#include <QByteArrayList>
#include <QList>

// Takes the place of the link session as the request builders' sink while it exists: every request line a
// page or builder formats is kept here (with its reply rule) instead of going to a link.
class RequestRecorder
{
public:
    RequestRecorder();
    ~RequestRecorder();
    RequestRecorder(const RequestRecorder &) = delete;
    RequestRecorder &operator=(const RequestRecorder &) = delete;

    // The lines so far (CR included) and forgets them.
    QByteArrayList take();
    QByteArrayList lines() const { return recorded; }
    QList<ReplyRule> rules() const { return recordedRules; }

private:
    QByteArrayList recorded;
    QList<ReplyRule> recordedRules;
    RequestSink previous;
};
