#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "FileLocations.h"

namespace platform {

// The environment variable through which the login item tells the program how it was launched.
// Its value names the launching event as "<class>/<id>" or "<class>/<id>/<prdt>", each part a
// four-character code: event class, event id and the enumerated code of the event's "prdt"
// parameter, e.g. "aevt/oapp/lgit" for a launch as a login item.
inline constexpr const char* launchEventVariable = "KAVRINET_LAUNCH_EVENT";

struct LaunchEvent {
    std::string eventClass;                 // e.g. "aevt"
    std::string eventID;                    // e.g. "oapp"
    std::optional<std::string> launchedAs;  // the "prdt" code, e.g. "lgit"; absent without that parameter

    friend bool operator==(const LaunchEvent&, const LaunchEvent&) = default;
};

// Parses the variable's value; anything but two or three four-character parts gives nothing.
std::optional<LaunchEvent> parseLaunchEvent(std::string_view text);

// Where the marker is read from and removed.
struct LaunchEnvironment {
    EnvironmentLookup lookup;
    std::function<void(const std::string& name)> remove;

    // getenv and unsetenv of this process.
    static LaunchEnvironment process();
};

// Reads the marker and removes it from the environment, malformed or not, so that processes
// started later do not inherit it.
std::optional<LaunchEvent> takeLaunchEvent(const LaunchEnvironment& environment);

// The event that launched this process: the process environment's marker, taken at the first call
// (which should come before other threads start) and remembered for every later call.
std::optional<LaunchEvent> currentLaunchEvent();

}  // namespace platform
