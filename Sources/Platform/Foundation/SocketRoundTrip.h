#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace platform {

// A first request to a server on a stream socket and its answer, all by one deadline: for checks
// that a server answers before a library that would wait for ever on it connects.
struct SocketRoundTrip {
    using Deadline = std::chrono::steady_clock::time_point;

    // How far the bytes a server sent back answer the request.
    enum class Reply { incomplete, answered, wrong };
    using ReplyReader = Reply (*)(std::string_view bytes);

    // A connected socket, or -1: to the Unix socket at `path` (in the abstract namespace when
    // `abstract`), or to `port` of `host`. Not blocking: a connection that is in progress gets until
    // the deadline; a local socket whose queue of connections is full gets nothing, as nobody
    // serves it.
    static int connectLocal(const std::string& path, bool abstract, Deadline deadline);
    static int connectTcp(const std::string& host, int port, Deadline deadline);

    // Sends the request on a connected socket (which it closes) and reads until `reply` finds the
    // bytes complete or wrong, the server ends the connection, or the deadline has passed. True
    // when the server answered.
    static bool answered(int socket, std::string_view request, ReplyReader reply, Deadline deadline);
};

}  // namespace platform
