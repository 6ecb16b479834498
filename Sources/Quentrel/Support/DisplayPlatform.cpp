#include "DisplayPlatform.h"

#include <algorithm>
#include <cstdlib>
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

DisplayPlatform::Reachable DisplayPlatform::reachable(const Environment& environment, const Checks& checks) {
    Reachable reachable;
    std::optional<bool> x11, wayland;
    const std::string list = platforms(environment);
    for (std::string_view entry : entries(list)) {
        const std::string name = nameOf(entry);
        const bool isX11 = name == kXcb;
        std::optional<bool>* answer = isX11 ? &x11 : isWayland(name) ? &wayland : nullptr;
        if (answer && !*answer) {
            const Clock::time_point deadline = Clock::now() + answerDeadline;
            *answer = isX11 ? checks.x11(environment, deadline) : checks.wayland(environment, deadline);
        }
        if (answer && !**answer) continue;
        if (!reachable.platforms.empty()) reachable.platforms += ';';
        reachable.platforms += entry;
    }
    reachable.answers = {x11.value_or(false), wayland.value_or(false)};
    return reachable;
}

DisplayPlatform::Arguments::Arguments(int argc, char** argv, std::string platforms) : arguments_(argv, argv + argc) {
    arguments_.push_back("-platform");
    arguments_.push_back(std::move(platforms));
    for (std::string& argument : arguments_) values_.push_back(argument.data());
    values_.push_back(nullptr);
    count_ = int(arguments_.size());
}

}  // namespace quentrel
