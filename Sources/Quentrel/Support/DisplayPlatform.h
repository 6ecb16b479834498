#pragma once

#include <string>
#include <string_view>

namespace quentrel {

// Which platforms Qt would try for this process, and why none of them started. Qt aborts when no
// platform of its list can start, and only Qt knows whether one can (a display that is named but
// not answered, a platform plugin that is not installed): so a program that can run without
// windows gives Qt these platforms with `fallback` after them, and reads which one Qt started.
//
// The list is QT_QPA_PLATFORM when that is set and not empty (a ";"-separated list, each name
// optionally followed by ":" and its arguments; Qt matches names without regard to case). Else it
// is Qt 6.4's own choice: "wayland;xcb" when WAYLAND_DISPLAY is set (even empty) or
// XDG_SESSION_TYPE is "wayland", else "xcb". The desktop's name (GNOME or another) changes nothing.
struct DisplayPlatform {
    static constexpr std::string_view fallback = "offscreen";

    // The variables Qt's choice depends on, each null when unset.
    struct Environment {
        const char* platform = nullptr;          // QT_QPA_PLATFORM
        const char* sessionType = nullptr;       // XDG_SESSION_TYPE
        const char* display = nullptr;           // DISPLAY
        const char* waylandDisplay = nullptr;    // WAYLAND_DISPLAY
        const char* runtimeDirectory = nullptr;  // XDG_RUNTIME_DIR, where a relative WAYLAND_DISPLAY lies
        // This process's.
        static Environment current();
    };

    // The platforms Qt would try, in order, as Qt writes the list.
    static std::string platforms(const Environment& environment);
    // Whether Qt, given platforms() then `fallback`, started `started` (its platform name) only
    // because none of the platforms asked for could start: a list that names the fallback itself
    // asked for it.
    static bool fellBack(const Environment& environment, std::string_view started);
    // Why none of platforms() started, from what each needs: "DISPLAY=:5 cannot be reached",
    // "WAYLAND_DISPLAY is unset", or, with a Wayland display that answers, "Qt's wayland platform
    // did not start on WAYLAND_DISPLAY=wayland-0" (its plugin is missing); for other platforms
    // "Qt's eglfs platform did not start". Consecutive alike reasons are joined ("DISPLAY and
    // WAYLAND_DISPLAY are unset"), different ones separated by ", ". Prefixed by
    // "QT_QPA_PLATFORM=<value>, " when that variable made the list; Qt's own choice also says that
    // WAYLAND_DISPLAY is unset when that is why wayland was not tried.
    static std::string missingDisplay(const Environment& environment, bool waylandAnswers);
    // Whether something accepts connections where a Wayland client of this environment connects:
    // WAYLAND_DISPLAY ("wayland-0" when unset), an absolute path or one in XDG_RUNTIME_DIR.
    static bool waylandAnswers(const Environment& environment);
};

}  // namespace quentrel
