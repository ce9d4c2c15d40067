#pragma once

#include <QString>

#include <optional>

// The number an operator typed into a numeric field: nothing for an empty field or text that is not an
// unsigned decimal number, so a mistyped field never sends 0 to the device.
std::optional<quint32> fieldNumber(const QString &text);
