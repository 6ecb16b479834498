#pragma once

#include <string_view>

#include "Platform/Foundation/SocketRoundTrip.h"

namespace platform {

// Whether a Wayland compositor answers its first round trip where a Wayland client connects, asked
// on a socket of its own before Qt connects (Qt's wayland platform ends the process when a socket
// answers wrongly, and waits for ever on one that never answers). Plain C++: usable before any Qt
// application exists.
struct WaylandDisplayCheck {
    using Reply = SocketRoundTrip::Reply;

    // The variables a Wayland client connects by, each null when unset.
    struct Environment {
        const char* display = nullptr;           // WAYLAND_DISPLAY
        const char* runtimeDirectory = nullptr;  // XDG_RUNTIME_DIR, where a relative WAYLAND_DISPLAY lies
        const char* socket = nullptr;            // WAYLAND_SOCKET, a connection the compositor handed down
    };

    // Whether a compositor answers wl_display.sync by `deadline` where a Wayland client of this
    // environment connects: WAYLAND_DISPLAY ("wayland-0" when unset), an absolute path or one in
    // XDG_RUNTIME_DIR. A socket the compositor handed down is its own and is left to Qt: true.
    static bool answers(const Environment& environment, SocketRoundTrip::Deadline deadline);

    // wl_display.sync with the new callback 2, in this machine's byte order; answered by that
    // callback's done event (wl_display.delete_id may come along; anything else is wrong).
    static std::string_view syncRequest();
    static Reply syncReply(std::string_view bytes);
};

}  // namespace platform
