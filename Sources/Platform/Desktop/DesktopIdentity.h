#pragma once

namespace platform {

// The installed desktop entry both programs belong to: share/applications/<name>.desktop, whose
// icon of the same name is also built into the programs.
inline constexpr char desktopEntryName[] = "local.mirosal.Kavrinet";
// That icon's name in the icon theme (hicolor), as the entry's Icon key gives it.
inline constexpr const char* applicationIconName = desktopEntryName;

// Ties the application's windows to that entry: its name as the desktop file name (the Wayland
// app_id, by which docks and window switchers find the entry) and its icon as every window's icon
// (_NET_WM_ICON on X11, which taskbars and Alt+Tab show). Call once the application exists.
void applyDesktopIdentity();

}  // namespace platform
