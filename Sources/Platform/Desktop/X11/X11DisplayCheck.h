#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/SocketRoundTrip.h"

namespace platform {

// Whether the X server that a DISPLAY value names answers its first round trip, asked on a socket
// of its own before Qt connects (Qt's xcb platform waits for ever on a server that never answers).
// Plain C++: usable before any Qt application exists.
struct X11DisplayCheck {
    using Reply = SocketRoundTrip::Reply;

    // Whether the X server answers the connection set-up by `deadline`, at the first of its
    // endpoints() that a connection reaches; false for an unset or empty `display`.
    static bool answers(const char* display, SocketRoundTrip::Deadline deadline);

    // The X11 connection set-up, without authorization, little-endian; any answer of an X server
    // (Success, Failed or Authenticate) counts, as Qt then connects with the authorization.
    static std::string_view setupRequest();
    static Reply setupReply(std::string_view bytes);

    // Where an X client connects for a DISPLAY value, in the order libxcb tries the places: a
    // socket path ("/path/to/socket[.screen]"), "[protocol/][host]:number[.screen]" with the
    // abstract then the file socket of that number, for an empty host then TCP on localhost, and
    // TCP alone for another host. Empty when the value cannot be parsed.
    struct Endpoint {
        enum class Kind { file, abstract, tcp } kind;
        std::string address;  // a socket path, or a host name
        int port = 0;
        bool operator==(const Endpoint&) const = default;
    };
    static std::vector<Endpoint> endpoints(std::string_view display);
};

}  // namespace platform
