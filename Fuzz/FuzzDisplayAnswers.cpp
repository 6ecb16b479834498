// Feeds arbitrary bytes to the readers of a display's first answer (an X server's, a Wayland
// compositor's) and to the reader of DISPLAY.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Platform/Desktop/Wayland/WaylandDisplayCheck.h"
#include "Platform/Desktop/X11/X11DisplayCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    platform::X11DisplayCheck::setupReply(bytes);
    platform::WaylandDisplayCheck::syncReply(bytes);
    platform::X11DisplayCheck::endpoints(bytes);
    return 0;
}
