#include "Quentrel/Support/DisplayPlatform.h"
#include <gtest/gtest.h>

TEST(DisplayPlatform, ADisplayIsMissingOnlyWhenEveryPlatformQtWouldTryLacksItsServer) {
    const struct { const char *platform, *display, *wayland; std::optional<std::string> missing; } rows[] = {
        {nullptr, nullptr, "", "DISPLAY and WAYLAND_DISPLAY are unset"}, {";", nullptr, "wayland-0", {}},
        {"xcb", nullptr, "wayland-0", "QT_QPA_PLATFORM=xcb, DISPLAY is unset"}, {"XCB:nograb", ":1", nullptr, {}},
        {"wayland-egl", ":0", "", "QT_QPA_PLATFORM=wayland-egl, WAYLAND_DISPLAY is unset"},
        {"wayland;xcb;xcb", nullptr, nullptr, "QT_QPA_PLATFORM=wayland;xcb;xcb, WAYLAND_DISPLAY and DISPLAY are unset"},
        {"xcb;offscreen", nullptr, nullptr, {}}, {"minimal", nullptr, nullptr, {}}, {"vnc:size=800x600", "", "", {}}};
    for (std::size_t row = 0; row < std::size(rows); ++row)
        EXPECT_EQ(quentrel::DisplayPlatform::missingDisplay(rows[row].platform, rows[row].display, rows[row].wayland),
                  rows[row].missing) << "row " << row;
}
