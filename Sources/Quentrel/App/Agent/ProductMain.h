#pragma once

#include <string_view>

namespace quentrel {

// The program entry of the agent Kavrinet.
struct ProductMain {
    static constexpr std::string_view applicationName = "Kavrinet";
    static constexpr std::string_view mainQueueLabel = "main";
    // One line on standard error when there is no display to show the status item on.
    static constexpr std::string_view noDisplayMessage =
        "Kavrinet: no display (DISPLAY and WAYLAND_DISPLAY are unset); observing without a status item\n";
    static constexpr std::string_view fallbackBundleIdentifier = "local.mirosal.Kavrinet";

    // Checks the command line, then runs the agent until it is told to end; returns the exit
    // status: 64 for a command line it does not accept, 0 otherwise (also when another agent was
    // already running and was asked to activate instead).
    static int main(int argc, char** argv);
};

}  // namespace quentrel
