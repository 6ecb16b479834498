#include "WaylandDisplayCheck.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace platform {

namespace {

// What a Wayland client connects to when WAYLAND_DISPLAY is unset.
constexpr char kDefaultWaylandDisplay[] = "wayland-0";

// Wayland: the display object, the callback the sync creates, and the opcodes involved.
constexpr std::uint32_t kWlDisplay = 1, kWlCallback = 2;
constexpr std::uint16_t kWlSync = 0, kWlDeleteId = 1, kWlCallbackDone = 0;
constexpr std::uint32_t kWlHeader = 8, kWlOneArgument = 12;

bool isSet(const char* value) { return value != nullptr && *value != '\0'; }

std::uint32_t word(std::string_view bytes, std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

}  // namespace

bool WaylandDisplayCheck::answers(const Environment& environment, SocketRoundTrip::Deadline deadline) {
    if (isSet(environment.socket)) return true;
    std::string path = environment.display ? environment.display : kDefaultWaylandDisplay;
    if (!path.starts_with('/')) {
        if (!isSet(environment.runtimeDirectory)) return false;
        path = std::string(environment.runtimeDirectory) + "/" + path;
    }
    const int socket = SocketRoundTrip::connectLocal(path, false, deadline);
    return socket >= 0 && SocketRoundTrip::answered(socket, syncRequest(), syncReply, deadline);
}

std::string_view WaylandDisplayCheck::syncRequest() {
    static const std::uint32_t request[] = {kWlDisplay, kWlOneArgument << 16 | kWlSync, kWlCallback};
    return {reinterpret_cast<const char*>(request), sizeof request};
}

WaylandDisplayCheck::Reply WaylandDisplayCheck::syncReply(std::string_view bytes) {
    for (std::size_t at = 0; bytes.size() - at >= kWlHeader;) {
        const std::uint32_t object = word(bytes, at), sizeAndOpcode = word(bytes, at + 4);
        const std::uint32_t size = sizeAndOpcode >> 16, opcode = sizeAndOpcode & 0xffff;
        if (size < kWlHeader || size % 4 != 0) return Reply::wrong;
        if (bytes.size() - at < size) return Reply::incomplete;
        if (object == kWlCallback && opcode == kWlCallbackDone && size == kWlOneArgument) return Reply::answered;
        // Else only the display's delete_id may come: not its error, nor an object the request did not make.
        if (object != kWlDisplay || opcode != kWlDeleteId || size != kWlOneArgument) return Reply::wrong;
        at += size;
    }
    return Reply::incomplete;
}

}  // namespace platform
