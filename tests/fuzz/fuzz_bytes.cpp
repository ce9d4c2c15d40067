// The byte helpers on device data of any content and length: they read only inside the lengths given, and
// the EDID check accepts exactly the images whose header and checksums are right.

#include "FuzzCheck.h"
#include "protocol/ByteHelpers.h"

#include <QByteArray>

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // Exact-size copies, so that a read past the end is caught by the address sanitizer.
    const quint32 split = quint32(data[0] % (size - 1)) + 1;
    const QByteArray haystack(reinterpret_cast<const char *>(data) + 1, int(split - 1));
    const QByteArray needle(reinterpret_cast<const char *>(data) + split, int(size - split));
    const auto length = quint32(haystack.size());
    const char *bytes = haystack.isEmpty() ? nullptr : haystack.constData();

    quint32 start = 0;
    const quint32 field = FieldOfLine(bytes, length, data[0] % 12, &start);
    FUZZ_CHECK(start + field <= length);
    for (const char *found : {FindBytes(bytes, length, needle.constData(), quint32(needle.size())),
                              FindKeyword(bytes, length, needle.constData(), quint32(needle.size())),
                              FindWholeWords(bytes, length, needle.constData(), quint32(needle.size()))}) {
        if (found)
            FUZZ_CHECK(found >= bytes && found + needle.size() <= bytes + length &&
                       std::memcmp(found, needle.constData(), size_t(needle.size())) == 0);
    }
    FUZZ_CHECK(BytesToText(bytes, length).size() <= int(length));
    FUZZ_CHECK(Latin1Text(bytes, length).size() == int(length));

    if (size >= 256) {
        const auto *edid = reinterpret_cast<const unsigned char *>(data + size - 256);
        const auto blockSum = [edid](int from) {
            unsigned sum = 0;
            for (int i = from; i < from + 128; ++i)
                sum += edid[i];
            return sum % 256;
        };
        static const unsigned char header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
        // The second block counts only when the first announces exactly one extension.
        int expected = EdidValid;
        if (std::memcmp(edid, header, 8) != 0)
            expected = EdidBadHeader;
        else if (blockSum(0) != 0 || (edid[126] == 1 && blockSum(128) != 0))
            expected = EdidBadChecksum;
        FUZZ_CHECK(CheckEdidBlock(edid) == expected);
    }
    return 0;
}
