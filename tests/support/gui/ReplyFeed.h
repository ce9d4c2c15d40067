#pragma once

#include <QByteArrayList>
#include <QtGlobal>

class Ui_Main;

// Stand-ins for an open link in GUI tests that have no device: the state the connection page is left in by
// a successful connect, and reply lines arriving as the link session delivers them.
namespace ReplyFeed {

// Sets LinkType (1 serial, 2 TCP client) and the connection page's buttons as an open link leaves them; no
// transport is started.
void openLink(Ui_Main *window, quint32 linkType);
// Delivers the lines to the main window as received on the link that LinkType selects.
void feed(Ui_Main *window, const QByteArrayList &lines);
// Accepts model `model` ("MODEL TYPE" reply), then forgets the status lines and messages that caused.
void identify(Ui_Main *window, quint8 model);

} // namespace ReplyFeed
