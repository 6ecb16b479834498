// The built agent on a real X server (Xvfb): its status item in a real system tray (trayer) that
// starts after it, clicked with xdotool; a StatusNotifierWatcher that appears on the session bus
// after it; its display (Xvfb, or weston's Wayland) ending under it; and a start on a display
// while it runs without one. Skipped where these programs are not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <QColor>
#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <QTest>

#include "DesktopSupport.h"
#include "Quentrel/App/DisplayCheck.h"
#include "Quentrel/Support/DisplayPlatform.h"
#include "Support/ContrastRatio.h"

namespace {

using agenttest::AgentSandbox;
using agenttest::ChildProcess;
using agenttest::json;
using agenttest::kScreenHeight;
using agenttest::onDisplay;
using agenttest::waitUntil;
using agenttest::which;
using agenttest::XServer;

constexpr char kBundleIdentifier[] = "local.mirosal.Kavrinet";
constexpr char kLoginLaunch[] = "aevt/oapp/lgit";  // a login start opens no window
constexpr char kAppStarted[] = "앱 시작 · 마운트 유지 관측 모드";

TEST(AgentDesktop, AClickOnTheIconInATrayThatStartedLaterOpensTheQuickViewAnchoredAtTheIcon) {
    REQUIRE_PROGRAMS("Xvfb", "trayer", "xdotool", "xwininfo", "dbus-send");
    AgentSandbox sandbox;
    XServer x(sandbox);
    ASSERT_FALSE(x.display.empty()) << x.describe();
    const auto env = onDisplay(sandbox, x, kLoginLaunch);
    ChildProcess agent(KAVRINET_AGENT_WITH_STUB, {}, env, sandbox.root / "agent.err");
    ASSERT_TRUE(waitUntil([] { return agenttest::busNameOwned(kBundleIdentifier); })) << agent.standardError();

    ChildProcess tray(which("trayer"), {"--edge", "top"}, env, sandbox.root / "trayer.err");
    std::optional<std::array<int, 4>> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = agenttest::dockedIcon(x)).has_value(); }))
        << agent.describe() << tray.describe() << x.describe();
    EXPECT_EQ(sandbox.stub.instances(), 0);

    agenttest::clickAt(x, *icon);
    ASSERT_TRUE(waitUntil([&] { return !sandbox.stub.withoutStates(1).empty(); }))
        << agent.describe() << tray.describe() << x.describe();
    const std::vector<double> anchor = {double((*icon)[0]), double(kScreenHeight - ((*icon)[1] + (*icon)[3])),
                                        double((*icon)[2]), double((*icon)[3])};
    const json expected = {{"present", {{"_0", {{"window", "quick-view"}, {"anchor", anchor}}}}}};
    EXPECT_EQ(sandbox.stub.withoutStates(1).front(), expected);
    agent.signal(SIGTERM);
    EXPECT_EQ(agent.waitForExit(), 0);
}

// The status item reads on a light panel (the tray's default, the usual #DCDAD5) and on a dark
// one: a tenth of the icon at least stands apart from the panel by 3:1 or more.
TEST(AgentDesktop, TheIconStandsOutOnALightAndOnADarkPanel) {
    REQUIRE_PROGRAMS("Xvfb", "trayer", "xdotool", "xwininfo", "dbus-send");
    for (const auto& [panel, tint] : {std::pair{"light", ""}, {"dark", "0x2B2B2B"}}) {
        AgentSandbox sandbox;
        XServer x(sandbox);
        const auto env = onDisplay(sandbox, x, kLoginLaunch);
        ChildProcess agent(KAVRINET_AGENT_WITH_STUB, {}, env, sandbox.root / "agent.err");
        std::vector<std::string> options{"--edge", "top"};
        if (*tint) options.insert(options.end(), {"--transparent", "true", "--alpha", "0", "--tint", tint});
        ChildProcess tray(which("trayer"), options, env, sandbox.root / "trayer.err");
        std::optional<std::array<int, 4>> icon;
        ASSERT_TRUE(waitUntil([&] { return (icon = agenttest::dockedIcon(x)).has_value(); }))
            << agent.describe() << tray.describe() << x.describe();
        const auto [left, top, width, height] = *icon;
        int standingOut = 0;
        waitUntil([&] {
            const QImage screen = agenttest::screenImage(x);
            standingOut = 0;
            for (int row = top; row < top + height; ++row)  // against a corner, which the glyph leaves clear
                for (int column = left; column < left + width; ++column)
                    standingOut +=
                        testsupport::contrastRatio(screen.pixelColor(column, row), screen.pixelColor(left, top)) >= 3;
            return standingOut >= width * height / 10;
        }, 10);
        EXPECT_GE(standingOut, width * height / 10) << panel;
        agenttest::screenshot(x, std::string("desktop-tray-icon-on-a-") + panel + "-panel");
    }
}

