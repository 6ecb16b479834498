#include "LaunchEvent.h"

#include <cstdlib>
#include <vector>

namespace platform {

std::optional<LaunchEvent> parseLaunchEvent(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t begin = 0;
    while (true) {
        auto slash = text.find('/', begin);
        parts.emplace_back(text.substr(begin, slash == std::string_view::npos ? std::string_view::npos : slash - begin));
        if (slash == std::string_view::npos) break;
        begin = slash + 1;
    }
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    for (const auto& part : parts)
        if (part.size() != 4) return std::nullopt;
    LaunchEvent event{parts[0], parts[1], std::nullopt};
    if (parts.size() == 3) event.launchedAs = parts[2];
    return event;
}

LaunchEnvironment LaunchEnvironment::process() {
    return {processEnvironment(), [](const std::string& name) { ::unsetenv(name.c_str()); }};
}

std::optional<LaunchEvent> takeLaunchEvent(const LaunchEnvironment& environment) {
    std::optional<std::string> value = environment.lookup ? environment.lookup(launchEventVariable) : std::nullopt;
    if (!value) return std::nullopt;
    if (environment.remove) environment.remove(launchEventVariable);
    return parseLaunchEvent(*value);
}

std::optional<LaunchEvent> currentLaunchEvent() {
    static const std::optional<LaunchEvent> event = takeLaunchEvent(LaunchEnvironment::process());
    return event;
}

}  // namespace platform
