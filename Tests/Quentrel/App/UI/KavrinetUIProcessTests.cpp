// The built KavrinetUI over real pipes, with this test as the agent: offscreen, and on an X server
// of its own where the windows are read back as the server has them.
#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/JSONCoding.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"
#include "Quentrel/Services/ObserverUIMessage.h"
#include "Quentrel/App/Agent/DesktopSupport.h"
#include "Quentrel/App/UI/UIDriver.h"
#include "Quentrel/Services/UIStateFixture.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Wendmark/AppVersion.h"

using quentrel::ObserverUICommand;
using quentrel::ObserverUIFrameDecoder;
using quentrel::ObserverUIMessage;

namespace {

using uitest::Clock;
using uitest::namespaceUnavailable;

// One KavrinetUI process with its three standard streams on pipes; a write it no longer reads
// fails the test.
class UIProcess : public uitest::UIDriver {
public:
    explicit UIProcess(Options options) : UIDriver(std::move(options)) {}

    void sendBytes(const std::string& bytes) { ASSERT_TRUE(UIDriver::sendBytes(bytes)) << describe(); }
    void send(const ObserverUIMessage& message) {
        sendBytes(ObserverUIFrameDecoder::frame(platform::json::encode(message)));
    }
};

ObserverUIMessage state(std::uint64_t revision) { return ObserverUIMessage::state(revision, uistate::richState()); }

ObserverUIMessage quickView() {
    return ObserverUIMessage::present({"quick-view", std::vector<double>{600, 500, 24, 24}});
}

// The next command the UI app sends; fails the test on anything else.
std::optional<ObserverUICommand> nextCommand(UIProcess& ui) {
    auto message = ui.next();
    if (!message || message->kind() != ObserverUIMessage::Case::command) {
        ADD_FAILURE() << "expected a command, got " << (message ? platform::json::encode(*message) : "nothing");
        return std::nullopt;
    }
    return message->get<ObserverUIMessage::Command>()->command;
}

// Started with the marker: the first frame is ready, byte for byte.
void expectReady(UIProcess& ui) {
    ASSERT_TRUE(ui.running());
    EXPECT_EQ(ui.nextPayload(), R"({"ready":{"_0":1}})");
}

}  // namespace

TEST(KavrinetUIProcess, aSessionFromReadyToStop) {
    UIProcess ui({});
    expectReady(ui);
    // Standard input and output point at /dev/null; the channel reads a close-on-exec copy.
    EXPECT_EQ(ui.descriptor(0), "/dev/null");
    EXPECT_EQ(ui.descriptor(1), "/dev/null");
    const std::vector<int> reading = ui.descriptorsTo(ui.inputPipe());
    ASSERT_EQ(reading.size(), 1u);
    EXPECT_GT(reading.front(), 2);
    EXPECT_TRUE(ui.closesOnExec(reading.front()));

    ui.send(state(1));
    ui.send(quickView());
    const auto shown = nextCommand(ui);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->kind, ObserverUICommand::Case::surface);
    EXPECT_TRUE(shown->flag);

    // A second quick-view request closes the panel, the last surface: closing follows its report.
    ui.send(state(2));
    ui.send(quickView());
    const auto hidden = nextCommand(ui);
    ASSERT_TRUE(hidden);
    EXPECT_EQ(*hidden, ObserverUICommand::surface(shown->surfaceID, false));
    EXPECT_EQ(ui.nextPayload(), R"({"closing":{}})");

    // A late presentation goes back, to be shown by a fresh UI app.
    ui.send(ObserverUIMessage::present({"activity-log", std::nullopt}));
    EXPECT_EQ(ui.nextPayload(), R"({"retry":{"_0":{"window":"activity-log"}}})");

    ui.send(ObserverUIMessage::stop());
    EXPECT_TRUE(ui.drain());
    EXPECT_EQ(ui.waitForExit(), 0);
    // Nothing but whole frames ever reached the pipe.
    EXPECT_TRUE(ui.unframed().empty()) << ui.rawOutput();
}

