#pragma once

#include <cstdint>

class QByteArray;

namespace platform {

// The manager selection of an XEmbed system tray on Qt's X server, _NET_SYSTEM_TRAY_S<n> for the
// screen n that DISPLAY names: whether a tray owns it, and the MANAGER message by which a new
// owner announces itself on the root window. Watches nothing on another platform than xcb.
class X11TraySelection {
public:
    // Interns the selection's atoms on Qt's connection; needs a QGuiApplication.
    X11TraySelection();

    // Whether Qt's connection is to an X server, so that the selection can be watched.
    bool isWatched() const { return watched_; }
    // Whether a tray owns the selection now (one round trip to the server).
    bool isOwned() const;
    // Whether `message`, a native event of `eventType` as Qt hands them to native event filters,
    // is the announcement of a new owner of the selection.
    bool announcesOwner(const QByteArray& eventType, const void* message) const;

private:
    bool watched_ = false;
    std::uint32_t trayAtom_ = 0;     // _NET_SYSTEM_TRAY_S<screen>
    std::uint32_t managerAtom_ = 0;  // MANAGER
};

}  // namespace platform
