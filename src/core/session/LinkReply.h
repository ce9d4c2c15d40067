#pragma once

#include <QByteArray>
#include <QObject>

// How one request queued on a link session ended, told once: by the reply line that released it, by its
// time-out, by its write (a request that awaits no reply), or by the end of its link. The session owns the
// reply and deletes it after finished() has been delivered; keep a QPointer to look at it later.
class LinkReply : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Pending,
        Answered,  // a reply line released it: replyLine()
        Written,   // it awaits no reply and was written
        TimedOut,  // no reply came in time
        Dropped,   // dropped before it was written: the queue was full, or an operator request took its place
        LinkEnded, // the link was closed or lost before it ended, or there was none
    };

    LinkReply(quint64 id, const QByteArray &request, bool watch, QObject *parent = nullptr);

    quint64 id() const { return commandId; }
    // The request as queued (CR included) and, once answered, the line that answered it.
    QByteArray request() const { return requestLine; }
    // Whether the request was a watch read (Request::watch).
    bool isWatch() const { return watchRead; }
    QByteArray replyLine() const { return answer; }
    // From the write to the reply line, once answered.
    qint32 roundTripUs() const { return roundTrip; }
    Outcome outcome() const { return result; }
    bool isFinished() const { return result != Outcome::Pending; }

    // Ends the request (only the first call counts) and lets the reply delete itself afterwards.
    void finish(Outcome outcome, const QByteArray &line = QByteArray(), qint32 roundTripUs = 0);

signals:
    void finished();

private:
    quint64 commandId;
    QByteArray requestLine;
    bool watchRead;
    QByteArray answer;
    qint32 roundTrip = 0;
    Outcome result = Outcome::Pending;
};
