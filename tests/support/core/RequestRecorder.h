#pragma once

#include <QByteArrayList>
#include <QObject>

class LinkSession;

// Keeps every request line queued on a link session (CR included) while it exists.
class RequestRecorder
{
public:
    explicit RequestRecorder(LinkSession &session);

    // The lines so far, and forgets them.
    QByteArrayList take();
    QByteArrayList lines() const { return recorded; }

private:
    QObject scope;
    QByteArrayList recorded;
};
