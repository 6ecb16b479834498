#pragma once

// The desktop of the agent's X tests: an Xvfb of the test's own, the windows on it as the X
// server reports them (as xdotool and xwininfo would tell them), clicks and keys through xdotool,
// and a screenshot of its screen.
#include <fcntl.h>
#include <poll.h>
#include <regex.h>
#include <sys/socket.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

#include "AgentProcessSupport.h"

namespace agenttest {

inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 800;

// Skips the test when one of the programs is not on PATH.
#define REQUIRE_PROGRAMS(...)                                  \
    for (const char* program : {__VA_ARGS__})                 \
        if (!agenttest::installed(program)) GTEST_SKIP() << program << " is not installed"

inline std::string which(const std::string& program) {
    std::string path = capture("command -v " + program);
    while (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
}

// An Xvfb of its own, on the display number it picks itself (-displayfd: the first number whose
// sockets no other server holds), dying with the thread that made it. It does not reset when its
// last client leaves: a reset closes the connection of a client that comes in meanwhile, and it
// runs xkbcomp again, which can fail on a busy machine and end the server. `display` is set once
// the server answers there and the one answering is this Xvfb.
class XServer {
public:
    explicit XServer(AgentSandbox& sandbox, int screenWidth = kScreenWidth, int screenHeight = kScreenHeight) {
        int announce[2];
        if (::pipe2(announce, O_CLOEXEC) != 0) return;
        const std::string size = std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24";
        process_ = std::make_unique<ChildProcess>(which("Xvfb"),
                                                  std::vector<std::string>{"-displayfd", "3", "-screen", "0", size,
                                                                           "-nolisten", "tcp", "-br", "-noreset"},
                                                  sandbox.environment(), sandbox.root / "xvfb.err", announce[1]);
        ::close(announce[1]);
        // The number and a newline come once the server listens; nothing comes when it fails.
        std::string announced;
        testsupport::Patience patience(kPatience);
        while (announced.find('\n') == std::string::npos) {
            pollfd in{announce[0], POLLIN, 0};
            const int ready = ::poll(&in, 1, 100);
            if (ready < 0 && errno != EINTR) break;
            if (ready <= 0) {
                if (patience.over()) break;
                continue;
            }
            char chunk[16];
            const ssize_t n = ::read(announce[0], chunk, sizeof chunk);
            if (n <= 0) break;
            announced.append(chunk, static_cast<std::size_t>(n));
        }
        ::close(announce[0]);
        const auto end = announced.find('\n');
        if (end == std::string::npos || end == 0 ||
            announced.find_first_not_of("0123456789") != end) {
            problem_ = "Xvfb announced no display (\"" + announced + "\")";
            return;
        }
        const std::string candidate = ":" + announced.substr(0, end);
        if (const std::string answering = answeredBy(candidate); !answering.empty()) {
            problem_ = answering;
            return;
        }
        display = candidate;
    }
    ~XServer() {
        if (connection_) xcb_disconnect(connection_);
        if (process_ && !process_->running() && !ended_)
            std::fprintf(stderr, "The test's X server ended before the test did: %s", describe().c_str());
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // A shell command run against this display; nothing once the server has ended, when the
    // number may already be another test's server.
    // (UTF-8, so that text it reads or writes, as the clipboard's, is passed as it is.)
    std::string run(const std::string& command) const {
        if (!running()) return "";
        return capture("LC_ALL=C.UTF-8 DISPLAY=" + display + " " + command);
    }

    // Whether the server still runs.
    bool running() const { return process_ && process_->running(); }
    // Ends the server at once, as a display ends under its clients.
    void end() {
        ended_ = true;
        if (process_) process_->signal(SIGKILL);
    }

    // The test's own connection to the server, made on first use; null when there is none.
    xcb_connection_t* connection() const {
        if (!connection_ && !display.empty()) connection_ = xcb_connect(display.c_str(), nullptr);
        return connection_ && !xcb_connection_has_error(connection_) ? connection_ : nullptr;
    }

    // For a failure's message: whether the server runs or how it ended, why it has no display,
    // and the end of its log.
    std::string describe() const {
        if (!process_) return "Xvfb could not be started\n";
        return "X server " + (display.empty() ? "without a display" : "on " + display) +
               (problem_.empty() ? "" : " (" + problem_ + ")") + ": " + process_->describe();
    }

    std::string display;  // empty when it did not start

private:
    // Empty when this server answers on `candidate`; else what went wrong. A connection's peer is
    // the server's process, so a display that another server answers is never taken for this one.
    std::string answeredBy(const std::string& candidate) const {
        xcb_connection_t* connection = xcb_connect(candidate.c_str(), nullptr);
        std::string problem;
        if (const int error = xcb_connection_has_error(connection)) {
            problem = "no connection to " + candidate + " (xcb error " + std::to_string(error) + ")";
        } else {
            ucred peer{};
            socklen_t length = sizeof peer;
            if (::getsockopt(xcb_get_file_descriptor(connection), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
                problem = "the server on " + candidate + " cannot be identified";
            else if (peer.pid != process_->pid())
                problem = candidate + " is answered by process " + std::to_string(peer.pid) + ", not by this Xvfb";
        }
        xcb_disconnect(connection);
        return problem;
    }

    std::unique_ptr<ChildProcess> process_;
    std::string problem_;
    bool ended_ = false;
    mutable xcb_connection_t* connection_ = nullptr;
};

// A top-level window as the X server has it: frame in X's top-left-origin coordinates.
struct XWindow {
    std::string id;
    std::string name;
    std::array<int, 4> frame{};  // x, y, width, height
    bool viewable = false;
    friend bool operator==(const XWindow&, const XWindow&) = default;
};

namespace detail {

inline xcb_atom_t atom(xcb_connection_t* connection, const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The value of a window's property; empty when the window or the property is missing.
inline std::string property(xcb_connection_t* connection, xcb_get_property_cookie_t cookie) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    std::string value;
    if (reply)
        value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return value;
}

inline xcb_get_property_cookie_t askProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                                             xcb_atom_t type) {
    return xcb_get_property(connection, 0, window, name, type, 0, 1024);
}

// A window as xwininfo tells it: its name (_NET_WM_NAME, else WM_NAME), the outer top-left corner
// in root coordinates, its size and whether it is viewable.
inline XWindow windowInfo(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    XWindow info;
    info.id = std::to_string(window);
    info.frame = {-1, -1, -1, -1};
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    if (geometry && attributes) {
        const std::int16_t border = static_cast<std::int16_t>(geometry->border_width);
        xcb_translate_coordinates_reply_t* corner = xcb_translate_coordinates_reply(
            connection, xcb_translate_coordinates(connection, window, root, static_cast<std::int16_t>(-border),
                                                  static_cast<std::int16_t>(-border)),
            nullptr);
        if (corner) info.frame = {corner->dst_x, corner->dst_y, geometry->width, geometry->height};
        std::free(corner);
        info.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        info.name = property(connection, askProperty(connection, window, atom(connection, "_NET_WM_NAME"),
                                                     atom(connection, "UTF8_STRING")));
        if (info.name.empty())
            info.name = property(connection, askProperty(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING));
    }
    std::free(geometry);
    std::free(attributes);
    return info;
}

}  // namespace detail

// Numbers of a window's CARDINAL property, or of one of that type, as WINDOW (empty when it is missing).
inline std::vector<std::uint32_t> cardinals(const XServer& x, xcb_window_t window, const std::string& name,
                                            xcb_atom_t type = XCB_ATOM_CARDINAL) {
    xcb_connection_t* connection = x.connection();
    if (!connection) return {};
    const std::string bytes =
        detail::property(connection, detail::askProperty(connection, window, detail::atom(connection, name), type));
    std::vector<std::uint32_t> numbers(bytes.size() / 4);
    if (!numbers.empty()) std::memcpy(numbers.data(), bytes.data(), numbers.size() * 4);
    return numbers;
}

// The names of the atoms in a window's ATOM property (its _NET_WM_STATE, say).
inline std::vector<std::string> atomNames(const XServer& x, xcb_window_t window, const std::string& name) {
    xcb_connection_t* connection = x.connection();
    std::vector<std::string> names;
    if (!connection) return names;
    const std::string bytes =
        detail::property(connection, detail::askProperty(connection, window, detail::atom(connection, name), XCB_ATOM_ATOM));
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        xcb_atom_t atom;
        std::memcpy(&atom, bytes.data() + at, 4);
        xcb_get_atom_name_reply_t* reply = xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, atom), nullptr);
        if (reply) names.emplace_back(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
        std::free(reply);
    }
    return names;
}

// A laptop's desktop on the test's X server: openbox draws the windows' frames, and a panel along
// the top edge reserves `panelHeight` pixels (a dock window with a strut, as a desktop's panel sets
// it), so that the screen's available area, which the window manager publishes as _NET_WORKAREA,
// starts below the panel. Ready once openbox has published that area.
class FramedDesktop {
public:
    static constexpr int panelHeight = 28;

    FramedDesktop(AgentSandbox& sandbox, const XServer& x) : x_(x) {
        xcb_connection_t* connection = x.connection();
        if (!connection) return;
        auto env = sandbox.environment();
        env["DISPLAY"] = x.display;
        openbox_ = std::make_unique<ChildProcess>(which("openbox"), std::vector<std::string>{"--sm-disable"}, env,
                                                  sandbox.root / "openbox.err");
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        width_ = screen->width_in_pixels;
        height_ = screen->height_in_pixels;
        // The panel: a dock window whose strut reserves the top edge across the whole width.
        panel_ = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, panel_, screen->root, 0, 0, width_, panelHeight, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        const xcb_atom_t dock = detail::atom(connection, "_NET_WM_WINDOW_TYPE_DOCK");
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, panel_, detail::atom(connection, "_NET_WM_WINDOW_TYPE"),
                            XCB_ATOM_ATOM, 32, 1, &dock);
        const std::uint32_t strut[12] = {0, 0, panelHeight, 0, 0, 0, 0, 0, 0, std::uint32_t(width_ - 1), 0, 0};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, panel_, detail::atom(connection, "_NET_WM_STRUT_PARTIAL"),
                            XCB_ATOM_CARDINAL, 32, 12, strut);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, panel_, detail::atom(connection, "_NET_WM_STRUT"),
                            XCB_ATOM_CARDINAL, 32, 4, strut);
        xcb_map_window(connection, panel_);
        xcb_flush(connection);
        ready_ = waitUntil([&] { return workArea() == std::array<int, 4>{0, panelHeight, width_, height_ - panelHeight}; });
    }
    FramedDesktop(const FramedDesktop&) = delete;
    FramedDesktop& operator=(const FramedDesktop&) = delete;

    // Whether openbox runs and has made room for the panel.
    bool ready() const { return ready_ && openbox_ && openbox_->running(); }

    // The available area as the window manager publishes it: x, y, width, height.
    std::array<int, 4> workArea() const {
        xcb_connection_t* connection = x_.connection();
        if (!connection) return {};
        const auto area = cardinals(x_, xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root, "_NET_WORKAREA");
        if (area.size() < 4) return {};
        return {int(area[0]), int(area[1]), int(area[2]), int(area[3])};
    }

    // A window's outer frame, the window manager's decoration included (_NET_FRAME_EXTENTS: left,
    // right, top, bottom); absent until the window manager has framed it.
    std::optional<std::array<int, 4>> outerFrame(const XWindow& window) const {
        const auto extents = cardinals(x_, static_cast<xcb_window_t>(std::stoul(window.id)), "_NET_FRAME_EXTENTS");
        if (extents.size() != 4) return std::nullopt;
        const auto [x, y, w, h] = window.frame;
        return std::array<int, 4>{x - int(extents[0]), y - int(extents[2]), w + int(extents[0] + extents[1]),
                                  h + int(extents[2] + extents[3])};
    }

    std::string describe() { return "openbox " + (openbox_ ? openbox_->describe() : std::string("did not start\n")); }

