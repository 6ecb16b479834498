// The built agent with the real KavrinetUI on a real X server (Xvfb), each on a fresh profile and
// the test's own session bus, driven as a user would: keys and clicks through xdotool, windows read
// back from the X server. The witness at the agent's UI-app path runs the real UI app and reports
// its exit status and what it sent. Skipped where these programs are not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "DesktopSupport.h"

namespace {

using agenttest::AgentSandbox;
using agenttest::ChildProcess;
using agenttest::json;
using agenttest::kScreenHeight;
using agenttest::kScreenWidth;
using agenttest::onDisplay;
using agenttest::viewableWindow;
using agenttest::waitUntil;
using agenttest::XServer;
using agenttest::XWindow;

constexpr char kBundleIdentifier[] = "local.mirosal.Kavrinet";
constexpr char kLoginLaunch[] = "aevt/oapp/lgit";  // a login start opens no window
constexpr char kUIClass[] = "^KavrinetUI$";
constexpr char kWelcomeTitle[] = "Kavrinet 시작하기";
constexpr char kQuickPanelTitle[] = "Kavrinet 빠른 보기";
constexpr char kAppStarted[] = "앱 시작 · 마운트 유지 관측 모드";
constexpr int kPanelGap = 6;  // the panel's top below the icon's bottom

const json kReady = json::parse(R"({"ready":{"_0":1}})");
const json kQuit = json::parse(R"({"command":{"_0":{"quit":{}}}})");
const json kClosing = json::parse(R"({"closing":{}})");

// What a failing check shows: both programs' standard error, and how the agent, the X server and
// the tray (when there is one) are.
std::string diagnostics(const AgentSandbox& sandbox, ChildProcess& agent, const XServer& x,
                        ChildProcess* tray = nullptr) {
    std::string text = "agent (" + agent.state() + "):\n" + agent.standardError();
    for (int n = 1; n <= sandbox.witness.instances(); ++n)
        text += "\nUI app " + std::to_string(n) + ":\n" + sandbox.witness.standardError(n);
    return text + "\n" + x.describe() + (tray ? tray->describe() : "");
}

bool processExists(pid_t pid) { return std::filesystem::exists("/proc/" + std::to_string(pid)); }

TEST(AgentWithUIApp, AManualFirstStartShowsWelcomeAndQuitInTheUIAppEndsBothProgramsCleanly) {
    REQUIRE_PROGRAMS("Xvfb", "xdotool", "xwininfo");
    AgentSandbox sandbox;
    XServer x(sandbox);
    ASSERT_FALSE(x.display.empty()) << x.describe();
    ChildProcess agent(KAVRINET_AGENT_WITH_UI, {}, onDisplay(sandbox, x, std::nullopt), sandbox.root / "agent.err");

    std::optional<XWindow> welcome;
    ASSERT_TRUE(waitUntil([&] { return (welcome = viewableWindow(x, kUIClass, kWelcomeTitle)).has_value(); }))
        << diagnostics(sandbox, agent, x);
    EXPECT_EQ(sandbox.witness.instances(), 1);
    ASSERT_FALSE(sandbox.witness.sent(1).empty());
    EXPECT_EQ(sandbox.witness.sent(1).front(), kReady);
    agenttest::screenshot(x, "desktop-welcome-on-a-first-start", welcome->frame);

    // The menu's quit, by its shortcut, in the window that has the keyboard.
    x.run("xdotool windowfocus " + welcome->id + " key ctrl+q");
    EXPECT_EQ(agent.waitForExit(), 0) << diagnostics(sandbox, agent, x);
    ASSERT_TRUE(waitUntil([&] { return sandbox.witness.exitStatus(1).has_value(); })) << diagnostics(sandbox, agent, x);
    EXPECT_EQ(sandbox.witness.exitStatus(1), 0) << diagnostics(sandbox, agent, x);
    EXPECT_TRUE(sandbox.witness.sentAny(1, kQuit));
    EXPECT_EQ(sandbox.witness.instances(), 1);
    // The agent ended its work session and wrote its log on the way out.
    EXPECT_NE(TemporaryFolder::readFile(sandbox.recentEvents()).find(kAppStarted), std::string::npos);
}

TEST(AgentWithUIApp, TheTrayIconOpensTheQuickPanelUnderItAndEscapeEndsTheUIAppButNotTheAgent) {
    REQUIRE_PROGRAMS("Xvfb", "trayer", "xdotool", "xwininfo", "dbus-send");
    AgentSandbox sandbox;
    XServer x(sandbox);
    ASSERT_FALSE(x.display.empty()) << x.describe();
    const auto env = onDisplay(sandbox, x, kLoginLaunch);
    ChildProcess agent(KAVRINET_AGENT_WITH_UI, {}, env, sandbox.root / "agent.err");
    ASSERT_TRUE(waitUntil([] { return agenttest::busNameOwned(kBundleIdentifier); })) << agent.standardError();
    ChildProcess tray(agenttest::which("trayer"), {"--edge", "top"}, env, sandbox.root / "trayer.err");
    std::optional<std::array<int, 4>> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = agenttest::dockedIcon(x)).has_value(); }))
        << diagnostics(sandbox, agent, x, &tray);
    EXPECT_EQ(sandbox.witness.instances(), 0);

    agenttest::clickAt(x, *icon);
    std::optional<XWindow> panel;
    ASSERT_TRUE(waitUntil([&] { return (panel = viewableWindow(x, kUIClass, kQuickPanelTitle)).has_value(); }))
        << diagnostics(sandbox, agent, x, &tray);

    // Centred under the icon, its top a gap below it, kept inside the screen (no window manager
    // reserves any of it, so the visible frame is the whole screen).
    const auto [px, py, width, height] = panel->frame;
    const double iconMiddle = (*icon)[0] + (*icon)[2] / 2.0;
    const double expectedX = std::max(0.0, std::min(double(kScreenWidth - width), iconMiddle - width / 2.0));
    EXPECT_NEAR(px, expectedX, 1.0);
    EXPECT_EQ(py, (*icon)[1] + (*icon)[3] + kPanelGap);
    EXPECT_GE(px, 0);
    EXPECT_GE(py, 0);
    EXPECT_LE(px + width, kScreenWidth);
    EXPECT_LE(py + height, kScreenHeight);
    agenttest::screenshot(x, "desktop-quick-panel-under-the-tray-icon", panel->frame);

    const std::optional<pid_t> ui = sandbox.witness.pid(1);
    ASSERT_TRUE(ui);
    x.run("xdotool windowfocus " + panel->id + " key Escape");
    EXPECT_TRUE(waitUntil([&] { return !agenttest::viewable(x, panel->id); })) << diagnostics(sandbox, agent, x, &tray);
    ASSERT_TRUE(waitUntil([&] { return sandbox.witness.exitStatus(1).has_value(); }))
        << diagnostics(sandbox, agent, x, &tray);
    EXPECT_EQ(sandbox.witness.exitStatus(1), 0) << diagnostics(sandbox, agent, x, &tray);
    EXPECT_TRUE(sandbox.witness.sentAny(1, kClosing));
    EXPECT_FALSE(processExists(*ui));
    EXPECT_TRUE(agent.running());

    // The next click starts a fresh UI app with the panel.
    agenttest::clickAt(x, *icon);
    ASSERT_TRUE(waitUntil([&] { return (panel = viewableWindow(x, kUIClass, kQuickPanelTitle)).has_value(); }))
        << diagnostics(sandbox, agent, x, &tray);
    EXPECT_EQ(sandbox.witness.instances(), 2);

    agent.signal(SIGTERM);
    EXPECT_EQ(agent.waitForExit(), 0) << diagnostics(sandbox, agent, x, &tray);
    ASSERT_TRUE(waitUntil([&] { return sandbox.witness.exitStatus(2).has_value(); }))
        << diagnostics(sandbox, agent, x, &tray);
    EXPECT_EQ(sandbox.witness.exitStatus(2), 0) << diagnostics(sandbox, agent, x, &tray);
}

