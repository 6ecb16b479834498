#pragma once

#include <chrono>
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

    // The check: platforms() without the X11 and Wayland entries whose display did not answer its
    // first round trip within answerDeadline (each display is asked once, in list order).
    struct Reachable {
        std::string platforms;
        Answers answers;
    };
    static Reachable reachable(const Environment& environment);

    // How far the bytes a display sent back answer the check's request.
    enum class Reply { incomplete, answered, wrong };
    // The X11 connection set-up, without authorization, little-endian; any answer of an X server
    // (Success, Failed or Authenticate) counts, as Qt then connects with the authorization.
    static std::string_view xSetupRequest();
    static Reply xSetupReply(std::string_view bytes);
    // wl_display.sync with the new callback 2, in this machine's byte order; answered by that
    // callback's done event (wl_display.delete_id may come along; anything else is wrong).
    static std::string_view waylandSyncRequest();
    static Reply waylandSyncReply(std::string_view bytes);

    // Where an X client connects for a DISPLAY value, in the order libxcb tries the places: a
    // socket path ("/path/to/socket[.screen]"), "[protocol/][host]:number[.screen]" with the
    // abstract then the file socket of that number, for an empty host then TCP on localhost, and
    // TCP alone for another host. Empty when the value cannot be parsed.
    struct Endpoint {
        enum class Kind { file, abstract, tcp } kind;
        std::string address;  // a socket path, or a host name
        int port = 0;
        bool operator==(const Endpoint&) const = default;
    };
    static std::vector<Endpoint> xEndpoints(std::string_view display);

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
