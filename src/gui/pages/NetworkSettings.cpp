#include "pages/NetworkSettings.h"

#include <array>

quint32 ParseDecimalRange(const QString &text, int from, int to)
{
    quint32 value = 0;
    for (int i = qMax(from, 0); i < to && i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= '0' && c <= '9')
            value = value * 10 + quint32(c.unicode() - '0');
    }
    return value;
}

namespace {

std::array<quint32, 4> octets(const QString &text)
{
    std::array<quint32, 4> result = {0, 0, 0, 0};
    if (text.count('.') != 3)
        return result;
    int from = 0;
    for (int i = 0; i < 4; ++i) {
        int to = text.indexOf('.', from);
        if (to < 0)
            to = text.size();
        result[size_t(i)] = ParseDecimalRange(text, from, to);
        from = to + 1;
    }
    return result;
}

bool isDottedQuad(const QString &text)
{
    if (text.isEmpty() || text.count('.') != 3)
        return false;
    for (const QChar c : text) {
        if (c != '.' && (c < '0' || c > '9'))
            return false;
    }
    // Every field is parsed whole, so an overlong field cannot wrap around below 256.
    int from = 0;
    for (int i = 0; i < 4; ++i) {
        int to = text.indexOf('.', from);
        if (to < 0)
            to = text.size();
        int firstDigit = from;
        while (firstDigit < to - 1 && text.at(firstDigit) == '0')
            ++firstDigit;
        if (to - firstDigit > 3)
            return false;
        if (ParseDecimalRange(text, from, to) > 255)
            return false;
        from = to + 1;
    }
    return true;
}

} // namespace

bool ValidateNetworkSettings(const QString &ip, const QString &port, const QString &mask, const QString &gateway)
{
    if (!isDottedQuad(ip) || !isDottedQuad(mask) || !isDottedQuad(gateway))
        return false;
    if (port.isEmpty() || port.size() > 5)
        return false;
    for (const QChar c : port) {
        if (c < '0' || c > '9')
            return false;
    }
    const quint32 value = ParseDecimalRange(port, 0, port.size());
    return value >= 1 && value < 65535;
}

bool IsSameSubnet(const QString &maskA, const QString &ipA, const QString &maskB, const QString &ipB)
{
    const auto mA = octets(maskA);
    const auto iA = octets(ipA);
    const auto mB = octets(maskB);
    const auto iB = octets(ipB);
    for (size_t i = 0; i < 4; ++i) {
        if ((iA[i] & mA[i]) != (iB[i] & mB[i]))
            return false;
    }
    return true;
}
