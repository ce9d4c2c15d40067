// Bytes a tool (or line noise) sends to the simulated device: the first byte picks the model, the rest is
// cut into request lines and answered. Every reply is one line without line ends, and the state the
// requests leave behind survives the state file.

#include "CommandHandler.h"
#include "FuzzCheck.h"
#include "LineSplitter.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char *const models[] = {"RKA204QE", "RKA07QE", "RKA386QE", "TN386", "TN204E", "OTHER"};
    if (size < 1)
        return 0;
    const QString model = QString::fromLatin1(models[data[0] % 6]);
    DeviceState state = DeviceState::factory(model, NetworkSettings());
    CommandHandler handler(state);
    LineSplitter splitter;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    for (const QByteArray &line : splitter.feed(bytes)) {
        FUZZ_CHECK(!line.isEmpty() && line.size() <= LineSplitter::MaxLine + 1);
        for (const QByteArray &reply : handler.handle(line).lines)
            FUZZ_CHECK(!reply.isEmpty() && !reply.contains('\r') && !reply.contains('\n'));
    }
    const DeviceState reloaded = DeviceState::fromJson(state.toJson(), model, NetworkSettings());
    FUZZ_CHECK(reloaded.toJson() == state.toJson());
    return 0;
}
