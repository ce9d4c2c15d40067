#pragma once

#include "DevicePeer.h"
#include "LinkEventLog.h"

#include <QByteArray>
#include <QString>

#include <memory>

class LinkSession;
class LinkThread;
class LoopbackPeer;
class PtyPair;
struct ReplyRule;

// A link session against a test device: the serial transport on a pseudo-terminal pair, or the TCP
// transport against a server on 127.0.0.1 (with its link on the session's thread or, as in the window, on a
// link thread). Everything goes through the session as the program's own users do; what the session reports
// is recorded in log().
class LinkFixture
{
public:
    enum Transport
    {
        Serial,
        Tcp,
        TcpOnLinkThread
    };

    explicit LinkFixture(Transport transport);
    ~LinkFixture();
    LinkFixture(const LinkFixture &) = delete;
    LinkFixture &operator=(const LinkFixture &) = delete;

    LinkSession &session() const { return *linkSession; }
    DevicePeer &peer() const;
    // The concrete peer of the transport; null for the other one.
    PtyPair *pty() const { return ptyPeer.get(); }
    LoopbackPeer *loopback() const { return tcpPeer.get(); }
    LinkEventLog &log() { return *eventLog; }

    // Opens the link to the peer and waits for its connect status; true on success.
    bool open();
    // Asks the session to open the link to the peer without waiting.
    void requestOpen();
    // Queues `text` plus CR with `rule` as the request builders do, then lets the transport send.
    void send(const QByteArray &text, const ReplyRule &rule);
    // Queues bytes without any reply rule as the debug console does, then lets the transport send.
    void sendRaw(const QByteArray &bytes);

private:
    Transport kind;
    // Outlives the session, whose last link it deletes.
    std::unique_ptr<LinkThread> linkThread;
    std::unique_ptr<PtyPair> ptyPeer;
    std::unique_ptr<LoopbackPeer> tcpPeer;
    std::unique_ptr<LinkSession> linkSession;
    std::unique_ptr<LinkEventLog> eventLog;
};
