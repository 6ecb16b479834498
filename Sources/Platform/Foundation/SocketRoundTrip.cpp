#include "SocketRoundTrip.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <limits>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// More than any server sends in answer to a first request: an answer this long is not one.
constexpr std::size_t kMostReplyBytes = 64 * 1024;

int remainingMilliseconds(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::clamp<decltype(left)>(left, 0, std::numeric_limits<int>::max()));
}

// Waits until `socket` is ready for `events`, or the deadline has passed.
bool ready(int socket, short events, Clock::time_point deadline) {
    while (true) {
        pollfd entry{socket, events, 0};
        const int n = ::poll(&entry, 1, remainingMilliseconds(deadline));
        if (n > 0) return (entry.revents & events) != 0;
        if (n == 0 || errno != EINTR) return false;
    }
}

int connectTo(int family, const sockaddr* address, socklen_t length, Clock::time_point deadline) {
    const int socket = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket < 0) return -1;
    if (::connect(socket, address, length) == 0) return socket;
    int error = errno;
    if (error == EINPROGRESS && ready(socket, POLLOUT, deadline)) {
        socklen_t size = sizeof error;
        if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) return socket;
    }
    ::close(socket);
    return -1;
}

}  // namespace

int SocketRoundTrip::connectLocal(const std::string& path, bool abstract, Deadline deadline) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.empty() || path.size() + offset >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    return connectTo(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length, deadline);
}

int SocketRoundTrip::connectTcp(const std::string& host, int port, Deadline deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
    int socket = -1;
    for (const addrinfo* at = found; at && socket < 0; at = at->ai_next)
        socket = connectTo(at->ai_family, at->ai_addr, at->ai_addrlen, deadline);
    ::freeaddrinfo(found);
    return socket;
}

bool SocketRoundTrip::answered(int socket, std::string_view request, ReplyReader reply, Deadline deadline) {
    bool answer = false;
    while (!request.empty() && ready(socket, POLLOUT, deadline)) {
        const ssize_t sent = ::send(socket, request.data(), request.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno != EINTR && errno != EAGAIN) break;
        if (sent > 0) request.remove_prefix(std::size_t(sent));
    }
    std::string received;
    while (request.empty() && received.size() < kMostReplyBytes && ready(socket, POLLIN, deadline)) {
        char chunk[512];
        const ssize_t n = ::recv(socket, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
        if (n < 0) continue;
        received.append(chunk, std::size_t(n));
        const Reply state = reply(received);
        if (state == Reply::incomplete) continue;
        answer = state == Reply::answered;
        break;
    }
    ::close(socket);
    return answer;
}

}  // namespace platform