TEST(KavrinetUIProcess, theStartToTheFirstVisibleSurface) {
    UIProcess ui({});
    expectReady(ui);
    ui.send(state(1));
    ui.send(quickView());
    const auto shown = nextCommand(ui);
    ASSERT_TRUE(shown && shown->kind == ObserverUICommand::Case::surface && shown->flag);
    const auto elapsed = std::chrono::duration<double, std::milli>(Clock::now() - ui.started()).count();
    RecordProperty("startToFirstVisibleSurfaceMs", std::to_string(elapsed));
    std::printf("KavrinetUI start to the first visible surface: %.1f ms\n", elapsed);
    ui.closeInput();
    EXPECT_EQ(ui.waitForExit(), 0);
}

TEST(KavrinetUIProcess, theEndOfInputOrABrokenProtocolEndsTheApp) {
    struct Case {
        const char* name;
        std::string bytes;  // sent after the first state; none: the input is closed
        bool closeInput;
    } cases[] = {
        {"end of input", "", true},
        {"a frame of length 0", std::string(4, '\0'), false},
        {"a payload that is no JSON", ObserverUIFrameDecoder::frame("{not json"), false},
        {"a command from the agent", ObserverUIFrameDecoder::frame(R"({"command":{"_0":{"refresh":{}}}})"), false},
        {"an invalid presentation", ObserverUIFrameDecoder::frame(R"({"present":{"_0":{"window":"nowhere"}}})"), false},
        {"JSON nested 100,000 deep", ObserverUIFrameDecoder::frame(R"({"a":)" + std::string(100'000, '[') +
                                                                   std::string(100'000, ']') + R"(,"b":0})"), false},
        {"a state, a NUL byte and more", ObserverUIFrameDecoder::frame(platform::json::encode(state(2)) + '\0' + "x"), false},
    };
    for (const Case& c : cases) {
        UIProcess ui({});
        expectReady(ui);
        ui.send(state(1));
        if (c.closeInput)
            ui.closeInput();
        else
            ui.sendBytes(c.bytes);
        EXPECT_TRUE(ui.drain()) << c.name;
        EXPECT_EQ(ui.waitForExit(), 0) << c.name;
        EXPECT_TRUE(ui.unframed().empty()) << c.name;
    }
}

TEST(KavrinetUIProcess, aTerminationSignalEndsTheAppTheNormalWay) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        UIProcess ui({});
        expectReady(ui);
        ui.send(state(1));
        ui.send(quickView());
        ASSERT_TRUE(nextCommand(ui));
        ui.signal(number);
        EXPECT_TRUE(ui.drain()) << number;
        EXPECT_EQ(ui.waitForExit(), 0) << number;
    }
}

TEST(KavrinetUIProcess, aPresentationBeforeTheFirstStateEndsTheApp) {
    UIProcess ui({});
    expectReady(ui);
    ui.send(quickView());
    EXPECT_TRUE(ui.drain());
    EXPECT_EQ(ui.waitForExit(), 0);
}

TEST(KavrinetUIProcess, strayStartsExitWith64BeforeAnythingIsCreated) {
    struct Case {
        const char* name;
        UIProcess::Options options;
        const char* error;
    } cases[] = {
        {"an option", {{"-platform", "offscreen"}, "1", false},
         "This observation app does not accept command-line options.\n"},
        {"no marker", {{}, std::nullopt, false}, ""},
        {"a marker other than 1", {{}, "yes", false}, ""},
        {"no parent", {{}, "1", true}, ""},
    };
    for (const Case& c : cases) {
        UIProcess ui(c.options);
        ASSERT_TRUE(ui.running()) << c.name;
        const auto status = ui.waitForExit();
        if (c.options.withoutParent && status == namespaceUnavailable) {
            std::printf("skipped \"%s\": no PID namespace can be made here\n", c.name);
            continue;
        }
        EXPECT_EQ(status, 64) << c.name;
        EXPECT_TRUE(ui.drain()) << c.name;
        EXPECT_EQ(ui.rawOutput(), "") << c.name;
        EXPECT_EQ(ui.errorText(), c.error) << c.name;
    }
}

TEST(KavrinetUIProcess, aProcessSerialArgumentIsAccepted) {
    UIProcess ui({{"-psn_0_4711"}, "1", false});
    expectReady(ui);
    ui.closeInput();
    EXPECT_EQ(ui.waitForExit(), 0);
}

// Windows that take their content's fitting size, and the quick panel, as the X server has them
// after a state that adds rows (a remembered drive, the notification status, the approval button,
// a login error, drives plugged in) and one that takes them away again: each time the size a
// window opened in that state gets, and the panel where the rule puts a fresh one, its bottom on
// the screen under an anchor near the bottom edge.
TEST(KavrinetUIProcess, fittingWindowsAndTheQuickPanelFollowTheirContentOnAnXServer) {
    REQUIRE_PROGRAMS("Xvfb", "xdotool", "xwininfo");
    agenttest::AgentSandbox sandbox;
    agenttest::XServer x(sandbox);
    ASSERT_FALSE(x.display.empty()) << x.describe();
    quentrel::ObserverUIState few = uistate::richState(), many = few;
    few.snapshot.devices.clear();
    few.rememberedTarget.reset();
    few.noticesEnabled = false;
    many.loginRequiresApproval = true;
    many.loginError = "로그인 항목을 등록하지 못했습니다.";
    const quentrel::ObserverUIState* states[] = {&few, &many};
    const char* rowNames[] = {"few-rows", "more-rows"};
    std::uint64_t revision = 0;
    for (const auto& [window, title] : {std::pair{"settings", "Kavrinet 설정"}, {"welcome", "Kavrinet 시작하기"},
                                        {"quick-view", "Kavrinet 빠른 보기"}}) {
        const bool panel = window == std::string("quick-view");
        const std::string shot = "desktop-" + std::string(window) + "-";
        auto frame = [&] {
            const auto shown = agenttest::viewableWindow(x, "^KavrinetUI$", title);
            return shown ? shown->frame : std::array<int, 4>{};
        };
        auto open = [&](UIProcess& ui, int rows) {
            agenttest::waitUntil([&] { return frame()[2] == 0; });  // the last app's window has gone
            ui.send(ObserverUIMessage::state(++revision, *states[rows]));
            ui.send(ObserverUIMessage::present({window, panel ? std::optional(std::vector<double>{600, 40, 24, 24})
                                                              : std::nullopt}));
            EXPECT_TRUE(agenttest::waitUntil([&] { return frame()[2] > 0; }))
                << window << ": " << ui.describe() << x.describe();
            agenttest::screenshot(x, shot + "opened-with-" + rowNames[rows], frame());
            return frame();
        };
        std::array<int, 4> opened[2];
        for (int rows : {0, 1}) {
            UIProcess fresh({{}, "1", false, x.display});
            opened[rows] = open(fresh, rows);
        }
        UIProcess ui({{}, "1", false, x.display});
        open(ui, 0);
        for (int rows : {1, 0}) {
            ui.send(ObserverUIMessage::state(++revision, *states[rows]));
            std::array<int, 4> now{};
            // The panel is moved once the X server reports its new size: both are awaited.
            agenttest::waitUntil([&] {
                now = frame();
                return std::abs(now[3] - opened[rows][3]) <= 2 && (!panel || std::abs(now[1] - opened[rows][1]) <= 2);
            });
            EXPECT_NEAR(now[3], opened[rows][3], 2) << window << " with " << rowNames[rows];
            EXPECT_EQ(now[2], opened[rows][2]) << window << " with " << rowNames[rows];
            if (panel) {
                EXPECT_NEAR(now[1], opened[rows][1], 2) << rowNames[rows];
                EXPECT_LE(now[1] + now[3], agenttest::kScreenHeight) << rowNames[rows];
            }
            agenttest::screenshot(x, shot + "then-" + rowNames[rows], now);
        }
        std::printf("%s opens %dx%d with few rows, %dx%d with more\n", window, opened[0][2], opened[0][3], opened[1][2],
                    opened[1][3]);
    }
}

// Grown near the bottom of the screen's available area, settings moves up just enough; taller than the area, it scrolls.
TEST(KavrinetUIProcess, aFittingWindowStaysWithinTheScreensAvailableAreaOnAnXServer) {
    REQUIRE_PROGRAMS("Xvfb", "xdotool", "xwininfo", "xprop");
    quentrel::ObserverUIState few, many = uistate::richState();  // many: a drive, the notification status, and
    many.loginRequiresApproval = true;                             // the approval button and a login error
    many.loginError = "로그인 항목을 등록하지 못했습니다.";
    struct Case { int width, height, top, bottom; } cases[] = {{1440, 900, 0, 900}, {1366, 768, 0, 768}, {1366, 768, 32, 728}};
    for (const auto [width, height, top, bottom] : cases) {
        const std::string name = std::to_string(width) + "x" + std::to_string(height) + "-area-to-" + std::to_string(bottom);
        agenttest::AgentSandbox sandbox;
        agenttest::XServer x(sandbox, width, height);
        UIProcess ui({{}, "1", false, x.display});
        expectReady(ui);  // connected: the server keeps the work area (what a window manager leaves free of its panels)
        x.run("xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA 0," + std::to_string(top) + "," +
              std::to_string(width) + "," + std::to_string(bottom - top));
        auto window = [&] { return agenttest::viewableWindow(x, "^KavrinetUI$", "Kavrinet 설정").value_or(agenttest::XWindow{}); };
        ui.send(ObserverUIMessage::state(1, few));
        ui.send(ObserverUIMessage::present({"settings", std::nullopt}));
        ASSERT_TRUE(agenttest::waitUntil([&] { return window().frame[3] > 0; })) << name;
        x.run("xdotool windowmove " + window().id + " " + std::to_string(window().frame[0]) + " 178");
        ASSERT_TRUE(agenttest::waitUntil([&] { return window().frame[1] == 178; })) << name;
        const auto before = window().frame;
        ui.send(ObserverUIMessage::state(2, many));
        const auto grown = agenttest::settled([&]() -> std::optional<std::array<int, 4>> {
            const auto f = window().frame;  // (it may grow in more than one step)
            return f[3] > before[3] ? std::optional(f) : std::nullopt;
        });
        const auto [left, y, w, h] = grown.value_or(before);
        std::printf("%s: %d,%d %dx%d grows to %d,%d %dx%d\n", name.c_str(), before[0], before[1], before[2], before[3], left, y, w, h);
        EXPECT_TRUE(y + h == bottom && y >= top) << name << ": moved up just enough";  // 178 + h lies below the area
        agenttest::screenshot(x, "desktop-settings-" + name + "-grown", window().frame);
        if (h < bottom - top) continue;
        const QImage shown = agenttest::screenImage(x).copy(left, y, w, h);
        x.run("xdotool mousemove " + std::to_string(left + w / 2) + " " + std::to_string(y + h / 2) + " click 5 click 5");
        EXPECT_TRUE(agenttest::waitUntil([&] { return agenttest::screenImage(x).copy(left, y, w, h) != shown; })) << name;
        agenttest::screenshot(x, "desktop-settings-" + name + "-scrolled", window().frame);
    }
}

// Help text as a person copies it: a click into the first topic's text, the menu's select-all and
// copy keys, and the X server's clipboard holds the whole text; a right click offers the same. The
// about text's line break is copied as a line feed.
TEST(KavrinetUIProcess, helpTextIsCopiedWithTheMenuKeysOnAnXServer) {
    REQUIRE_PROGRAMS("Xvfb", "xdotool", "xwininfo", "xclip");
    agenttest::AgentSandbox sandbox;
    agenttest::XServer x(sandbox);
    ASSERT_FALSE(x.display.empty()) << x.describe();
    UIProcess ui({{}, "1", false, x.display});
    ui.send(ObserverUIMessage::state(1, uistate::richState()));
    ui.send(ObserverUIMessage::present({"help", std::nullopt}));
    std::optional<agenttest::XWindow> help;
    // Clicks into the text's first line (below the menu bar, the header, the picker and the topic's
    // title), selects all and copies; again until the window has settled where it grows and the
    // section asked for has been laid out.
    std::string copied;
    auto copies = [&](const std::string& text) {
        return agenttest::waitUntil([&] {
            help = agenttest::viewableWindow(x, "^KavrinetUI$", "Kavrinet 도움말");
            if (!help) return false;
            x.run("xdotool mousemove " + std::to_string(help->frame[0] + 60) + " " +
                  std::to_string(help->frame[1] + 200) + " click 1 key ctrl+a ctrl+c");
            return (copied = x.run("xclip -selection clipboard -out")) == text;
        });
    };
    std::string text = "드라이브 아이콘을 누르면 선택한 장치의 읽기·쓰기와 최근 활동을 볼 수 있습니다. 대시보드는 ⌘O, "
                       "활동 기록은 ⌘L, 설정은 ⌘,로 열 수 있습니다.";
    EXPECT_TRUE(copies(text)) << copied;
    ASSERT_TRUE(help) << ui.describe() << x.describe();
    agenttest::screenshot(x, "desktop-help-text-selected-and-copied", help->frame);
    x.run("xdotool click 3 sleep 0.5");
    agenttest::screenshot(x, "desktop-help-text-context-menu", help->frame);
    x.run("xdotool key Escape key Tab");
    agenttest::screenshot(x, "desktop-help-focus-ring-after-tab", help->frame);

    // Tab reaches the picker at the chosen segment; the arrows choose the about section.
    x.run("xdotool key Right Right Right");
    const platform::ScopedMainBundle bundle(platform::BundleInfo::forExecutable(KAVRINET_UI_EXECUTABLE));
    text = "버전 " + wendmark::AppVersion::current() + " · 빌드 " + wendmark::AppVersion::build() +
           "\n외장 드라이브의 연결·볼륨·호스트 I/O를 관측하는 macOS 앱입니다.";
    EXPECT_TRUE(copies(text)) << copied;
}

// Settings on a laptop's framed desktop: no focus ring on opening nor after a click, one after Tab;
// the switch that waits for the agent's answer keeps the keyboard focus, so the next Space acts on
// it again. "기억 지우기", found by its ring, clicked and taken away with its row by the agent's
// next state leaves nothing for the next Space to act on (Qt passed the focus on to the next control).
TEST(KavrinetUIProcess, theFocusRingFollowsTheKeyboardAndStaysOnABusySwitchOnAnXServer) {
    REQUIRE_PROGRAMS("Xvfb", "xdotool", "xwininfo", "openbox");
    agenttest::AgentSandbox sandbox;
    agenttest::XServer x(sandbox, 1366, 768);
    agenttest::FramedDesktop desktop(sandbox, x);
    ASSERT_TRUE(desktop.ready()) << desktop.describe() << x.describe();
    UIProcess ui({{}, "1", false, x.display});
    expectReady(ui);
    quentrel::ObserverUIState busy = uistate::richState();
    ui.send(ObserverUIMessage::state(1, busy));
    ui.send(ObserverUIMessage::present({"settings", std::nullopt}));
    // Framed and placed by the window manager, then given the keyboard by a click.
    const auto w = agenttest::settled([&] { return agenttest::viewableWindow(x, "^KavrinetUI$", "Kavrinet 설정"); });
    ASSERT_TRUE(w) << ui.describe() << x.describe();
    ASSERT_TRUE(agenttest::waitUntil([&] {
        agenttest::clickAt(x, {w->frame[0], w->frame[1] + w->frame[3] - 12, 12, 12});
        return x.run("xdotool getactivewindow") == w->id + "\n";
    })) << x.describe();
    auto window = [&] { return agenttest::screenImage(x).copy(w->frame[0], w->frame[1], w->frame[2], w->frame[3]); };
    auto accent = [&] {  // pixels of the ring and of the switches that are on
        const QImage shown = window();
        const auto* pixels = reinterpret_cast<const QRgb*>(shown.constBits());
        return std::count(pixels, pixels + shown.width() * shown.height(), quentrel::ObserverTheme::accent.rgb());
    };
    std::ptrdiff_t opened = 0;
    ASSERT_TRUE(agenttest::waitUntil([&] { return (opened = accent()) > 0; }));
    const std::array<int, 4> corner{w->frame[0], w->frame[1] + w->frame[3] - 12, 12, 12};
    for (const std::string step : {"opened-without-ring", "ring-after-tab", "no-ring-after-click"}) {
        agenttest::clickAt(x, corner);
        const bool tabbed = step == "ring-after-tab";
        if (tabbed) x.run("xdotool key Tab");
        EXPECT_TRUE(agenttest::waitUntil([&] { return tabbed ? accent() > opened + 40 : accent() == opened; })) << step;
        agenttest::screenshot(x, "desktop-settings-" + step, w->frame);
    }

    auto switchesNotifications = [&](const std::string& keys) {  // the keys make the app ask the agent for it
        x.run("xdotool key " + keys);
        for (auto command = nextCommand(ui); command; command = nextCommand(ui))
            if (command->kind == ObserverUICommand::Case::notifications) return true;
        return false;
    };
    ASSERT_TRUE(switchesNotifications("Tab Tab Tab space"));  // from the login switch, past "기억 지우기"
    for (bool pending : {true, false}) {
        busy.noticesBusy = pending;
        const auto before = accent();
        ui.send(ObserverUIMessage::state(pending ? 2 : 3, busy));
        EXPECT_TRUE(agenttest::waitUntil([&] { return accent() != before; }));
        if (pending) x.run("xdotool key space");
    }
    EXPECT_TRUE(switchesNotifications("space"));

    const QImage onSwitch = window();
    x.run("xdotool key shift+Tab");
    QRect ring;  // its pixels that are new
    ASSERT_TRUE(agenttest::waitUntil([&] {
        const QImage now = window();
        const QRgb accentPixel = quentrel::ObserverTheme::accent.rgb();
        for (int y = 0; y < now.height(); ++y)
            for (int px = 0; px < now.width(); ++px)
                if (now.pixel(px, y) == accentPixel && onSwitch.pixel(px, y) != accentPixel) ring |= QRect(px, y, 1, 1);
        return !ring.isEmpty();
    }));
    agenttest::clickAt(x, {w->frame[0] + ring.x(), w->frame[1] + ring.y(), ring.width(), ring.height()});
    for (auto sent = nextCommand(ui); sent && sent->kind != ObserverUICommand::Case::forget;) sent = nextCommand(ui);
    busy.rememberedTarget.reset();
    const QImage withRow = window();
    ui.send(ObserverUIMessage::state(4, busy));
    EXPECT_TRUE(agenttest::waitUntil([&] { return window() != withRow; }));
    x.run("xdotool key space");
    EXPECT_EQ(ui.nextPayload(Clock::now() + std::chrono::milliseconds(1500)), std::nullopt);
}

// On a laptop's screen (1366×768, a 28-px panel along the top, openbox drawing frames) every window
// opens and grows inside the available area, its frame included: opened in its fullest state, and
// opened with few rows and then grown. The quick view under a tray icon in the panel stays below
// the panel, clear of the icon.
TEST(KavrinetUIProcess, windowsOpenAndGrowInsideTheWorkAreaOfAFramedDesktopOnAnXServer) {
    REQUIRE_PROGRAMS("Xvfb", "openbox");
    constexpr int width = 1366, height = 768;
    agenttest::AgentSandbox sandbox;
    agenttest::XServer x(sandbox, width, height);
    ASSERT_FALSE(x.display.empty()) << x.describe();
    agenttest::FramedDesktop desktop(sandbox, x);
    ASSERT_TRUE(desktop.ready()) << desktop.describe() << x.describe();
    const auto [areaX, areaY, areaWidth, areaHeight] = desktop.workArea();

    // some: a drive and the notification status; many: also the approval button and a login error.
    quentrel::ObserverUIState few, some = uistate::richState(), many = some;
    many.loginRequiresApproval = true;
    many.loginError = "로그인 항목을 등록하지 못했습니다.";
    quentrel::ObserverUIState failed = many;
    failed.errorMessage = "볼륨을 열지 못했습니다.";
    // The status item: 24 px square in the panel, 220 px from the screen's right edge.
    const std::array<int, 4> icon{width - 220, 2, 24, 24};
    const std::vector<double> anchor{double(icon[0]), double(height - icon[1] - icon[3]), 24, 24};

    struct Case {
        const char* window;
        const char* title;
        std::vector<const quentrel::ObserverUIState*> states;  // the first opens the window
    } cases[] = {
        {"status", "Kavrinet", {&failed}},  // (a sized window: no state changes its size)
        {"settings", "Kavrinet 설정", {&some}},
        {"settings", "Kavrinet 설정", {&many}},
        {"settings", "Kavrinet 설정", {&few, &many}},
        {"quick-view", "Kavrinet 빠른 보기", {&many}},
        {"quick-view", "Kavrinet 빠른 보기", {&few, &many, &failed}},
    };
    std::uint64_t revision = 0;
    for (const Case& c : cases) {
        const bool panel = c.window == std::string("quick-view");
        UIProcess ui({{}, "1", false, x.display});
        expectReady(ui);
        // The outer frame once it has come to rest.
        auto settled = [&] {
            return agenttest::settled([&] {
                       const auto shown = agenttest::viewableWindow(x, "^KavrinetUI$", c.title);
                       return shown ? desktop.outerFrame(*shown) : std::nullopt;
                   })
                .value_or(std::array<int, 4>{});
        };
        for (std::size_t step = 0; step < c.states.size(); ++step) {
            ui.send(ObserverUIMessage::state(++revision, *c.states[step]));
            if (step == 0)
                ui.send(ObserverUIMessage::present({c.window, panel ? std::optional(anchor) : std::nullopt}));
            const auto [left, top, w, h] = settled();
            const std::string name = std::string(c.window) + (c.states.size() == 1 ? " opened full" : " grown, step ") +
                                     (c.states.size() == 1 ? "" : std::to_string(step));
            std::printf("%s: frame %d,%d %dx%d (top %d, bottom %d) in the area y %d-%d\n", name.c_str(), left, top, w, h,
                        top, top + h, areaY, areaY + areaHeight);
            EXPECT_GT(w, 0) << name << ": " << ui.describe() << x.describe();
            EXPECT_TRUE(left >= areaX && top >= areaY && left + w <= areaX + areaWidth && top + h <= areaY + areaHeight)
                << name << ": " << left << "," << top << " " << w << "x" << h;
            if (panel) {
                EXPECT_GE(top, icon[1] + icon[3]) << name << ": over the status item";
                // A panel of the status item: no taskbar or pager lists it.
                const auto shown = agenttest::viewableWindow(x, "^KavrinetUI$", c.title);
                const auto states = shown ? agenttest::atomNames(x, std::stoul(shown->id), "_NET_WM_STATE")
                                          : std::vector<std::string>{};
                for (const char* state : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"})
                    EXPECT_NE(std::find(states.begin(), states.end(), state), states.end()) << name << ": " << state;
            }
            if (!panel && step == 0 && h < areaHeight) {  // centred, frame included
                EXPECT_EQ(top, areaY + (areaHeight - h) / 2) << name;
            }
            agenttest::screenshot(x, "framed-desktop-" + std::string(c.window) + "-" + std::to_string(c.states.size()) +
                                         "-" + std::to_string(step), std::array<int, 4>{left, top, w, h});
        }
    }
}
