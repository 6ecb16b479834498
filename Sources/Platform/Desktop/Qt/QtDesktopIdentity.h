#pragma once

namespace platform {

// Ties the application's windows to the desktop entry (DesktopIdentity.h): its name as the desktop
// file name (the Wayland app_id, by which docks and window switchers find the entry) and its icon
// as every window's icon (_NET_WM_ICON on X11, which taskbars and Alt+Tab show). Call once the
// application exists.
void applyDesktopIdentity();

}  // namespace platform
