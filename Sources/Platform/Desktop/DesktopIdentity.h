#pragma once

namespace platform {

// The installed desktop entry both programs belong to: share/applications/<name>.desktop, whose
// icon of the same name is also built into the programs.
inline constexpr char desktopEntryName[] = "local.mirosal.Kavrinet";
// That icon's name in the icon theme (hicolor), as the entry's Icon key gives it.
inline constexpr const char* applicationIconName = desktopEntryName;

}  // namespace platform
