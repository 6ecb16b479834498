#include "X11Windows.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>
#include <QWidget>
#include <QWindow>

#include "Platform/Desktop/WindowPlacement.h"
#include "Platform/Foundation/ProcessInfo.h"

namespace platform::x11 {

namespace {

// The source of an activation request: an application (_NET_ACTIVE_WINDOW's first field).
constexpr std::uint32_t kRequestFromApplication = 1;
// More steps up than any chain of launchers has; ends the walk should the table change meanwhile.
constexpr int kMaximumAncestry = 64;
constexpr std::int32_t kInitProcess = 1;
// What a property read takes at most, in 32-bit units: more than any title, host name or client
// list needs.
constexpr std::uint32_t kPropertyUnits = 1024;

// A property's bytes; empty when the window or the property is missing.
std::string propertyValue(xcb_connection_t* x, xcb_get_property_cookie_t cookie) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(x, cookie, nullptr);
    std::string value;
    if (reply && reply->format != 0)
        value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return value;
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* x, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    return xcb_get_property(x, 0, window, name, type, 0, kPropertyUnits);
}

// The windows of a WINDOW property (a window manager's client list), or the atoms of an ATOM one.
std::vector<std::uint32_t> idList(xcb_connection_t* x, xcb_window_t window, xcb_atom_t name,
                                  xcb_atom_t type = XCB_ATOM_WINDOW) {
    const std::string bytes = propertyValue(x, askProperty(x, window, name, type));
    std::vector<std::uint32_t> ids(bytes.size() / sizeof(std::uint32_t));
    if (!ids.empty()) std::memcpy(ids.data(), bytes.data(), ids.size() * sizeof(std::uint32_t));
    return ids;
}

xcb_window_t rootOf(xcb_connection_t* x) { return xcb_setup_roots_iterator(xcb_get_setup(x)).data->root; }

// A window's mapped children, bottom to top.
std::vector<xcb_window_t> mappedChildren(xcb_connection_t* x, xcb_window_t parent) {
    std::vector<xcb_window_t> children;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x, xcb_query_tree(x, parent), nullptr);
    if (!tree) return children;
    const xcb_window_t* first = xcb_query_tree_children(tree);
    const std::vector<xcb_window_t> all(first, first + xcb_query_tree_children_length(tree));
    std::free(tree);
    std::vector<xcb_get_window_attributes_cookie_t> asked;
    for (const xcb_window_t child : all) asked.push_back(xcb_get_window_attributes(x, child));
    for (std::size_t n = 0; n < all.size(); ++n) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(x, asked[n], nullptr);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) children.push_back(all[n]);
        std::free(attributes);
    }
    return children;
}

// The windows a top-level window may be: those the window manager lists, else without one that
// lists them the mapped children of the root, and theirs, where a window manager puts a window in
// its frame.
std::vector<xcb_window_t> topLevelWindows(xcb_connection_t* x) {
    const xcb_window_t root = rootOf(x);
    std::vector<xcb_window_t> windows = idList(x, root, atom(x, "_NET_CLIENT_LIST"));
    if (!windows.empty()) return windows;
    for (const xcb_window_t child : mappedChildren(x, root)) {
        windows.push_back(child);
        for (const xcb_window_t inner : mappedChildren(x, child)) windows.push_back(inner);
    }
    return windows;
}

// What each window says of itself, asked of the server all at once.
std::vector<ClientWindow> describe(xcb_connection_t* x, const std::vector<xcb_window_t>& windows) {
    const xcb_atom_t pid = atom(x, "_NET_WM_PID");
    const xcb_atom_t name = atom(x, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(x, "UTF8_STRING");
    struct Asked {
        xcb_get_property_cookie_t process, machine, title, legacyTitle;
    };
    std::vector<Asked> asked;
    for (const xcb_window_t window : windows)
        asked.push_back({askProperty(x, window, pid, XCB_ATOM_CARDINAL),
                         askProperty(x, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING),
                         askProperty(x, window, name, utf8), askProperty(x, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING)});
    std::vector<ClientWindow> described;
    for (std::size_t n = 0; n < windows.size(); ++n) {
        ClientWindow window{windows[n], std::nullopt, propertyValue(x, asked[n].machine), propertyValue(x, asked[n].title)};
        if (const std::string process = propertyValue(x, asked[n].process); process.size() == sizeof(std::uint32_t)) {
            std::uint32_t value = 0;
            std::memcpy(&value, process.data(), sizeof value);
            if (value <= std::uint32_t(INT32_MAX)) window.process = static_cast<std::int32_t>(value);
        }
        const std::string legacyTitle = propertyValue(x, asked[n].legacyTitle);  // read also to free its reply
        if (window.title.empty()) window.title = legacyTitle;
        // A name list ends each name with a null byte.
        window.machine = window.machine.substr(0, window.machine.find('\0'));
        described.push_back(std::move(window));
    }
    return described;
}

// A window's place and size on the screen, in Qt's coordinates.
std::optional<QRect> placeOnScreen(xcb_connection_t* x, xcb_window_t window) {
    const xcb_window_t root = rootOf(x);
    const xcb_get_geometry_cookie_t sizeAsked = xcb_get_geometry(x, window);
    const xcb_translate_coordinates_cookie_t cornerAsked = xcb_translate_coordinates(x, window, root, 0, 0);
    xcb_get_geometry_reply_t* size = xcb_get_geometry_reply(x, sizeAsked, nullptr);
    xcb_translate_coordinates_reply_t* corner = xcb_translate_coordinates_reply(x, cornerAsked, nullptr);
    std::optional<QRect> place;
    if (size && corner) {
        const qreal ratio = qGuiApp->devicePixelRatio();
        place = QRectF(corner->dst_x / ratio, corner->dst_y / ratio, size->width / ratio, size->height / ratio).toRect();
    }
    std::free(size);
    std::free(corner);
    return place;
}

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

}  // namespace

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

