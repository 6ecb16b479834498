#include "X11TraySelection.h"

#include <cstdlib>
#include <string>

#include <QByteArray>

#include "X11Windows.h"

namespace platform {

namespace {

constexpr char kXcbEventType[] = "xcb_generic_event_t";
constexpr std::uint8_t kSentEventFlag = 0x80;

// The screen number of DISPLAY (":0.1" → 1; 0 when it names none).
int displayScreen() {
    const char* display = std::getenv("DISPLAY");
    if (!display) return 0;
    const std::string text(display);
    const auto colon = text.rfind(':');
    const auto dot = text.find('.', colon == std::string::npos ? 0 : colon);
    if (dot == std::string::npos) return 0;
    return std::atoi(text.c_str() + dot + 1);
}

}  // namespace

X11TraySelection::X11TraySelection() {
    if (xcb_connection_t* connection = x11::connection()) {
        trayAtom_ = x11::atom(connection, "_NET_SYSTEM_TRAY_S" + std::to_string(displayScreen()));
        managerAtom_ = x11::atom(connection, "MANAGER");
        watched_ = true;
    }
}

bool X11TraySelection::isOwned() const {
    xcb_connection_t* connection = x11::connection();
    if (!connection || trayAtom_ == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, trayAtom_), nullptr);
    if (!reply) return false;
    const bool owned = reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

bool X11TraySelection::announcesOwner(const QByteArray& eventType, const void* message) const {
    if (eventType != kXcbEventType || !message) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~kSentEventFlag) != XCB_CLIENT_MESSAGE) return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    // A manager selection announces its new owner as MANAGER(time, selection, owner) to the root.
    return client->type == managerAtom_ && client->format == 32 && client->data.data32[1] == trayAtom_;
}

}  // namespace platform
