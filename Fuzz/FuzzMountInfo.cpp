// Feeds arbitrary bytes to the mount table parser.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Platform/Disks/Linux/MountInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto entries = platform::parseMountInfo(text);
    // Every source under /dev is taken for a block device.
    platform::resolveAnonymousDevices(entries, [](const std::string& path) {
        return std::optional<std::pair<unsigned, unsigned>>(std::pair{8u, static_cast<unsigned>(path.size())});
    });
    for (const auto& entry : entries) platform::mountPointOf(entries, entry.major, entry.minor);
    platform::unescapeMountField(text);
    return 0;
}
