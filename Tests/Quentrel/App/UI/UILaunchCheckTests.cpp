#include "UILaunchCheck.h"

#include <vector>

#include <gtest/gtest.h>

using quentrel::UILaunchCheck;

TEST(UILaunchCheck, arguments_thePipeMarkerAndALiveParentAreAllRequired) {
    const UILaunchCheck::Refusal loud{64, "This observation app does not accept command-line options.\n"};
    const UILaunchCheck::Refusal silent{64, ""};
    struct Case {
        const char* name;
        std::vector<const char*> arguments;
        const char* pipe;
        pid_t parent;
        std::optional<UILaunchCheck::Refusal> refusal;
    } cases[] = {
        {"started by the agent", {}, "1", 4242, std::nullopt},
        {"a process-serial argument", {"-psn_0_12345"}, "1", 4242, std::nullopt},
        {"an option", {"-platform"}, "1", 4242, loud},
        {"arguments come first", {"--help"}, nullptr, 0, loud},
        {"no marker", {}, nullptr, 4242, silent},
        {"an empty marker", {}, "", 4242, silent},
        {"a marker other than 1", {}, "true", 4242, silent},
        {"a marker with a space", {}, "1 ", 4242, silent},
        {"adopted by init", {}, "1", 1, silent},
        {"no parent", {}, "1", 0, silent},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"KavrinetUI"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(UILaunchCheck::check(static_cast<int>(argv.size()), argv.data(), c.pipe, c.parent), c.refusal)
            << c.name;
    }
}
