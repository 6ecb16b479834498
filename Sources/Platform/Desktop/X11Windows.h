#pragma once

#include <string>

#include <xcb/xcb.h>

class QWidget;

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

}  // namespace x11

}  // namespace platform