// On a laptop's desktop (openbox drawing frames, a top panel), the agent's save panel, asked for by
// the preview's save button, belongs to the preview: transient for it and still above it after a
// click on the preview (once the UI app has that click, the window manager has acted on it). Escape
// cancels it.
TEST(AgentWithUIApp, TheSavePanelStaysAboveTheDiagnosticPreviewThatAskedForIt) {
    REQUIRE_PROGRAMS("Xvfb", "openbox", "xdotool");
    AgentSandbox sandbox;
    XServer x(sandbox, 1366, 768);
    ASSERT_FALSE(x.display.empty()) << x.describe();
    agenttest::FramedDesktop desktop(sandbox, x);
    ASSERT_TRUE(desktop.ready()) << desktop.describe() << x.describe();
    ChildProcess agent(KAVRINET_AGENT_WITH_UI, {}, onDisplay(sandbox, x, std::nullopt), sandbox.root / "agent.err");
    std::optional<XWindow> shown;
    const auto opens = [&](const char* pattern, const char* title) {
        return waitUntil([&] { return (shown = viewableWindow(x, pattern, title)).has_value(); });
    };
    // Where the window is at the moment of the click (the UI app places a window again once it is framed).
    const auto click = [&](const XWindow& w, int dx, int dy) {
        x.run("xdotool mousemove --window " + w.id + " " + std::to_string(dx) + " " + std::to_string(dy) + " click 1");
    };
    const auto id = [](const XWindow& window) { return static_cast<xcb_window_t>(std::stoul(window.id)); };
    ASSERT_TRUE(opens(kUIClass, kWelcomeTitle)) << diagnostics(sandbox, agent, x);
    x.run("xdotool windowfocus " + shown->id + " key ctrl+l");
    ASSERT_TRUE(opens(kUIClass, "활동 기록")) << diagnostics(sandbox, agent, x);
    click(*shown, shown->frame[2] - 90, 65);  // the title row's preview button
    ASSERT_TRUE(opens(kUIClass, "진단 미리보기")) << diagnostics(sandbox, agent, x);
    const XWindow preview = *shown;
    click(preview, preview.frame[2] - 70, preview.frame[3] - 44);  // "저장…" at the end of the last row
    ASSERT_TRUE(opens("^Kavrinet$", "관측 진단 저장")) << diagnostics(sandbox, agent, x);
    const XWindow panel = *shown;
    EXPECT_EQ(agenttest::cardinals(x, id(panel), "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW), std::vector{id(preview)});

    // On the preview's heading, clear of the panel.
    const auto userTime = agenttest::cardinals(x, id(preview), "_NET_WM_USER_TIME");
    click(preview, 60, 60);
    EXPECT_TRUE(waitUntil([&] { return agenttest::cardinals(x, id(preview), "_NET_WM_USER_TIME") != userTime; }))
        << "the click did not reach the preview";
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x.connection())).data->root;
    const auto stacking = agenttest::cardinals(x, root, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);  // bottom first
    const auto place = [&](const XWindow& window) { return std::find(stacking.begin(), stacking.end(), id(window)); };
    EXPECT_TRUE(place(preview) < place(panel) && place(panel) != stacking.end()) << x.run("xprop -root");

    x.run("xdotool windowfocus " + panel.id + " key Escape");
    EXPECT_TRUE(waitUntil([&] { return !agenttest::viewable(x, panel.id); })) << diagnostics(sandbox, agent, x);
    EXPECT_TRUE(agent.running());
}

}  // namespace
