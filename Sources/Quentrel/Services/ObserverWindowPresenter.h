#pragma once

#include <functional>
#include <string>

namespace quentrel {

// How this process ends when something asks it to quit. Plain code cannot reach the event loop,
// so the Qt layer installs a terminator that ends its loop (and with it the application) once
// it has one; until then, and after reset, the process exits normally with status 0 (std::exit:
// atexit handlers run and the standard streams are flushed). Main thread only.
struct ApplicationTermination {
    static std::function<void()> terminate;
    // The default terminator.
    static void exitProcess();
    // Ends the program through `terminate`, read at call time (so a terminator installed after the
    // hooks still applies), or `exitProcess` when none is set.
    static void run();
};

// The four process-wide hooks through which any code asks for a window, closes one, toggles the
// quick view or quits, without knowing which program it runs in. Each program installs its own
// behaviour at launch; until then show, close and quickView do nothing and quit calls
// ApplicationTermination::terminate. A hook is replaced as a whole; installing an empty function
// makes that hook do nothing. Main thread only.
struct ObserverWindowPresenter {
    using WindowHook = std::function<void(const std::string& windowID)>;
    using Hook = std::function<void()>;

    static WindowHook show;
    static WindowHook close;
    static Hook quickView;
    static Hook quit;

    // Callers go through these, so a hook set to an empty function is a no-op rather than a throw.
    static void requestShow(const std::string& windowID);
    static void requestClose(const std::string& windowID);
    static void requestQuickView();
    static void requestQuit();

    // Puts all four hooks back to their defaults (tests).
    static void resetToDefaults();
};

}  // namespace quentrel
