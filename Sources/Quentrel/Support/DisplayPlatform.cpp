#include "DisplayPlatform.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace quentrel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kXcb = "xcb";
// The platform, the start of its variants' names ("wayland-egl") and XDG_SESSION_TYPE in a
// Wayland session.
constexpr std::string_view kWayland = "wayland";
constexpr std::string_view kDisplay = "DISPLAY";
constexpr std::string_view kWaylandDisplay = "WAYLAND_DISPLAY";
// What a Wayland client connects to when WAYLAND_DISPLAY is unset.
constexpr char kDefaultWaylandDisplay[] = "wayland-0";
// Qt's own list without a sign of a Wayland session, and the lists of one with and without XWayland.
constexpr std::string_view kQtList = "xcb";
constexpr std::string_view kXWaylandList = "xcb;wayland";
constexpr std::string_view kWaylandList = "wayland;xcb";

// The X11 connection set-up: byte order 'l', protocol 11.0, no authorization name or data.
constexpr char kXSetupRequest[] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::size_t kXReplyHeader = 8;
constexpr std::uint8_t kXFailed = 0, kXSuccess = 1, kXAuthenticate = 2;
constexpr std::uint16_t kXProtocolMajor = 11;
// Where the X server of display N listens, as a file and (the same name) in the abstract namespace.
constexpr std::string_view kXSocketBase = "/tmp/.X11-unix/X";
constexpr int kXTcpPort = 6000;

// Wayland: the display object, the callback the sync creates, and the opcodes involved.
constexpr std::uint32_t kWlDisplay = 1, kWlCallback = 2;
constexpr std::uint16_t kWlSync = 0, kWlDeleteId = 1, kWlCallbackDone = 0;
constexpr std::uint32_t kWlHeader = 8, kWlOneArgument = 12;
// More than any compositor sends for one sync: an answer this long is not one.
constexpr std::size_t kMostReplyBytes = 64 * 1024;

bool isSet(const char* value) { return value != nullptr && *value != '\0'; }

// The entries of a platform list; empty entries name no platform.
std::vector<std::string_view> entries(std::string_view list) {
    std::vector<std::string_view> out;
    while (!list.empty()) {
        const std::size_t end = std::min(list.find(';'), list.size());
        if (end > 0) out.push_back(list.substr(0, end));
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return out;
}

// An entry's platform name in lower case, as Qt compares it.
std::string nameOf(std::string_view entry) {
    std::string name(entry.substr(0, entry.find(':')));
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return name;
}

// The wayland platform and its variants, which all connect where WAYLAND_DISPLAY says.
bool isWayland(std::string_view name) { return name == kWayland || name.starts_with(std::string(kWayland) + "-"); }

// Why one platform did not start: a variable that is unset, a display that a variable names but
// nothing answers, or a sentence of its own. Alike neighbours share their verb.
struct Reason {
    enum class Kind { unset, unreachable, other } kind;
    std::string subject;
    bool operator==(const Reason&) const = default;
};

Reason variableReason(std::string_view variable, const char* value) {
    if (!isSet(value)) return {Reason::Kind::unset, std::string(variable)};
    return {Reason::Kind::unreachable, std::string(variable) + "=" + value};
}

std::string joined(const std::vector<Reason>& reasons) {
    std::string text;
    for (std::size_t first = 0, end = 0; first < reasons.size(); first = end) {
        const Reason::Kind kind = reasons[first].kind;
        end = first + 1;
        if (kind != Reason::Kind::other)
            while (end < reasons.size() && reasons[end].kind == kind) ++end;
        if (!text.empty()) text += ", ";
        for (std::size_t i = first; i < end; ++i) text += (i > first ? " and " : "") + reasons[i].subject;
        if (kind == Reason::Kind::unset) text += end - first == 1 ? " is unset" : " are unset";
        if (kind == Reason::Kind::unreachable) text += " cannot be reached";
    }
    return text;
}

}  // namespace

