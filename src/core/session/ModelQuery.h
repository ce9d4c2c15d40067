#pragma once

#include <QByteArray>
#include <QString>

// The model query as the request catalogue forms it (CR included), for the probes that ask a device for its
// model outside a link session (network discovery, serial speed search).
QByteArray modelQueryLine();

// The model that a reply line names: the model table's word, or the device's own word for a model this
// program does not know. A null string when the line is no model reply.
QString modelInReply(const QByteArray &line);
