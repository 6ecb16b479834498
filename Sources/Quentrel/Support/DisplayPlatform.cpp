#include "DisplayPlatform.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quentrel {

namespace {

constexpr std::string_view kXcb = "xcb";
// The platform, the start of its variants' names ("wayland-egl") and XDG_SESSION_TYPE in a
// Wayland session.
constexpr std::string_view kWayland = "wayland";
constexpr std::string_view kDisplay = "DISPLAY";
constexpr std::string_view kWaylandDisplay = "WAYLAND_DISPLAY";
// What a Wayland client connects to when WAYLAND_DISPLAY is unset.
constexpr char kDefaultWaylandDisplay[] = "wayland-0";
// Qt's own lists, without and with a sign of a Wayland session.
constexpr std::string_view kQtList = "xcb";
constexpr std::string_view kQtWaylandList = "wayland;xcb";

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
            std::getenv(kWaylandDisplay.data()), std::getenv("XDG_RUNTIME_DIR")};
}

std::string DisplayPlatform::platforms(const Environment& environment) {
    if (isSet(environment.platform)) return environment.platform;
    const bool wayland = environment.waylandDisplay != nullptr ||
                         (environment.sessionType != nullptr && environment.sessionType == kWayland);
    return std::string(wayland ? kQtWaylandList : kQtList);
}

bool DisplayPlatform::fellBack(const Environment& environment, std::string_view started) {
    if (nameOf(started) != fallback) return false;
    const std::string list = platforms(environment);
    const std::vector<std::string_view> asked = entries(list);
    return std::none_of(asked.begin(), asked.end(), [](std::string_view entry) { return nameOf(entry) == fallback; });
}

std::string DisplayPlatform::missingDisplay(const Environment& environment, bool waylandAnswers) {
    const std::string list = platforms(environment);
    std::vector<Reason> reasons;
    auto add = [&reasons](Reason reason) {
        if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end()) reasons.push_back(std::move(reason));
    };
    for (std::string_view entry : entries(list)) {
        const std::string name = nameOf(entry);
        const std::string sentence = "Qt's " + name + " platform did not start";
        if (name == kXcb) {
            add(variableReason(kDisplay, environment.display));
        } else if (name != kWayland && !name.starts_with(std::string(kWayland) + "-")) {
            add({Reason::Kind::other, sentence});
        } else if (!waylandAnswers) {
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

bool DisplayPlatform::waylandAnswers(const Environment& environment) {
    std::string path = environment.waylandDisplay ? environment.waylandDisplay : kDefaultWaylandDisplay;
    if (!path.starts_with('/')) {
        if (!isSet(environment.runtimeDirectory)) return false;
        path = std::string(environment.runtimeDirectory) + "/" + path;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // Not blocking: a compositor whose queue of connections is full is there all the same.
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket < 0) return false;
    const bool answers =
        ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EAGAIN;
    ::close(socket);
    return answers;
}

}  // namespace quentrel
