#pragma once

// The desktop of the agent's X tests: an Xvfb of the test's own, the windows on it as the X
// server reports them (xdotool, xwininfo), and a screenshot of its screen.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <QImage>
#include <QString>

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

// An Xvfb of its own, on the display number it picks itself (-displayfd).
class XServer {
public:
    explicit XServer(AgentSandbox& sandbox, int screenWidth = kScreenWidth, int screenHeight = kScreenHeight) {
        int announce[2];
        if (::pipe2(announce, O_CLOEXEC) != 0) return;
        const std::string size = std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24";
        process_ = std::make_unique<ChildProcess>(which("Xvfb"),
                                                  std::vector<std::string>{"-displayfd", "3", "-screen", "0", size,
                                                                           "-nolisten", "tcp", "-br"},
                                                  sandbox.environment(), sandbox.root / "xvfb.err", announce[1]);
        ::close(announce[1]);
        std::string number;
        waitUntil([&] {
            pollfd in{announce[0], POLLIN, 0};
            if (::poll(&in, 1, 0) <= 0) return false;
            char c = 0;
            if (::read(announce[0], &c, 1) != 1 || c == '\n') return true;
            number += c;
            return false;
        });
        ::close(announce[0]);
        if (!number.empty()) display = ":" + number;
    }

    // A shell command run against this display.
    // (UTF-8, so that xwininfo gives window names as they are.)
    std::string run(const std::string& command) const {
        return capture("LC_ALL=C.UTF-8 DISPLAY=" + display + " " + command);
    }

    std::string display;  // empty when it did not start

private:
    std::unique_ptr<ChildProcess> process_;
};

// A top-level window as the X server has it: frame in X's top-left-origin coordinates.
struct XWindow {
    std::string id;
    std::string name;
    std::array<int, 4> frame{};  // x, y, width, height
    bool viewable = false;
};

// The windows whose WM_CLASS instance name matches `pattern` (an extended regular expression).
inline std::vector<XWindow> windowsOfClass(const XServer& x, const std::string& pattern) {
    std::vector<XWindow> windows;
    std::istringstream ids(x.run("xdotool search --classname '" + pattern + "' 2>/dev/null"));
    std::string id;
    while (ids >> id) {
        const std::string info = x.run("xwininfo -id " + id + " 2>/dev/null");
        auto number = [&](const std::string& label) {
            const auto at = info.find(label);
            return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + label.size());
        };
        XWindow window;
        window.id = id;
        if (const auto open = info.find(" \""); open != std::string::npos) {
            const auto close = info.find("\"\n", open + 2);
            if (close != std::string::npos) window.name = info.substr(open + 2, close - open - 2);
        }
        window.frame = {number("Absolute upper-left X:"), number("Absolute upper-left Y:"), number("Width:"),
                        number("Height:")};
        window.viewable = info.find("IsViewable") != std::string::npos;
        windows.push_back(window);
    }
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
    return x.run("xwininfo -id " + id + " 2>/dev/null").find("IsViewable") != std::string::npos;
}

// The agent's docked tray icon (its class is the agent's program name).
inline std::optional<std::array<int, 4>> dockedIcon(const XServer& x) {
    if (auto icon = viewableWindow(x, "^Kavrinet$")) return icon->frame;
    return std::nullopt;
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
// just grown or shrunk has painted its new content. True when the file was written.
inline bool screenshot(const XServer& x, const std::string& name,
                       const std::optional<std::array<int, 4>>& frame = std::nullopt) {
    const char* folder = std::getenv("KAVRINET_SCREENSHOTS");
    if (!folder) return false;
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
    return drawn && picture.save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
}

}  // namespace agenttest