private:
    const XServer& x_;
    std::unique_ptr<ChildProcess> openbox_;
    xcb_window_t panel_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool ready_ = false;
};

// The windows whose WM_CLASS instance name matches `pattern` (an extended regular expression,
// ignoring case), in the order xdotool's search finds them: a window's children, then the windows
// under each child. Asked of the server over the test's own connection, so that polling for a
// window starts no program.
inline std::vector<XWindow> windowsOfClass(const XServer& x, const std::string& pattern) {
    std::vector<XWindow> windows;
    xcb_connection_t* connection = x.connection();
    regex_t expression;
    if (!connection || ::regcomp(&expression, pattern.c_str(), REG_EXTENDED | REG_ICASE | REG_NOSUB) != 0)
        return windows;
    std::function<void(xcb_window_t)> search = [&](xcb_window_t parent) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, parent), nullptr);
        if (!tree) return;
        const xcb_window_t* first = xcb_query_tree_children(tree);
        const std::vector<xcb_window_t> children(first, first + xcb_query_tree_children_length(tree));
        std::free(tree);
        std::vector<xcb_get_property_cookie_t> classes;
        for (const xcb_window_t child : children)
            classes.push_back(detail::askProperty(connection, child, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING));
        for (std::size_t n = 0; n < children.size(); ++n) {
            const std::string wmClass = detail::property(connection, classes[n]);
            const std::string instance = wmClass.substr(0, wmClass.find('\0'));
            if (!wmClass.empty() && ::regexec(&expression, instance.c_str(), 0, nullptr, 0) == 0)
                windows.push_back(detail::windowInfo(connection, children[n]));
        }
        for (const xcb_window_t child : children) search(child);
    };
    search(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root);
    ::regfree(&expression);
    return windows;
}

