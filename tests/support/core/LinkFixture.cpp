#include "LinkFixture.h"

#include "LoopbackPeer.h"
#include "PtyPair.h"
#include "link/LinkIoPool.h"
#include "protocol/Catalogue.h"
#include "session/LinkSession.h"

namespace {
constexpr int ConnectStatusMs = 5000;
} // namespace

LinkFixture::LinkFixture(Transport transport) : kind(transport)
{
    if (kind == Serial)
        ptyPeer = std::make_unique<PtyPair>();
    else
        tcpPeer = std::make_unique<LoopbackPeer>();
    linkSession = std::make_unique<LinkSession>();
    if (kind == TcpOnLinkThread) {
        linkThread = std::make_unique<LinkThread>();
        linkSession->runLinksOn(linkThread.get());
    }
    eventLog = std::make_unique<LinkEventLog>(*linkSession);
}

LinkFixture::~LinkFixture() = default;

DevicePeer &LinkFixture::peer() const
{
    if (kind == Serial)
        return *ptyPeer;
    return *tcpPeer;
}

void LinkFixture::requestOpen()
{
    if (kind == Serial)
        linkSession->openSerial({ptyPeer->slavePath(), "115200"});
    else
        linkSession->openTcpClient("127.0.0.1", "127.0.0.1", QString::number(tcpPeer->port()));
}

bool LinkFixture::open()
{
    const int before = eventLog->count(LinkEvent::ConnectStatus);
    requestOpen();
    if (!eventLog->waitFor(LinkEvent::ConnectStatus, before + 1, ConnectStatusMs))
        return false;
    return eventLog->eventsOf(LinkEvent::ConnectStatus).last().text == "connect 1 0";
}

void LinkFixture::send(const QByteArray &text, const ReplyRule &rule)
{
    linkSession->send(requestWithRule(text, rule));
}

void LinkFixture::sendRaw(const QByteArray &bytes)
{
    linkSession->send(Request{bytes, ReplyRule()});
}
