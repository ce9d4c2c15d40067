#pragma once

#include <QByteArray>
#include <QString>

// A device search's probe gives an answer up once more than this has come without a line end: it is no
// reply of a device.
constexpr int ModelReplyLimit = 4096;

// The model that a reply line names: the model table's word, or the device's own word for a model this
// program does not know. A null string when the line is no model reply.
QString modelInReply(const QByteArray &line);
