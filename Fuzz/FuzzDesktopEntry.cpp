// Feeds arbitrary bytes to the desktop-entry reader and the Exec line splitter, and checks that
// what the login item writes reads back unchanged for any text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Desktop/Xdg/DesktopEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto entry = platform::parseDesktopEntry(text)) {
        platform::execCommandOf(*entry);
        entry->boolean("Hidden");
    }
    if (auto unescaped = platform::unescapeDesktopString(text)) platform::splitExecLine(*unescaped);

    if (platform::unescapeDesktopString(platform::escapeDesktopString(text)) != std::string(text)) __builtin_trap();
    auto arguments = platform::splitExecLine(platform::quoteExecArgument(text));
    if (!arguments || *arguments != std::vector<std::string>{std::string(text)}) __builtin_trap();
    return 0;
}
