#include "X11DisplayCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace platform {

namespace {

// The X11 connection set-up: byte order 'l', protocol 11.0, no authorization name or data.
constexpr char kXSetupRequest[] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::size_t kXReplyHeader = 8;
constexpr std::uint8_t kXFailed = 0, kXSuccess = 1, kXAuthenticate = 2;
constexpr std::uint16_t kXProtocolMajor = 11;
// Where the X server of display N listens, as a file and (the same name) in the abstract namespace.
constexpr std::string_view kXSocketBase = "/tmp/.X11-unix/X";
constexpr int kXTcpPort = 6000;

// The display number and screen after a colon: digits, then optionally "." and digits.
std::optional<int> displayNumber(std::string_view text) {
    const std::size_t dot = std::min(text.find('.'), text.size());
    auto digits = [](std::string_view part) {
        return !part.empty() && part.size() <= 9 && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (!digits(text.substr(0, dot)) || (dot < text.size() && !digits(text.substr(dot + 1)))) return std::nullopt;
    return std::atoi(std::string(text.substr(0, dot)).c_str());
}

}  // namespace

bool X11DisplayCheck::answers(const char* display, SocketRoundTrip::Deadline deadline) {
    if (display == nullptr || *display == '\0') return false;
    for (const Endpoint& endpoint : endpoints(display)) {
        const bool abstract = endpoint.kind == Endpoint::Kind::abstract;
        const int socket = endpoint.kind == Endpoint::Kind::tcp
                               ? SocketRoundTrip::connectTcp(endpoint.address, endpoint.port, deadline)
                               : SocketRoundTrip::connectLocal(endpoint.address, abstract, deadline);
        if (socket >= 0) return SocketRoundTrip::answered(socket, setupRequest(), setupReply, deadline);
    }
    return false;
}

std::string_view X11DisplayCheck::setupRequest() { return {kXSetupRequest, sizeof kXSetupRequest}; }

X11DisplayCheck::Reply X11DisplayCheck::setupReply(std::string_view bytes) {
    if (bytes.empty()) return Reply::incomplete;
    const auto status = std::uint8_t(bytes[0]);
    if (status != kXFailed && status != kXSuccess && status != kXAuthenticate) return Reply::wrong;
    if (bytes.size() < kXReplyHeader) return Reply::incomplete;
    if (status == kXAuthenticate) return Reply::answered;
    // Failed and Success name the server's protocol version, in the byte order asked for.
    const auto major = std::uint16_t(std::uint8_t(bytes[2]) | std::uint8_t(bytes[3]) << 8);
    return major == kXProtocolMajor ? Reply::answered : Reply::wrong;
}

std::vector<X11DisplayCheck::Endpoint> X11DisplayCheck::endpoints(std::string_view display) {
    using Kind = Endpoint::Kind;
    if (display.starts_with('/')) {
        std::vector<Endpoint> out{{Kind::file, std::string(display)}};
        const std::size_t dot = display.rfind('.');
        if (dot != std::string_view::npos && displayNumber(display.substr(dot + 1)))
            out.push_back({Kind::file, std::string(display.substr(0, dot))});
        return out;
    }
    const std::size_t slash = display.rfind('/');
    const std::string_view protocol = slash == std::string_view::npos ? "" : display.substr(0, slash);
    const std::string_view rest = slash == std::string_view::npos ? display : display.substr(slash + 1);
    const std::size_t colon = rest.rfind(':');
    const std::optional<int> number = colon == std::string_view::npos ? std::nullopt : displayNumber(rest.substr(colon + 1));
    if (!number) return {};
    const std::string host(rest.substr(0, colon));
    const int port = kXTcpPort + *number;
    if (protocol != "unix" && !host.empty() && host != "unix") {
        if (!protocol.empty() && protocol != "tcp" && protocol != "inet" && protocol != "inet6") return {};
        return {{Kind::tcp, host, port}};
    }
    const std::string file =
        protocol == "unix" && host.starts_with('/') ? host : std::string(kXSocketBase) + std::to_string(*number);
    std::vector<Endpoint> out{{Kind::abstract, file}, {Kind::file, file}};
    if (protocol.empty() && host.empty()) out.push_back({Kind::tcp, "localhost", port});
    return out;
}

}  // namespace platform