DisplayPlatform::Environment DisplayPlatform::Environment::current() {
    return {std::getenv("QT_QPA_PLATFORM"), std::getenv("XDG_SESSION_TYPE"), std::getenv(kDisplay.data()),
            std::getenv(kWaylandDisplay.data()), std::getenv("XDG_RUNTIME_DIR"), std::getenv("WAYLAND_SOCKET")};
}

std::string DisplayPlatform::platforms(const Environment& environment) {
    if (isSet(environment.platform)) return environment.platform;
    const bool wayland = environment.waylandDisplay != nullptr ||
                         (environment.sessionType != nullptr && environment.sessionType == kWayland);
    if (!wayland) return std::string(kQtList);
    return std::string(isSet(environment.display) ? kXWaylandList : kWaylandList);
}

bool DisplayPlatform::fellBack(const Environment& environment, std::string_view started) {
    if (nameOf(started) != fallback) return false;
    const std::string list = platforms(environment);
    const std::vector<std::string_view> asked = entries(list);
    return std::none_of(asked.begin(), asked.end(), [](std::string_view entry) { return nameOf(entry) == fallback; });
}

std::string DisplayPlatform::missingDisplay(const Environment& environment, Answers answers) {
    const std::string list = platforms(environment);
    std::vector<Reason> reasons;
    auto add = [&reasons](Reason reason) {
        if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end()) reasons.push_back(std::move(reason));
    };
    for (std::string_view entry : entries(list)) {
        const std::string name = nameOf(entry);
        const std::string sentence = "Qt's " + name + " platform did not start";
        if (name == kXcb && answers.x11 && isSet(environment.display)) {
            add({Reason::Kind::other, sentence + " on " + std::string(kDisplay) + "=" + environment.display});
        } else if (name == kXcb) {
            add(variableReason(kDisplay, environment.display));
        } else if (!isWayland(name)) {
            add({Reason::Kind::other, sentence});
        } else if (!answers.wayland) {
            add(variableReason(kWaylandDisplay, environment.waylandDisplay));
        } else {
            const std::string on = isSet(environment.waylandDisplay)
                                       ? std::string(kWaylandDisplay) + "=" + environment.waylandDisplay
                                       : kDefaultWaylandDisplay;
            add({Reason::Kind::other, sentence + " on " + on});
        }
    }
    if (!isSet(environment.platform)) {
        if (list == kQtList) add({Reason::Kind::unset, std::string(kWaylandDisplay)});
        return joined(reasons);
    }
    const std::string prefix = "QT_QPA_PLATFORM=" + list;
    return reasons.empty() ? prefix + " names no platform" : prefix + ", " + joined(reasons);
}