// A UI app that cannot start is told in a box as wide as its text, with Qt's words in Korean.
TEST(AgentDesktop, TheLaunchFailureAlertFitsItsText) {
    REQUIRE_PROGRAMS("Xvfb", "xdotool", "xwininfo", "dbus-send");
    AgentSandbox sandbox;
    XServer x(sandbox);
    auto env = onDisplay(sandbox, x, std::nullopt);  // a start by hand asks for the welcome window
    env["LANG"] = "ko_KR.UTF-8";
    ChildProcess agent(KAVRINET_AGENT_WITHOUT_UI, {}, env, sandbox.root / "agent.err");
    std::optional<agenttest::XWindow> alert;
    ASSERT_TRUE(waitUntil([&] { return (alert = agenttest::viewableWindow(x, "^Kavrinet$", "Kavrinet")).has_value(); }))
        << agent.describe() << x.describe();
    EXPECT_GE(alert->frame[2], 300);
    agenttest::screenshot(x, "desktop-launch-failure-alert", alert->frame);
}

// What a panel's StatusNotifierWatcher offers: a host is registered, items register with it.
class FakeStatusNotifierWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return items_; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { items_ << service; }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QStringList items_;
};

// The item's menu, for hosts that open it on a click (GNOME's AppIndicator extension), holds the
// application menu's items, each doing what that item does; a click (Activate, as Xfce's panel,
// waybar or KDE send it) still toggles the quick view.
TEST(AgentDesktop, AStatusNotifierWatcherThatAppearsLaterGetsTheItem) {
    REQUIRE_PROGRAMS("Xvfb", "dbus-send");
    AgentSandbox sandbox;
    XServer x(sandbox);
    ASSERT_FALSE(x.display.empty());
    ChildProcess agent(KAVRINET_AGENT_WITH_STUB, {}, onDisplay(sandbox, x, kLoginLaunch), sandbox.root / "agent.err");
    ASSERT_TRUE(waitUntil([] { return agenttest::busNameOwned(kBundleIdentifier); })) << agent.standardError();

    FakeStatusNotifierWatcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerObject("/StatusNotifierWatcher", &watcher,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                                       QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(bus.registerService("org.kde.StatusNotifierWatcher"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher.items().isEmpty(); }, int(agenttest::kPatience * 1000)))
        << agent.standardError();
    const std::string item = "gdbus call --session --dest " + watcher.items().value(0).toStdString() + " -o ";
    const std::string menu = item + "/MenuBar -m com.canonical.dbusmenu.";  // the item's Menu
    const std::string layout = agenttest::capture(menu + "GetLayout -- 0 -1 '@as []'");
    std::vector<std::string> ids, labels;  // each child is <(id, {…, 'label': <'…'>, …}, @av [])>
    for (std::size_t at = layout.find("<("); at != std::string::npos; at = layout.find("<(", at + 1)) {
        const std::size_t label = layout.find("'label': <'", at) + std::strlen("'label': <'");
        ids.push_back(layout.substr(at + 2, layout.find(',', at) - at - 2));
        labels.push_back(layout.substr(label, layout.find('\'', label) - label));
    }
    ASSERT_EQ(labels, (std::vector<std::string>{"빠른 보기", "대시보드", "설정…", "Kavrinet 종료"})) << layout;
    agenttest::capture(item + "/StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 0 0");
    for (std::size_t i = 0; i + 1 < ids.size(); ++i) agenttest::capture(menu + "Event " + ids[i] + " clicked '<0>' 0");
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1).size() == 4; })) << agent.standardError();
    for (const auto& [at, window] : {std::pair{0u, "quick-view"}, {1u, "quick-view"}, {2u, "status"}, {3u, "settings"}})
        EXPECT_EQ(sandbox.stub.withoutStates(1)[at]["present"]["_0"]["window"], window);
    agenttest::capture(menu + "Event " + ids.back() + " clicked '<0>' 0");  // quits
    EXPECT_EQ(agent.waitForExit(), 0);
    bus.unregisterService("org.kde.StatusNotifierWatcher");
    bus.unregisterObject("/StatusNotifierWatcher");
}

// The events the agent logged, oldest first (its log is on standard error here): its start and
// the scripted second drive's comings and goings.
std::vector<std::string> loggedEvents(const std::string& log) {
    const std::string prefix = "info [local.mirosal.Kavrinet:Observation] ";
    std::vector<std::string> events;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        for (const char* event : {kAppStarted, "외장 장치 등장 감지", "연결 해제 감지 · 원인 미확인"})
            if (line == prefix + event) events.push_back(event);
    return events;
}

