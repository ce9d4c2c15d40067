#include "protocol/ByteHelpers.h"

#include <cstring>

quint32 FieldOfLine(const char *bytes, quint32 length, int n, quint32 *start)
{
    if (start)
        *start = 0;
    if (!bytes || length == 0 || n < 1)
        return 0;
    quint32 fieldStart = 0;
    quint32 count = 0;
    int spaces = 0;
    for (quint32 i = 0; i < length; ++i) {
        if (bytes[i] != ' ') {
            ++count;
            continue;
        }
        if (++spaces == n)
            break;
        fieldStart = i + 1;
        count = 0;
    }
    if (start)
        *start = fieldStart;
    return count;
}

const char *FindBytes(const char *haystack, quint32 hayLength, const char *needle, quint32 needleLength)
{
    if (!haystack || !needle || hayLength < 1 || needleLength < 1 || needleLength > hayLength)
        return nullptr;
    for (quint32 p = 0; p + needleLength <= hayLength; ++p) {
        if (std::memcmp(haystack + p, needle, needleLength) == 0)
            return haystack + p;
    }
    return nullptr;
}

const char *FindKeyword(const char *range, quint32 rangeLength, const char *keyword, quint32 keywordLength,
                        const char *lineEnd)
{
    if (!range || !keyword || rangeLength < 1 || keywordLength < 1 || keywordLength > rangeLength)
        return nullptr;
    if (!lineEnd || lineEnd < range + rangeLength)
        lineEnd = range + rangeLength;
    for (quint32 p = 0; p + keywordLength <= rangeLength; ++p) {
        if (std::memcmp(range + p, keyword, keywordLength) != 0)
            continue;
        const char *after = range + p + keywordLength;
        if (after < lineEnd && (*after == ' ' || *after == '\r'))
            return range + p;
    }
    return nullptr;
}

const char *FindWholeWords(const char *bytes, quint32 length, const char *keyword, quint32 keywordLength)
{
    if (!bytes || !keyword || keywordLength < 1 || keywordLength > length)
        return nullptr;
    for (quint32 p = 0; p + keywordLength <= length; ++p) {
        if (p > 0 && bytes[p - 1] != ' ' && uchar(bytes[p - 1]) >= 0x20)
            continue;
        const quint32 end = p + keywordLength;
        if (end < length && bytes[end] != ' ' && bytes[end] != '\r' && bytes[end] != '\n')
            continue;
        if (std::memcmp(bytes + p, keyword, keywordLength) == 0)
            return bytes + p;
    }
    return nullptr;
}

QString BytesToText(const char *bytes, quint32 length)
{
    if (!bytes)
        return QString();
    const void *nul = std::memchr(bytes, 0, length);
    const quint32 used = nul ? quint32(static_cast<const char *>(nul) - bytes) : length;
    // The system's 8-bit encoding: Qt 5 decodes with the locale's codec, Qt 6 with a stateless
    // QStringDecoder of the system encoding; both give U+FFFD for each byte that does not decode.
    return QString::fromLocal8Bit(bytes, int(used));
}

QString Latin1Text(const char *bytes, quint32 length)
{
    return bytes ? QString::fromLatin1(bytes, int(length)) : QString();
}

quint32 TextLength(const char *bytes) { return bytes ? quint32(std::strlen(bytes)) : 0; }

int CheckEdidBlock(const unsigned char *edid)
{
    static const unsigned char header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    if (std::memcmp(edid, header, sizeof header) != 0)
        return EdidBadHeader;
    auto blockSum = [edid](int from) {
        unsigned sum = 0;
        for (int i = from; i < from + 128; ++i)
            sum += edid[i];
        return sum & 0xFFu;
    };
    if (blockSum(0) != 0)
        return EdidBadChecksum;
    if (edid[126] != 1)
        return EdidValid;
    return blockSum(128) == 0 ? EdidValid : EdidBadChecksum;
}
