#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Wendmark/AppLaunchCause.h"

namespace quentrel {

// The rules a program applies as it starts: which command lines it accepts and which window a
// launch opens.
struct ProductArguments {
    // What a program writes to standard error, in one write, before it exits with
    // `rejectionExitStatus` when its arguments are refused.
    static constexpr std::string_view rejectionMessage = "This observation app does not accept command-line options.\n";
    static constexpr int rejectionExitStatus = 64;

    // The arguments without the program path. Accepted when empty or when every argument is
    // "-psn_" followed only by numeric characters (any Unicode Numeric_Type, judged by the first
    // code point of each user-perceived character) and underscores. Bytes that are not UTF-8
    // read as U+FFFD, which is not numeric.
    static bool accepts(const std::vector<std::string>& arguments);
    // The same for a process's argument vector, whose first element (the program path) is skipped.
    static bool acceptsCommandLine(int argc, const char* const* argv);

    // The window a launch opens: none for a launch at login or as a service item; "welcome" until
    // onboarding is complete; then "status" when the user asked to see it at launch.
    static std::optional<std::string> initialWindow(wendmark::AppLaunchCause cause, bool preference,
                                                    bool onboardingCompleted);
    // The window a launch opens besides, once it is known that no status item can be shown: the
    // dashboard for a manual launch that opens none by the rule above, since a click on the status
    // item would have been the way in.
    static std::optional<std::string> windowWithoutStatusItem(wendmark::AppLaunchCause cause, bool preference,
                                                              bool onboardingCompleted);
};

}  // namespace quentrel
