#include "Platform/Desktop/X11/X11Windows.h"

#include <map>

#include <gtest/gtest.h>

using platform::x11::ClientWindow;

// The requester's window among other programs' and its own other windows: by title, by process or
// a process it started, and only on this machine, where process ids mean something.
TEST(X11Windows, TheFirstWindowOfAProcessOrItsDescendantsWithTheTitleOnThisMachine) {
    // 100 started 200 (a launcher), which started 300; 400 is another program; 500 has ended.
    const std::map<std::int32_t, std::int32_t> parents{{300, 200}, {200, 100}, {100, 1}, {400, 1}};
    const platform::x11::ParentProcess parentOf = [&](std::int32_t p) -> std::optional<std::int32_t> {
        const auto it = parents.find(p);
        return it == parents.end() ? std::nullopt : std::optional(it->second);
    };
    const struct Case {
        std::vector<ClientWindow> windows;
        std::optional<xcb_window_t> found;
    } cases[] = {
        {{{1, 100, "here", "진단 미리보기"}}, 1},
        {{{1, 400, "here", "진단 미리보기"}, {2, 300, "", "진단 미리보기"}}, 2},
        {{{1, 300, "here", "활동 기록"}, {2, std::nullopt, "here", "진단 미리보기"}, {3, 500, "here", "진단 미리보기"}},
         std::nullopt},
        {{{1, 100, "there", "진단 미리보기"}, {2, 1, "here", "진단 미리보기"}, {3, 200, "here", "진단 미리보기"}}, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::x11::firstWindowOf(c.windows, 100, "진단 미리보기", "here", parentOf), c.found)
            << c.windows.size();
}
