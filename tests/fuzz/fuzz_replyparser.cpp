// Reply lines as a device or line noise may send them: the first byte picks the model (5 and above: none),
// the second the multiview layout shown, the rest is the line.

#include "FuzzCheck.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray line(reinterpret_cast<const char *>(data) + 2, int(size - 2));
    const ParsedReply reply = parseReplyLine(line, data[0] % 7, data[1] % 6);
    FUZZ_CHECK(reply.keyword >= -1 && reply.keyword < Tables::SearchedReplyKeywords);
    FUZZ_CHECK(!reply.ignored || (!reply.statusLine && !reply.syncOver));
    FUZZ_CHECK(!reply.value.contains('\r') && reply.value.size() <= line.size());
    FUZZ_CHECK(reply.words.size() <= 4);
    for (int window : reply.multiview.windowSource)
        FUZZ_CHECK(window >= WindowSourceEmpty && window < 9);
    return 0;
}
