#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quentrel {

// Which platforms Qt is given in both programs, which of them have a display that answers, and
// why none of them started. Qt aborts when no platform of its list can start, ends the process
// when a Wayland socket answers wrongly, and waits for ever on a display that never answers: so a
// program first checks each display's first round trip itself, gives Qt the platforms that
// answered, with `fallback` after them when it can run without windows, and reads which one Qt
// started.
//
// The list is QT_QPA_PLATFORM when that is set and not empty (a ";"-separated list, each name
// optionally followed by ":" and its arguments; Qt matches names without regard to case). Else,
// in a Wayland session (WAYLAND_DISPLAY set, even empty, or XDG_SESSION_TYPE "wayland") it is
// "xcb;wayland" when the session has XWayland (DISPLAY set), as Qt 5 chose, and "wayland;xcb"
// without; outside one, "xcb". The desktop's name (GNOME or another) changes nothing.
struct DisplayPlatform {
    static constexpr std::string_view fallback = "offscreen";
    // How long each display has to answer its first round trip.
    static constexpr std::chrono::milliseconds answerDeadline{3000};

    // The variables the choice depends on, each null when unset.
    struct Environment {
        const char* platform = nullptr;          // QT_QPA_PLATFORM
        const char* sessionType = nullptr;       // XDG_SESSION_TYPE
        const char* display = nullptr;           // DISPLAY
        const char* waylandDisplay = nullptr;    // WAYLAND_DISPLAY
        const char* runtimeDirectory = nullptr;  // XDG_RUNTIME_DIR, where a relative WAYLAND_DISPLAY lies
        const char* waylandSocket = nullptr;     // WAYLAND_SOCKET, a connection the compositor handed down
        // This process's.
        static Environment current();
    };

    // Which kinds of display answered the check.
    struct Answers {
        bool x11 = false;
        bool wayland = false;
    };

    // The platforms to try, in order, as Qt writes the list.
    static std::string platforms(const Environment& environment);
    // Whether Qt, given platforms() then `fallback`, started `started` (its platform name) only
    // because none of the platforms asked for could start: a list that names the fallback itself
    // asked for it.
    static bool fellBack(const Environment& environment, std::string_view started);
    // Why none of platforms() started, from what each needs: "DISPLAY=:5 cannot be reached",
    // "WAYLAND_DISPLAY is unset", or, with a display that answered, "Qt's wayland platform did not
    // start on WAYLAND_DISPLAY=wayland-0" (its plugin is missing), "Qt's xcb platform did not
    // start on DISPLAY=:5" (the server refused the connection); for other platforms "Qt's eglfs
    // platform did not start". Consecutive alike reasons are joined ("DISPLAY and WAYLAND_DISPLAY
    // are unset"), different ones separated by ", ". Prefixed by "QT_QPA_PLATFORM=<value>, " when
    // that variable made the list; Qt's own choice also says that WAYLAND_DISPLAY is unset when
    // that is why wayland was not tried.
    static std::string missingDisplay(const Environment& environment, Answers answers);

    // How the check asks a kind of display whether it answers its first round trip by the
    // deadline (the desktop layer's X11 and Wayland checks, in the programs).
    using Check =
        std::function<bool(const Environment& environment, std::chrono::steady_clock::time_point deadline)>;
    struct Checks {
        Check x11;
        Check wayland;
    };

    // The check: platforms() without the X11 and Wayland entries whose display did not answer its
    // first round trip within answerDeadline (each display is asked once, in list order).
    struct Reachable {
        std::string platforms;
        Answers answers;
    };
    static Reachable reachable(const Environment& environment, const Checks& checks);

    // main()'s arguments followed by "-platform <platforms>", as QApplication takes them; it keeps
    // referring to them, so they must live as long as the application.
    class Arguments {
    public:
        Arguments(int argc, char** argv, std::string platforms);
        Arguments(const Arguments&) = delete;
        Arguments& operator=(const Arguments&) = delete;
        int& count() { return count_; }
        char** values() { return values_.data(); }

    private:
        std::vector<std::string> arguments_;
        std::vector<char*> values_;
        int count_ = 0;
    };
};

}  // namespace quentrel
