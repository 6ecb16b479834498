// Feeds arbitrary bytes to the readers of a display's first answer (an X server's, a Wayland
// compositor's) and to the reader of DISPLAY.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Quentrel/Support/DisplayPlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    quentrel::DisplayPlatform::xSetupReply(bytes);
    quentrel::DisplayPlatform::waylandSyncReply(bytes);
    quentrel::DisplayPlatform::xEndpoints(bytes);
    return 0;
}
