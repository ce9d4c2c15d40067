#pragma once

#include <QString>

// Checks of the network settings an operator types (device address, port, mask, gateway).

// Value of the decimal digits of text[from, to); other characters are skipped; an empty range gives 0.
quint32 ParseDecimalRange(const QString &text, int from, int to);

// True when ip, mask and gateway are dotted quads (exactly three dots, digits only, each field at most 255,
// an empty field counting as 0) and port has at most 5 digits with a value from 1 to 65534.
bool ValidateNetworkSettings(const QString &ip, const QString &port, const QString &mask,
                             const QString &gateway);

// True when (ipA AND maskA) equals (ipB AND maskB) octet by octet; a text that is not a dotted quad counts
// as 0.0.0.0.
bool IsSameSubnet(const QString &maskA, const QString &ipA, const QString &maskB, const QString &ipB);
