#include "Quentrel/Support/DisplayPlatform.h"
#include <gtest/gtest.h>

// What both programs try for an environment (a Wayland session with XWayland or without,
// QT_QPA_PLATFORM set or not), whether an offscreen start was a fallback, and the reason.
TEST(DisplayPlatform, TheListQtWouldTryAndWhyNoneOfItStarted) {
    const struct { const char *platform, *session, *display, *wayland; bool answers; const char* list; bool fellBack;
                   const char* missing; } rows[] = {
        {nullptr, nullptr, nullptr, nullptr, false, "xcb", true, "DISPLAY and WAYLAND_DISPLAY are unset"},
        {"", "Wayland", ":5", nullptr, false, "xcb", true, "DISPLAY=:5 cannot be reached, WAYLAND_DISPLAY is unset"},
        {nullptr, "x11", ":5", "/run/w", false, "xcb;wayland", true,
         "DISPLAY=:5 and WAYLAND_DISPLAY=/run/w cannot be reached"},
        {nullptr, nullptr, nullptr, "", false, "wayland;xcb", true, "WAYLAND_DISPLAY and DISPLAY are unset"},
        {nullptr, "wayland", nullptr, "wayland-1", true, "wayland;xcb", true,
         "Qt's wayland platform did not start on WAYLAND_DISPLAY=wayland-1, DISPLAY is unset"},
        {nullptr, "wayland", ":0", nullptr, true, "xcb;wayland", true,
         "Qt's xcb platform did not start on DISPLAY=:0, Qt's wayland platform did not start on wayland-0"},
        {"wayland", "wayland", ":0", "wayland-0", false, "wayland", true,
         "QT_QPA_PLATFORM=wayland, WAYLAND_DISPLAY=wayland-0 cannot be reached"},
        {";", nullptr, nullptr, "w", false, ";", true, "QT_QPA_PLATFORM=; names no platform"},
        {"wayland-egl;wayland;xcb;xcb", nullptr, nullptr, nullptr, false, "wayland-egl;wayland;xcb;xcb", true,
         "QT_QPA_PLATFORM=wayland-egl;wayland;xcb;xcb, WAYLAND_DISPLAY and DISPLAY are unset"},
        {"vnc:size=800x600;XCB:nograb", nullptr, ":1", nullptr, false, "vnc:size=800x600;XCB:nograb", true,
         "QT_QPA_PLATFORM=vnc:size=800x600;XCB:nograb, Qt's vnc platform did not start, DISPLAY=:1 cannot be reached"},
        {"xcb;OFFSCREEN", nullptr, nullptr, nullptr, false, "xcb;OFFSCREEN", false, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.list);
        const quentrel::DisplayPlatform::Environment environment{row.platform, row.session, row.display, row.wayland};
        EXPECT_EQ(quentrel::DisplayPlatform::platforms(environment), row.list);
        EXPECT_EQ(quentrel::DisplayPlatform::fellBack(environment, "offscreen"), row.fellBack);
        if (row.missing) {
            EXPECT_EQ(quentrel::DisplayPlatform::missingDisplay(environment, {row.answers, row.answers}), row.missing);
        }
    }
}