namespace {

std::uint32_t word(std::string_view bytes, std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

int remainingMilliseconds(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::clamp<decltype(left)>(left, 0, DisplayPlatform::answerDeadline.count()));
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

// A connected socket, or -1. Not blocking: a connection that is in progress gets until the
// deadline; a local socket whose queue of connections is full gets nothing, as nobody serves it.
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

int connectLocal(const std::string& path, bool abstract, Clock::time_point deadline) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.empty() || path.size() + offset >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    return connectTo(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length, deadline);
}

int connectTcp(const std::string& host, int port, Clock::time_point deadline) {
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

// Sends the request on a connected socket (which it closes) and reads until the reply is
// complete, wrong, ended, or the deadline has passed.
bool roundTrip(int socket, std::string_view request, DisplayPlatform::Reply (*reply)(std::string_view),
               Clock::time_point deadline) {
    bool answered = false;
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
        const DisplayPlatform::Reply state = reply(received);
        if (state == DisplayPlatform::Reply::incomplete) continue;
        answered = state == DisplayPlatform::Reply::answered;
        break;
    }
    ::close(socket);
    return answered;
}

// Whether the X server of DISPLAY answers at the first place libxcb would reach.
bool xAnswers(const DisplayPlatform::Environment& environment, Clock::time_point deadline) {
    if (!isSet(environment.display)) return false;
    for (const DisplayPlatform::Endpoint& endpoint : DisplayPlatform::xEndpoints(environment.display)) {
        const int socket = endpoint.kind == DisplayPlatform::Endpoint::Kind::tcp
                               ? connectTcp(endpoint.address, endpoint.port, deadline)
                               : connectLocal(endpoint.address, endpoint.kind == DisplayPlatform::Endpoint::Kind::abstract,
                                              deadline);
        if (socket >= 0)
            return roundTrip(socket, DisplayPlatform::xSetupRequest(), DisplayPlatform::xSetupReply, deadline);
    }
    return false;
}

// Whether a compositor answers where a Wayland client of this environment connects:
// WAYLAND_DISPLAY ("wayland-0" when unset), an absolute path or one in XDG_RUNTIME_DIR. A socket
// the compositor handed down is its own and is left to Qt.
bool waylandAnswers(const DisplayPlatform::Environment& environment, Clock::time_point deadline) {
    if (isSet(environment.waylandSocket)) return true;
    std::string path = environment.waylandDisplay ? environment.waylandDisplay : kDefaultWaylandDisplay;
    if (!path.starts_with('/')) {
        if (!isSet(environment.runtimeDirectory)) return false;
        path = std::string(environment.runtimeDirectory) + "/" + path;
    }
    const int socket = connectLocal(path, false, deadline);
    return socket >= 0 &&
           roundTrip(socket, DisplayPlatform::waylandSyncRequest(), DisplayPlatform::waylandSyncReply, deadline);
}

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

DisplayPlatform::Reachable DisplayPlatform::reachable(const Environment& environment) {
    Reachable reachable;
    std::optional<bool> x11, wayland;
    const std::string list = platforms(environment);
    for (std::string_view entry : entries(list)) {
        const std::string name = nameOf(entry);
        const bool isX11 = name == kXcb;
        std::optional<bool>* answer = isX11 ? &x11 : isWayland(name) ? &wayland : nullptr;
        if (answer && !*answer) {
            const Clock::time_point deadline = Clock::now() + answerDeadline;
            *answer = isX11 ? xAnswers(environment, deadline) : waylandAnswers(environment, deadline);
        }
        if (answer && !**answer) continue;
        if (!reachable.platforms.empty()) reachable.platforms += ';';
        reachable.platforms += entry;
    }
    reachable.answers = {x11.value_or(false), wayland.value_or(false)};
    return reachable;
}

std::string_view DisplayPlatform::xSetupRequest() { return {kXSetupRequest, sizeof kXSetupRequest}; }

DisplayPlatform::Reply DisplayPlatform::xSetupReply(std::string_view bytes) {
    if (bytes.empty()) return Reply::incomplete;
    const auto status = std::uint8_t(bytes[0]);
    if (status != kXFailed && status != kXSuccess && status != kXAuthenticate) return Reply::wrong;
    if (bytes.size() < kXReplyHeader) return Reply::incomplete;
    if (status == kXAuthenticate) return Reply::answered;
    // Failed and Success name the server's protocol version, in the byte order asked for.
    const auto major = std::uint16_t(std::uint8_t(bytes[2]) | std::uint8_t(bytes[3]) << 8);
    return major == kXProtocolMajor ? Reply::answered : Reply::wrong;
}

std::string_view DisplayPlatform::waylandSyncRequest() {
    static const std::uint32_t request[] = {kWlDisplay, kWlOneArgument << 16 | kWlSync, kWlCallback};
    return {reinterpret_cast<const char*>(request), sizeof request};
}

DisplayPlatform::Reply DisplayPlatform::waylandSyncReply(std::string_view bytes) {
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

std::vector<DisplayPlatform::Endpoint> DisplayPlatform::xEndpoints(std::string_view display) {
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

DisplayPlatform::Arguments::Arguments(int argc, char** argv, std::string platforms) : arguments_(argv, argv + argc) {
    arguments_.push_back("-platform");
    arguments_.push_back(std::move(platforms));
    for (std::string& argument : arguments_) values_.push_back(argument.data());
    values_.push_back(nullptr);
    count_ = int(arguments_.size());
}

}  // namespace quentrel