// The first viewable window of that class, and of that name when one is given.
inline std::optional<XWindow> viewableWindow(const XServer& x, const std::string& pattern,
                                             const std::optional<std::string>& name = std::nullopt) {
    for (const XWindow& window : windowsOfClass(x, pattern))
        if (window.viewable && window.frame[2] > 1 && window.frame[3] > 1 && (!name || window.name == *name))
            return window;
    return std::nullopt;
}

// Whether the window with that id is still mapped (false too once it is gone).
inline bool viewable(const XServer& x, const std::string& id) {
    xcb_connection_t* connection = x.connection();
    if (!connection) return false;
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, static_cast<xcb_window_t>(std::stoul(id))), nullptr);
    const bool mapped = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return mapped;
}

// Whether a window has the size of the window it is in.
inline bool fillsItsParent(const XServer& x, const std::string& id) {
    xcb_connection_t* connection = x.connection();
    if (!connection) return false;
    const auto window = static_cast<xcb_window_t>(std::stoul(id));
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    xcb_get_geometry_reply_t* own = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    xcb_get_geometry_reply_t* parent =
        tree ? xcb_get_geometry_reply(connection, xcb_get_geometry(connection, tree->parent), nullptr) : nullptr;
    const bool fills = own && parent && own->width == parent->width && own->height == parent->height;
    std::free(tree);
    std::free(own);
    std::free(parent);
    return fills;
}

