#include "DisplayPlatform.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace quentrel {

namespace {

constexpr std::string_view kDisplay = "DISPLAY";
constexpr std::string_view kWaylandDisplay = "WAYLAND_DISPLAY";

bool isSet(const char* value) { return value != nullptr && *value != '\0'; }

// The variable a platform needs, or empty when it needs none. Qt matches plugin names without
// regard to case.
std::string_view neededVariable(std::string_view entry) {
    std::string name(entry.substr(0, entry.find(':')));
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (name == "xcb") return kDisplay;
    if (name == "wayland" || name.starts_with("wayland-")) return kWaylandDisplay;
    return {};
}

std::string unsetList(const std::vector<std::string_view>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += " and ";
        text += names[i];
    }
    return text + (names.size() == 1 ? " is unset" : " are unset");
}

}  // namespace

std::optional<std::string> DisplayPlatform::missingDisplay(const char* platform, const char* display,
                                                           const char* waylandDisplay) {
    auto has = [&](std::string_view variable) { return isSet(variable == kDisplay ? display : waylandDisplay); };
    // The variables the listed platforms need, each once; empty entries name no platform.
    std::vector<std::string_view> missing;
    std::string_view rest = platform ? platform : "";
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(';'), rest.size());
        if (end > 0) {
            const std::string_view variable = neededVariable(rest.substr(0, end));
            if (variable.empty() || has(variable)) return std::nullopt;
            if (std::find(missing.begin(), missing.end(), variable) == missing.end()) missing.push_back(variable);
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    if (!missing.empty()) return "QT_QPA_PLATFORM=" + std::string(platform) + ", " + unsetList(missing);
    if (has(kDisplay) || has(kWaylandDisplay)) return std::nullopt;
    return unsetList({kDisplay, kWaylandDisplay});
}

std::optional<std::string> DisplayPlatform::missingDisplay() {
    return missingDisplay(std::getenv("QT_QPA_PLATFORM"), std::getenv(std::string(kDisplay).c_str()),
                          std::getenv(std::string(kWaylandDisplay).c_str()));
}

}  // namespace quentrel
