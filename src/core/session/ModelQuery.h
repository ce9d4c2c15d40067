#pragma once

#include <QByteArray>
#include <QString>

// More than this without a line end is no reply of a device: the network search gives the address up, and
// the speed search drops what it holds.
constexpr int ModelReplyLimit = 4096;

// The model that a reply line names: the model table's word, or the device's own word for a model this
// program does not know. A null string when the line is no model reply.
QString modelInReply(const QByteArray &line);
