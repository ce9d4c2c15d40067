#pragma once

#include <QString>
#include <QtGlobal>

// Small helpers for raw device bytes. They read only inside the lengths they are given.

// Length of field n (1-based, fields separated by single spaces) and, in *start, its offset. With fewer
// than n spaces the last field is returned; n < 1, null data or an empty buffer give 0.
quint32 FieldOfLine(const char *bytes, quint32 length, int n, quint32 *start);

// First occurrence of the needle in the haystack, or null.
const char *FindBytes(const char *haystack, quint32 hayLength, const char *needle, quint32 needleLength);

// First occurrence of the keyword in the range that is followed by a space or a CR. The byte after a
// match is examined only when it lies before `lineEnd` (the end of the whole line the range belongs to);
// a match that ends where the line ends does not count. A null lineEnd means the range is the whole line.
const char *FindKeyword(const char *range, quint32 rangeLength, const char *keyword, quint32 keywordLength,
                        const char *lineEnd = nullptr);

// First occurrence of the keyword standing as whole words: preceded by the start of the range, a space or
// a control byte (such as the LF of a preceding CR LF) and followed by a space, CR, LF or the end of the
// range. A keyword of several words matches as a whole.
const char *FindWholeWords(const char *bytes, quint32 length, const char *keyword, quint32 keywordLength);

// Bytes decoded with the system's 8-bit encoding (UTF-8 in a UTF-8 locale), ending before the first NUL.
QString BytesToText(const char *bytes, quint32 length);
// Every byte as the Latin-1 character of the same code.
QString Latin1Text(const char *bytes, quint32 length);
// Number of bytes before the first NUL.
quint32 TextLength(const char *bytes);

enum EdidCheckResult { EdidValid = 0, EdidBadHeader = 1, EdidBadChecksum = 2 };
// Checks a 256-byte EDID image: header, first-block checksum and, when the extension count is exactly 1,
// the second block's checksum.
int CheckEdidBlock(const unsigned char *edid);