// What `read` gives once it has given the same for half a second of the time the processes could
// run: a window that the window manager frames and places, or that grows in steps, is read once it
// has come to rest (a frame read in between is not where a person sees it). None when `read` gives
// none, or its answer keeps changing, for as long as a test waits.
template <typename Read>
auto settled(const Read& read) -> decltype(read()) {
    constexpr double settling = 0.5;
    decltype(read()) value, seen;
    testsupport::Patience steady(settling);
    const bool rested = waitUntil([&] {
        value = read();
        if (value != seen) {
            seen = value;
            steady = testsupport::Patience(settling);
        }
        return value && steady.over();
    });
    return rested ? value : decltype(read()){};
}

// The agent's docked tray icon (its class is the agent's program name), once the tray has laid it
// out; none while it is not docked. The tray maps the icon into its slot before it sizes it to the
// slot, and it may size the slot more than once (to the icon's size, then to the panel's height): a
// frame read in between is not where the agent anchors its panel, and a click there may miss. The
// frame counts once the icon fills its slot and has settled there.
inline std::optional<std::array<int, 4>> dockedIcon(const XServer& x) {
    return settled([&]() -> std::optional<std::array<int, 4>> {
        const auto icon = viewableWindow(x, "^Kavrinet$");
        if (!icon || !fillsItsParent(x, icon->id)) return std::nullopt;
        return icon->frame;
    });
}

