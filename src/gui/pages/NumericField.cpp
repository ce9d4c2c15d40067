#include "pages/NumericField.h"

std::optional<quint32> fieldNumber(const QString &text)
{
    bool ok = false;
    const quint32 value = text.trimmed().toUInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}