void keepOutOfTaskbars(QWidget& window) {
    xcb_connection_t* x = connection();
    if (!x) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const std::vector<xcb_atom_t> states{atom(x, "_NET_WM_STATE_SKIP_TASKBAR"), atom(x, "_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(x, XCB_PROP_MODE_APPEND, id, atom(x, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_flush(x);
}

std::optional<xcb_window_t> firstWindowOf(const std::vector<ClientWindow>& windows, std::int32_t process,
                                          const std::string& title, const std::string& host,
                                          const ParentProcess& parentOf) {
    const auto startedBy = [&](std::int32_t candidate) {
        for (int step = 0; step < kMaximumAncestry; ++step) {
            if (candidate == process) return true;
            if (candidate <= kInitProcess) return false;
            const std::optional<std::int32_t> parent = parentOf(candidate);
            if (!parent) return false;
            candidate = *parent;
        }
        return false;
    };
    for (const ClientWindow& window : windows)
        if (window.title == title && window.process && (window.machine.empty() || window.machine == host) &&
            startedBy(*window.process))
            return window.id;
    return std::nullopt;
}

std::optional<xcb_window_t> windowOfProcess(std::int32_t process, const std::string& title) {
    xcb_connection_t* x = connection();
    if (!x) return std::nullopt;
    return firstWindowOf(describe(x, topLevelWindows(x)), process, title, hostName(), parentProcessIdentifier);
}

std::unique_ptr<QWindow> makeTransientFor(QWidget& dialog, xcb_window_t owner) {
    xcb_connection_t* x = connection();
    if (!x) return nullptr;
    std::unique_ptr<QWindow> standIn(QWindow::fromWinId(static_cast<WId>(owner)));
    if (!standIn) return nullptr;
    // Qt names the transient parent in WM_TRANSIENT_FOR, and a modal window as such in
    // _NET_WM_STATE, when it maps the dialog.
    dialog.setWindowModality(Qt::WindowModal);
    dialog.winId();
    dialog.windowHandle()->setTransientParent(standIn.get());
    // Centred over it, as Qt centres a dialog over its parent: Qt knows neither the place nor the
    // size of another program's window. (The size it will open at: Qt sizes it to its hint.)
    if (const std::optional<QRect> area = placeOnScreen(x, owner)) {
        QRect placed({}, dialog.sizeHint());
        placed.moveCenter(area->center());
        if (const QScreen* screen = QGuiApplication::screenAt(area->center()))
            placed.moveTo(WindowPlacement::inside(placed, screen->availableGeometry()));
        dialog.move(placed.topLeft());
    }
    return standIn;
}

namespace {

// The X server's time now; absent without an answer. Only events carry it, and Qt's connection
// hands its events to Qt: a connection of its own (to Qt's server, which DISPLAY names, as the
// programs take no -display) changes a property of a window of its own and reads the time off the
// notification.
std::optional<xcb_timestamp_t> serverTime() {
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    std::optional<xcb_timestamp_t> now;
    if (!xcb_connection_has_error(x)) {
        const xcb_window_t probe = xcb_generate_id(x);
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(x, XCB_COPY_FROM_PARENT, probe, rootOf(x), 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        xcb_change_property(x, XCB_PROP_MODE_APPEND, probe, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(x);
        // The server sends the notification at once; a broken connection ends the wait.
        while (xcb_generic_event_t* event = xcb_wait_for_event(x)) {
            const bool notified = (event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY;
            if (notified) now = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
            std::free(event);
            if (notified) break;
        }
    }
    xcb_disconnect(x);
    return now;
}

}  // namespace

bool activate(QWidget& window) {
    xcb_connection_t* x = connection();
    if (!x) return false;
    const xcb_window_t root = rootOf(x);
    const xcb_atom_t active = atom(x, "_NET_ACTIVE_WINDOW");
    const std::vector<xcb_atom_t> supported = idList(x, root, atom(x, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    if (std::find(supported.begin(), supported.end(), active) == supported.end()) return false;
    const std::optional<xcb_timestamp_t> now = serverTime();
    if (!now) return false;
    const std::vector<xcb_window_t> current = idList(x, root, active);
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = static_cast<xcb_window_t>(window.winId());
    request.type = active;
    request.data.data32[0] = kRequestFromApplication;
    request.data.data32[1] = *now;
    request.data.data32[2] = current.empty() ? xcb_window_t(XCB_WINDOW_NONE) : current.front();
    xcb_send_event(x, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(x);
    return true;
}

}  // namespace platform::x11