// Clicks the middle of a frame with the first button. (Not --sync: that waits for the pointer to
// move, for long when it is there already; the server takes the move before the click anyway.)
inline void clickAt(const XServer& x, const std::array<int, 4>& frame) {
    x.run("xdotool mousemove " + std::to_string(frame[0] + frame[2] / 2) + " " +
          std::to_string(frame[1] + frame[3] / 2) + " click 1");
}

// The sandbox's environment on that X server; `launchEvent` as the launcher would set it.
inline std::map<std::string, std::string> onDisplay(const AgentSandbox& sandbox, const XServer& x,
                                                    const std::optional<std::string>& launchEvent) {
    auto env = sandbox.environment();
    env.erase("QT_QPA_PLATFORM");
    env["DISPLAY"] = x.display;
    if (launchEvent) env["KAVRINET_LAUNCH_EVENT"] = *launchEvent;
    return env;
}

// The X server's whole screen; null when it cannot be read.
inline QImage screenImage(const XServer& x) {
    xcb_connection_t* connection = xcb_connect(x.display.c_str(), nullptr);
    QImage picture;
    if (!xcb_connection_has_error(connection)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            connection,
            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0, screen->width_in_pixels,
                          screen->height_in_pixels, ~0u),
            nullptr);
        // A 24-bit screen comes as 32-bit pixels in the server's (here little-endian) byte order.
        const int length = image ? xcb_get_image_data_length(image) : 0;
        if (image && image->depth == 24 && length == screen->width_in_pixels * screen->height_in_pixels * 4) {
            picture = QImage(xcb_get_image_data(image), screen->width_in_pixels, screen->height_in_pixels,
                             screen->width_in_pixels * 4, QImage::Format_RGB32)
                          .copy();
        }
        std::free(image);
    }
    xcb_disconnect(connection);
    return picture;
}

// Writes the X server's whole screen as <name>.png into the folder ctest names in
// KAVRINET_SCREENSHOTS; does nothing without it. With a window's frame, it first waits until the
// window has drawn itself: no corner still shows the black root behind it (a colour no window of
// ours paints there), and what it shows has stayed the same for a while, so a window that has
// just grown or shrunk has painted its new content. A picture that cannot be taken or written
// fails the case, as the offscreen tests' screenshots do.
inline void screenshot(const XServer& x, const std::string& name,
                       const std::optional<std::array<int, 4>>& frame = std::nullopt) {
    const char* folder = std::getenv("KAVRINET_SCREENSHOTS");
    if (!folder) return;
    std::filesystem::create_directories(folder);
    constexpr auto steadyFor = std::chrono::milliseconds(300);
    QImage picture, previous;
    auto steadySince = std::chrono::steady_clock::now();
    const bool drawn = waitUntil([&] {
        picture = screenImage(x);
        if (picture.isNull() || !frame) return !picture.isNull();
        const auto [left, top, width, height] = *frame;
        const QRect shown = QRect(left, top, width, height) & picture.rect();  // the part on the screen
        if (previous.isNull() || picture.copy(shown) != previous.copy(shown)) steadySince = std::chrono::steady_clock::now();
        previous = picture;
        for (const QPoint corner : {shown.topLeft(), shown.bottomRight()})
            if ((picture.pixel(corner) & 0xffffff) == 0) return false;
        return !shown.isEmpty() && std::chrono::steady_clock::now() - steadySince >= steadyFor;
    });
    const std::string file = std::string(folder) + "/" + name + ".png";
    EXPECT_TRUE(drawn && picture.save(QString::fromStdString(file))) << "cannot write " << file;
}

}  // namespace agenttest
