#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

class LinkSession;

// How the link of a session is doing, worked out from its traffic log and its reports alone (nothing is
// asked of the device): where it leads, the median round trip of the last replies, how long ago the last
// line came, the reply time-outs since the link was opened, the commands waiting to be written, and what
// watching the device found.
class LinkHealth : public QObject
{
    Q_OBJECT
public:
    static constexpr int RoundTripWindow = 20;

    struct Reading
    {
        quint32 linkType = 0;          // 0 no link, 1 serial, 2 TCP client
        QString address;               // "host:port" or the serial port
        QString baudRate;              // serial link only
        qint64 medianRoundTripUs = -1; // -1 before the first reply
        qint64 lastLineAgeMs = -1;     // -1 before the first line
        int timeouts = 0;
        int waiting = 0;
        // What watching found: whether the device answers its reads, and how long ago its whole state was
        // last read back (-1 before that).
        bool answering = true;
        qint64 confirmedAgoMs = -1;
    };

    explicit LinkHealth(LinkSession &session, QObject *parent = nullptr);

    Reading reading() const;

signals:
    // The reading changed; at most a few notices a second however busy the link is.
    void SGL_HealthChanged();

private:
    void restart();
    void takeRecords();
    void changed();

    LinkSession &session;
    quint64 seen = 0;
    std::array<qint32, RoundTripWindow> roundTrips{};
    int roundTripCount = 0;
    int nextRoundTrip = 0;
    qint64 lastLineUs = -1;
    int timeouts = 0;
    QTimer notice;
};
