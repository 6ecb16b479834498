// Feeds arbitrary bytes to the sysfs attribute and udev property parsers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Platform/Disks/Linux/SysfsText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::sysfs;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto bytes = parseBlockStat(text)) {
        // Counters are whole sectors of 512 bytes.
        if (bytes->bytesRead % 512 != 0 || bytes->bytesWritten % 512 != 0) std::abort();
    }
    parseUnsigned(text);
    parseUevent(text);
    unescapeUdev(text);
    usbSpeedCode(text);
    thunderboltSpeedCode(text);
    volumeUUIDBytes(text);
    return 0;
}
