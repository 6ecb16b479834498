// The built agent on a real X server (Xvfb): its status item in a real system tray (trayer) that
// starts after it, clicked with xdotool; and a StatusNotifierWatcher that appears on the session
// bus after it. Skipped where these programs are not installed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QTest>

#include "AgentProcessSupport.h"

namespace {

using agenttest::AgentSandbox;
using agenttest::capture;
using agenttest::ChildProcess;
using agenttest::json;
using agenttest::waitUntil;

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;
constexpr char kBundleIdentifier[] = "local.mirosal.Kavrinet";

std::string which(const std::string& program) {
    std::string path = capture("command -v " + program);
    while (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
}

// An Xvfb of its own, on the display number it picks itself (-displayfd).
class XServer {
public:
    explicit XServer(AgentSandbox& sandbox) {
        int announce[2];
        if (::pipe2(announce, O_CLOEXEC) != 0) return;
        const std::string size = std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24";
        process_ = std::make_unique<ChildProcess>(which("Xvfb"),
                                                  std::vector<std::string>{"-displayfd", "3", "-screen", "0", size,
                                                                           "-nolisten", "tcp"},
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

    std::string display;  // empty when it did not start

private:
    std::unique_ptr<ChildProcess> process_;
};

// The agent's docked tray icon: x, y, width, height in X's top-left-origin coordinates.
std::optional<std::array<int, 4>> dockedIcon(const std::string& display) {
    std::istringstream ids(capture("DISPLAY=" + display + " xdotool search --classname Kavrinet 2>/dev/null"));
    std::string id;
    while (ids >> id) {
        const std::string info = capture("DISPLAY=" + display + " xwininfo -id " + id + " 2>/dev/null");
        auto number = [&](const std::string& label) {
            const auto at = info.find(label);
            return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + label.size());
        };
        const std::array<int, 4> frame = {number("Absolute upper-left X:"), number("Absolute upper-left Y:"),
                                          number("Width:"), number("Height:")};
        if (info.find("IsViewable") != std::string::npos && frame[2] > 1 && frame[3] > 1) return frame;
    }
    return std::nullopt;
}

std::map<std::string, std::string> onDisplay(const AgentSandbox& sandbox, const std::string& display) {
    auto env = sandbox.environment();
    env.erase("QT_QPA_PLATFORM");
    env["DISPLAY"] = display;
    env["KAVRINET_LAUNCH_EVENT"] = "aevt/oapp/lgit";  // a login start opens no window
    return env;
}

#define REQUIRE_PROGRAMS(...)                                                  \
    for (const char* program : {__VA_ARGS__})                                 \
        if (!agenttest::installed(program)) GTEST_SKIP() << program << " is not installed";

TEST(AgentDesktop, AClickOnTheIconInATrayThatStartedLaterOpensTheQuickViewAnchoredAtTheIcon) {
    REQUIRE_PROGRAMS("Xvfb", "trayer", "xdotool", "xwininfo", "dbus-send");
    AgentSandbox sandbox;
    XServer x(sandbox);
    ASSERT_FALSE(x.display.empty()) << TemporaryFolder::readFile(sandbox.root / "xvfb.err");
    const auto env = onDisplay(sandbox, x.display);
    ChildProcess agent(KAVRINET_AGENT_WITH_STUB, {}, env, sandbox.root / "agent.err");
    ASSERT_TRUE(waitUntil([] { return agenttest::busNameOwned(kBundleIdentifier); })) << agent.standardError();

    ChildProcess tray(which("trayer"), {"--edge", "top"}, env, sandbox.root / "trayer.err");
    std::optional<std::array<int, 4>> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = dockedIcon(x.display)).has_value(); })) << agent.standardError();
    EXPECT_EQ(sandbox.stub.instances(), 0);

    const int cx = (*icon)[0] + (*icon)[2] / 2;
    const int cy = (*icon)[1] + (*icon)[3] / 2;
    capture("DISPLAY=" + x.display + " xdotool mousemove --sync " + std::to_string(cx) + " " + std::to_string(cy) +
            " click 1");
    ASSERT_TRUE(waitUntil([&] { return !sandbox.stub.withoutStates(1).empty(); })) << agent.standardError();
    const std::vector<double> anchor = {double((*icon)[0]), double(kScreenHeight - ((*icon)[1] + (*icon)[3])),
                                        double((*icon)[2]), double((*icon)[3])};
    const json expected = {{"present", {{"_0", {{"window", "quick-view"}, {"anchor", anchor}}}}}};
    EXPECT_EQ(sandbox.stub.withoutStates(1).front(), expected);
    agent.signal(SIGTERM);
    EXPECT_EQ(agent.waitForExit(), 0);
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

TEST(AgentDesktop, AStatusNotifierWatcherThatAppearsLaterGetsTheItem) {
    REQUIRE_PROGRAMS("Xvfb", "dbus-send");
    AgentSandbox sandbox;
    XServer x(sandbox);
    ASSERT_FALSE(x.display.empty());
    ChildProcess agent(KAVRINET_AGENT_WITH_STUB, {}, onDisplay(sandbox, x.display), sandbox.root / "agent.err");
    ASSERT_TRUE(waitUntil([] { return agenttest::busNameOwned(kBundleIdentifier); })) << agent.standardError();

    FakeStatusNotifierWatcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerObject("/StatusNotifierWatcher", &watcher,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                                       QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(bus.registerService("org.kde.StatusNotifierWatcher"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher.items().isEmpty(); }, int(agenttest::kPatience * 1000)))
        << agent.standardError();
    agent.signal(SIGTERM);
    EXPECT_EQ(agent.waitForExit(), 0);
    bus.unregisterService("org.kde.StatusNotifierWatcher");
    bus.unregisterObject("/StatusNotifierWatcher");
}

}  // namespace

#include "AgentDesktopTests.moc"