// Its X server or its Wayland compositor ends under the agent with scripted drives, while a work
// session is open and the newest event waits for its delayed write: the agent ends as on quit.
TEST(AgentDesktop, WhenItsDisplayEndsTheAgentEndsAsOnQuitWithBothFilesWritten) {
    REQUIRE_PROGRAMS("Xvfb", "weston");
    for (const bool wayland : {false, true}) {
        AgentSandbox sandbox;
        TemporaryFolder::writeFile(sandbox.config / "local.mirosal.Kavrinet.plist",
                                   "<plist><dict><key>backgroundPolling</key><true/></dict></plist>");
        auto env = sandbox.environment();
        env.erase("QT_QPA_PLATFORM");
        env["KAVRINET_LAUNCH_EVENT"] = kLoginLaunch;
        std::optional<XServer> x;
        std::optional<ChildProcess> compositor;
        if (wayland) {
            env["WAYLAND_DISPLAY"] = "wayland-9";
            const std::vector<std::string> headless{"--backend=headless-backend.so", "--shell=kiosk-shell.so", "--socket=wayland-9"};
            compositor.emplace(which("weston"), headless, env, sandbox.root / "weston.err");
            const quentrel::DisplayPlatform::Environment display{.waylandDisplay = "wayland-9",
                                                                 .runtimeDirectory = env["XDG_RUNTIME_DIR"].c_str()};
            ASSERT_TRUE(waitUntil([&] { return quentrel::DisplayCheck::reachable(display).answers.wayland; }));
        } else {
            env["DISPLAY"] = x.emplace(sandbox).display;
        }
        ChildProcess agent(KAVRINET_AGENT_WITH_DRIVES, {}, env, sandbox.root / "agent.err");
        ASSERT_TRUE(waitUntil([&] { return loggedEvents(agent.standardError()).size() >= 6; })) << agent.describe();
        const auto sessionsFile = sandbox.data / "QuentrelProduct" / "session-summaries.json";
        const std::string before = TemporaryFolder::readFile(sandbox.recentEvents()) + TemporaryFolder::readFile(sessionsFile);
        x ? x->end() : compositor->signal(SIGKILL);
        EXPECT_EQ(agent.waitForExit(), 0) << agent.describe();

        const json events = json::parse(TemporaryFolder::readFile(sandbox.recentEvents()), nullptr, false);
        const json sessions = json::parse(TemporaryFolder::readFile(sessionsFile), nullptr, false);
        ASSERT_TRUE(events.is_array() && sessions.is_array() && sessions.size() == 1) << events << sessions;
        std::vector<std::string> written;  // newest first in the file
        for (const json& event : events) written.insert(written.begin(), event.value("message", ""));
        EXPECT_EQ(written, loggedEvents(agent.standardError()));
        EXPECT_EQ(sessions[0]["endReason"], "appQuit");
        EXPECT_GT(sessions[0]["bytesRead"].get<std::uint64_t>(), 0u);
        std::printf("%s ended. Before, on disk: \"%s\". After: %zu events, the newest %s; sessions %s; the agent %s\n",
                    wayland ? "weston" : "Xvfb", before.c_str(), written.size(), written.empty() ? "" : written.back().c_str(),
                    sessions.dump().c_str(), agent.state().c_str());
    }
}

// A start on a display while the running agent has none takes over: the running agent ends as on
// quit, the new one shows what a first manual start shows; a later start without a display says
// that it asked the new agent.
TEST(AgentDesktop, AStartOnADisplayTakesOverFromAnAgentWithoutOne) {
    REQUIRE_PROGRAMS("Xvfb", "dbus-send");
    AgentSandbox sandbox;
    auto headless = sandbox.environment();
    headless.erase("QT_QPA_PLATFORM");
    ChildProcess first(KAVRINET_AGENT_WITH_STUB, {}, headless, sandbox.root / "first.err");
    ASSERT_TRUE(waitUntil([] { return agenttest::busNameOwned(kBundleIdentifier); })) << first.describe();
    XServer x(sandbox);
    ChildProcess second(KAVRINET_AGENT_WITH_STUB, {}, onDisplay(sandbox, x, std::nullopt), sandbox.root / "second.err");
    EXPECT_EQ(first.waitForExit(), 0) << first.describe();
    EXPECT_NE(TemporaryFolder::readFile(sandbox.recentEvents()).find(kAppStarted), std::string::npos);  // written
    const json welcome = {{"present", {{"_0", {{"window", "welcome"}}}}}};
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1).size() == 1; })) << second.describe();
    EXPECT_EQ(sandbox.stub.withoutStates(1)[0], welcome);

    ChildProcess third(KAVRINET_AGENT_WITH_STUB, {}, headless, sandbox.root / "third.err");
    EXPECT_EQ(third.waitForExit(), 0) << third.describe();
    EXPECT_EQ(third.standardError(), "Kavrinet: no display (DISPLAY and WAYLAND_DISPLAY are unset); the running "
                                     "agent was asked to show its window\n");
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1) == std::vector{welcome, welcome}; }))
        << second.describe();
    second.signal(SIGTERM);
    EXPECT_EQ(second.waitForExit(), 0) << second.describe();
}

}  // namespace

#include "AgentDesktopTests.moc"
