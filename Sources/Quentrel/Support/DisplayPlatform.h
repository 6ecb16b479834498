#pragma once

#include <optional>
#include <string>

namespace quentrel {

// Whether the platform Qt would pick for this process can reach a display. Qt aborts when no
// platform in QT_QPA_PLATFORM (a ";"-separated list, each name optionally followed by ":" and its
// arguments) can start; a program that can run without windows checks first and runs offscreen.
//
// QT_QPA_PLATFORM unset, empty or naming no platform: Qt picks xcb or wayland by itself, so a
// display is there when DISPLAY or WAYLAND_DISPLAY is set. Otherwise a display is there when one
// listed platform has one: xcb needs DISPLAY, wayland (and its variants, "wayland-egl" …) needs
// WAYLAND_DISPLAY, and every other platform (offscreen, minimal, vnc, eglfs …) needs no display
// server at all.
struct DisplayPlatform {
    // Each argument is the variable's value, or null when it is unset. Absent when there is a
    // display; else why there is none, as "<variables> is unset" or "<variables> are unset",
    // prefixed by "QT_QPA_PLATFORM=<value>, " when that variable names a platform.
    static std::optional<std::string> missingDisplay(const char* platform, const char* display,
                                                     const char* waylandDisplay);
    // The same for this process's environment.
    static std::optional<std::string> missingDisplay();
};

}  // namespace quentrel
