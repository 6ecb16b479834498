#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <xcb/xcb.h>

class QWidget;
class QWindow;

namespace platform {

// What the programs ask of the X server beyond Qt's own reach, over Qt's connection. Every
// function does nothing (or returns nothing) on another platform than xcb.
namespace x11 {

// Qt's connection to the X server; null on another platform.
xcb_connection_t* connection();

// The atom of that name (interned when it does not exist yet); XCB_ATOM_NONE without an answer.
xcb_atom_t atom(xcb_connection_t* connection, const std::string& name);

// Keeps a top-level window out of taskbars and pagers (_NET_WM_STATE_SKIP_TASKBAR and
// _SKIP_PAGER). Before the window is first shown: the state is then the one it is mapped with,
// which Qt keeps when it adds its own.
void keepOutOfTaskbars(QWidget& window);

// What a top-level window says of itself: the process that made it (_NET_WM_PID), the machine that
// process runs on (WM_CLIENT_MACHINE; empty when unnamed) and its title.
struct ClientWindow {
    xcb_window_t id = XCB_WINDOW_NONE;
    std::optional<std::int32_t> process;
    std::string machine;
    std::string title;
};

// A process's parent; nothing when it is not known.
using ParentProcess = std::function<std::optional<std::int32_t>(std::int32_t)>;

// The first of `windows` titled `title` that was made on this machine (`host`; a window that names
// no machine counts as made here) by `process` or by a process it started, however indirectly (a
// launcher or wrapper may stand between). Process ids are only compared on one machine.
std::optional<xcb_window_t> firstWindowOf(const std::vector<ClientWindow>& windows, std::int32_t process,
                                          const std::string& title, const std::string& host,
                                          const ParentProcess& parentOf);

// The top-level window titled `title` of `process` (as firstWindowOf tells it) on Qt's X server:
// among the windows the window manager lists in _NET_CLIENT_LIST, else among the mapped windows
// under the root and those in their frames. Nothing when there is none, or on another platform.
std::optional<xcb_window_t> windowOfProcess(std::int32_t process, const std::string& title);

// Makes a top-level dialog, before it is shown, transient for another program's window and modal
// for it: the window manager then keeps it above that window, also after a click there, and gives
// it the focus such a click would take. It opens centred over that window. Returns the stand-in
// for that window, to keep while the dialog is shown; null (and nothing changed) on another
// platform than xcb.
std::unique_ptr<QWindow> makeTransientFor(QWidget& dialog, xcb_window_t owner);

// Asks the window manager to raise a shown top-level window and give it the focus, as the answer
// to what the user has just done in another program (a click there that asked for the window).
// The request carries the server's time now, which is later than that action: a window manager
// that refuses requests older than the user's last action (mutter, for one) grants it, where Qt's own
// request carries the time of the last event this program saw. False, and nothing asked, on
// another platform than xcb or without a window manager that takes such requests.
bool activate(QWidget& window);

}  // namespace x11

}  // namespace platform
