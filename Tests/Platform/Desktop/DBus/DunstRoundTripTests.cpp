#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Doubles/CapturingLogSink.h"
#include "Platform/Desktop/BusFixtures.h"
#include "Platform/Desktop/DBus/FreedesktopNotifications.h"
#include "Platform/Desktop/Qt/QtMainQueue.h"

extern char** environ;

using namespace platform;
using desktoptest::runEventLoopUntil;

namespace {

constexpr const char* kServerName = "org.freedesktop.Notifications";
constexpr const char* kServerPath = "/org/freedesktop/Notifications";
constexpr const char* kDunstInterface = "org.dunstproject.cmd0";

// dunst on this session bus and display, ended with the test.
class Dunst {
public:
    Dunst() {
        char* argv[] = {const_cast<char*>("dunst"), nullptr};
        if (posix_spawnp(&pid_, "dunst", nullptr, nullptr, argv, environ) != 0) pid_ = -1;
    }
    ~Dunst() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

std::optional<uint> dunstCount(const char* property) {
    QDBusMessage get =
        QDBusMessage::createMethodCall(kServerName, kServerPath, "org.freedesktop.DBus.Properties", "Get");
    get << QString::fromLatin1(kDunstInterface) << QString::fromLatin1(property);
    QDBusMessage reply = QDBusConnection::sessionBus().call(get);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
}

std::optional<std::string> post(DesktopNotifications& notifications, const DesktopNotifications::Request& request) {
    std::optional<std::optional<std::string>> outcome;
    notifications.add(request, [&](const std::optional<std::string>& error) { outcome = error; });
    EXPECT_TRUE(runEventLoopUntil([&] { return outcome.has_value(); }));
    return outcome.value_or("no answer");
}

}  // namespace

TEST(DunstRoundTrip, ANotificationIsShownReplacedAndClickedThroughTheRealServer) {
    if (std::getenv("KAVRINET_DUNST_TEST") == nullptr)
        GTEST_SKIP() << "needs a display: runs as its own ctest entry under xvfb-run";
    Dunst dunst;
    ASSERT_TRUE(dunst.started());
    ASSERT_TRUE(runEventLoopUntil(
        [] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(kServerName).value(); }));

    auto log = std::make_shared<CapturingLogSink>();
    auto queue = QtMainQueue::make("test.main");
    auto notifications = FreedesktopNotifications::make(queue, {}, Logger("test", "Notifications", log));
    std::optional<std::int64_t> status;
    notifications->authorizationStatus([&](std::int64_t value) { status = value; });
    ASSERT_TRUE(runEventLoopUntil([&] { return status.has_value(); }));
    EXPECT_EQ(*status, 2);

    std::vector<std::string> activated;
    notifications->setActivationHandler([&](const std::string& identifier) { activated.push_back(identifier); });
    EXPECT_EQ(post(*notifications, {"connection-test", "Kavrinet 테스트 알림", "첫 번째"}), std::nullopt);
    EXPECT_EQ(
        post(*notifications, {"connection-test", "Kavrinet 테스트 알림", "연결 변화가 아닌 알림 표시 확인입니다."}),
        std::nullopt);
    // The second replaced the first: one notification on screen, none waiting.
    ASSERT_TRUE(runEventLoopUntil([] { return dunstCount("displayedLength") == 1u; }));
    EXPECT_EQ(dunstCount("waitingLength"), 0u);

    // What a click on it does.
    QDBusMessage click =
        QDBusMessage::createMethodCall(kServerName, kServerPath, kDunstInterface, "NotificationAction");
    click << uint(0);
    EXPECT_EQ(QDBusConnection::sessionBus().call(click).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(runEventLoopUntil([&] { return !activated.empty(); }));
    EXPECT_EQ(activated, std::vector<std::string>{"connection-test"});
    EXPECT_TRUE(log->records().empty());
}
