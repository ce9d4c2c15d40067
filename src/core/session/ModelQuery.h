#pragma once

#include <QByteArray>
#include <QString>

// The model that a reply line names: the model table's word, or the device's own word for a model this
// program does not know. A null string when the line is no model reply.
QString modelInReply(const QByteArray &line);
