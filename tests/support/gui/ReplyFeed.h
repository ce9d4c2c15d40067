#pragma once

#include <QByteArrayList>
#include <QtGlobal>

struct LinkChannel;
class Ui_Main;

// Stand-ins for an open link in GUI tests that have no device: the state the connection page is left in by
// a successful connect, and reply lines arriving on the link's receive queue as a transport puts them there.
namespace ReplyFeed {

// Sets LinkType (1 serial, 2 TCP client) and the connection page's buttons as an open link leaves them;
// no transport is started, so closing this link stops no thread.
void openLink(Ui_Main *window, quint32 linkType);
// Appends the lines to the channel's receive queue, as the transport does.
void append(LinkChannel &channel, const QByteArrayList &lines);
// Appends the lines to the receive queue of the channel that LinkType selects (TCP when there is no link)
// and lets the main window drain it, as the transport's receive signal does.
void feed(Ui_Main *window, const QByteArrayList &lines);
// Accepts model `model` ("MODEL TYPE" reply), then forgets what that caused: the queued read requests, the
// status lines and the recorded messages.
void identify(Ui_Main *window, quint8 model);
// Empties the send and receive queues of both channels.
void drainAllQueues();

} // namespace ReplyFeed
