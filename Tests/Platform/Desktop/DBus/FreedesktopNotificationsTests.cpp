#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Doubles/CapturingLogSink.h"
#include "Platform/Desktop/BusFixtures.h"
#include "Platform/Desktop/DBus/FreedesktopNotifications.h"
#include "Platform/Desktop/Qt/QtMainQueue.h"

using namespace platform;
using desktoptest::FakeNotificationServer;
using desktoptest::PrivateBus;
using desktoptest::runEventLoopUntil;

namespace {

constexpr const char* kNotificationsName = "org.freedesktop.Notifications";
const DesktopNotifications::Request kDisconnected{"connection-disconnected", "기억한 SSD의 연결이 보이지 않습니다",
                                                  "연결 요약에서 확인하세요. 연결 변화의 원인은 확인되지 않았습니다."};
const DesktopNotifications::Request kTest{"connection-test", "Kavrinet 테스트 알림",
                                          "연결 변화가 아닌 알림 표시 확인입니다."};

// The outcome of one asynchronous call, and whether it came inside the call.
template <class T>
struct Outcome {
    std::optional<T> value;
    bool duringCall = false;
};

class FreedesktopNotificationsTest : public testing::Test {
protected:
    std::shared_ptr<CapturingLogSink> log = std::make_shared<CapturingLogSink>();
    SerialQueuePtr queue = QtMainQueue::make("test.main");

    std::shared_ptr<FreedesktopNotifications> backend(const std::string& address, int timeoutMilliseconds = 10000) {
        return FreedesktopNotifications::make(queue, {address, timeoutMilliseconds},
                                              Logger("test", "Notifications", log));
    }

    Outcome<std::optional<std::string>> post(DesktopNotifications& notifications,
                                             const DesktopNotifications::Request& request) {
        auto outcome = std::make_shared<Outcome<std::optional<std::string>>>();
        bool inCall = true;
        notifications.add(request, [outcome, &inCall](const std::optional<std::string>& error) {
            outcome->value = error;
            outcome->duringCall = inCall;
        });
        inCall = false;
        EXPECT_TRUE(runEventLoopUntil([&] { return outcome->value.has_value(); }));
        return *outcome;
    }

    std::int64_t status(DesktopNotifications& notifications) {
        std::optional<std::int64_t> answer;
        bool inCall = true;
        bool duringCall = false;
        notifications.authorizationStatus([&](std::int64_t value) {
            answer = value;
            duringCall = inCall;
        });
        inCall = false;
        EXPECT_TRUE(runEventLoopUntil([&] { return answer.has_value(); }));
        EXPECT_FALSE(duringCall);
        return answer.value_or(-1);
    }
};

}  // namespace

TEST_F(FreedesktopNotificationsTest, AuthorisedOnlyWhileAServerOwnsOrCanStartTheName) {
    struct Case {
        const char* what;
        bool server;
        bool activatable;
        bool bus;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"a running server", true, false, true, 2},
        {"a server the bus can start", false, true, true, 2},
        {"no server", false, false, true, 1},
        {"no session bus", false, false, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PrivateBus bus(c.activatable ? std::vector<std::string>{kNotificationsName} : std::vector<std::string>{});
        std::optional<FakeNotificationServer> server;
        if (c.server) server.emplace(bus.address());
        auto notifications = backend(c.bus ? bus.address() : "unix:path=/nonexistent/kavrinet-test-bus");
        EXPECT_EQ(status(*notifications), c.expected);

        std::optional<bool> granted;
        std::optional<std::string> error = "unset";
        notifications->requestAuthorization([&](bool g, const std::optional<std::string>& e) {
            granted = g;
            error = e;
        });
        EXPECT_FALSE(granted.has_value());  // never inside the call
        ASSERT_TRUE(runEventLoopUntil([&] { return granted.has_value(); }));
        EXPECT_EQ(*granted, c.expected == 2);
        EXPECT_EQ(error, std::nullopt);
        if (server) {
            EXPECT_TRUE(server->calls().empty());  // asked of the bus, not of the server
        }
    }
}

TEST_F(FreedesktopNotificationsTest, MakingTheBackendTouchesNoBus) {
    auto notifications = backend("unix:path=/nonexistent/kavrinet-test-bus");
    EXPECT_TRUE(log->records().empty());
    auto outcome = post(*notifications, kTest);
    EXPECT_FALSE(outcome.duringCall);
    ASSERT_TRUE(outcome.value->has_value());
    EXPECT_EQ(outcome.value->value().rfind("No session bus: ", 0), 0u);
    EXPECT_EQ(log->records().size(), 1u);
}

TEST_F(FreedesktopNotificationsTest, NotifySendsTheRequestWithoutSoundAndReplacesTheSameIdentifier) {
    PrivateBus bus;
    FakeNotificationServer server(bus.address());
    auto notifications = backend(bus.address());

    auto first = post(*notifications, kDisconnected);
    EXPECT_FALSE(first.duringCall);
    EXPECT_EQ(*first.value, std::nullopt);
    post(*notifications, kTest);
    post(*notifications, kDisconnected);

    auto notifies = server.callsTo("Notify");
    ASSERT_EQ(notifies.size(), 3u);
    const QVariantList& arguments = notifies[0].arguments;
    ASSERT_EQ(arguments.size(), 8);
    EXPECT_EQ(arguments[0].toString(), "Kavrinet");
    EXPECT_EQ(arguments[1].toUInt(), 0u);
    EXPECT_EQ(arguments[2].toString(), "local.mirosal.Kavrinet");  // the icon the menu entry names
    EXPECT_EQ(arguments[3].toString().toStdString(), kDisconnected.title);
    EXPECT_EQ(arguments[4].toString().toStdString(), kDisconnected.body);
    EXPECT_EQ(arguments[5].toStringList(), (QStringList{"default", "열기"}));
    EXPECT_EQ(arguments[7].toInt(), -1);
    const QVariantMap hints = qdbus_cast<QVariantMap>(arguments[6]);
    EXPECT_EQ(hints.keys(), (QStringList{"desktop-entry", "suppress-sound"}));
    EXPECT_EQ(hints.value("suppress-sound"), QVariant(true));
    EXPECT_EQ(hints.value("desktop-entry"), QVariant("local.mirosal.Kavrinet"));  // the menu entry, less ".desktop"

    EXPECT_EQ(notifies[1].arguments[1].toUInt(), 0u);   // another identifier: a new notification
    EXPECT_EQ(notifies[2].arguments[1].toUInt(), 41u);  // the server's id of the first
}

TEST_F(FreedesktopNotificationsTest, AnswersArriveWhenTheServerGivesThemOrAsErrorsWithItsText) {
    PrivateBus bus;
    FakeNotificationServer server(bus.address());
    auto notifications = backend(bus.address(), /*timeoutMilliseconds=*/200);

    server.holdAnswers(true);
    std::vector<std::optional<std::string>> answers;
    auto record = [&](const std::optional<std::string>& error) { answers.push_back(error); };
    notifications->add(kDisconnected, record);
    notifications->add(kDisconnected, record);  // must wait for the first id to replace it
    ASSERT_TRUE(runEventLoopUntil([&] { return server.callsTo("Notify").size() == 1; }));
    EXPECT_TRUE(answers.empty());
    server.holdAnswers(false);
    server.releaseHeld();
    ASSERT_TRUE(runEventLoopUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers, (std::vector<std::optional<std::string>>{std::nullopt, std::nullopt}));
    ASSERT_EQ(server.callsTo("Notify").size(), 2u);
    EXPECT_EQ(server.callsTo("Notify")[1].arguments[1].toUInt(), 41u);

    server.failNotify("notifications are off");
    EXPECT_EQ(*post(*notifications, kTest).value, std::optional<std::string>("notifications are off"));

    server.holdAnswers(true);  // never answered: the call times out
    auto late = post(*notifications, kTest);
    ASSERT_TRUE(late.value->has_value());
    EXPECT_FALSE(late.value->value().empty());

    PrivateBus empty;  // no server at all: the bus's own error
    auto absent = post(*backend(empty.address()), kTest);
    ASSERT_TRUE(absent.value->has_value());
    EXPECT_NE(absent.value->value().find(kNotificationsName), std::string::npos);
}

TEST_F(FreedesktopNotificationsTest, OnlyTheServersDefaultActionOnOurNotificationActivates) {
    PrivateBus bus;
    FakeNotificationServer server(bus.address());
    FakeNotificationServer impostor(bus.address(), /*ownName=*/false);
    auto notifications = backend(bus.address());
    std::vector<std::string> activated;
    notifications->setActivationHandler([&](const std::string& identifier) { activated.push_back(identifier); });
    post(*notifications, kDisconnected);  // id 41
    post(*notifications, kTest);          // id 42

    server.emitActionInvoked(41, "other");
    server.emitActionInvoked(99, "default");
    impostor.emitActionInvoked(41, "default");
    server.roundTrip();
    impostor.roundTrip();
    server.emitActionInvoked(42, "default");
    ASSERT_TRUE(runEventLoopUntil([&] { return !activated.empty(); }));
    EXPECT_EQ(activated, std::vector<std::string>{"connection-test"});
}

TEST_F(FreedesktopNotificationsTest, AClosedNotificationIsForgotten) {
    PrivateBus bus;
    FakeNotificationServer server(bus.address());
    auto notifications = backend(bus.address());
    std::vector<std::string> activated;
    notifications->setActivationHandler([&](const std::string& identifier) { activated.push_back(identifier); });
    post(*notifications, kDisconnected);  // id 41
    post(*notifications, kTest);          // id 42

    server.emitClosed(41, 2);
    server.emitActionInvoked(41, "default");
    server.roundTrip();
    server.emitActionInvoked(42, "default");
    ASSERT_TRUE(runEventLoopUntil([&] { return !activated.empty(); }));
    EXPECT_EQ(activated, std::vector<std::string>{"connection-test"});

    post(*notifications, kDisconnected);
    EXPECT_EQ(server.callsTo("Notify").back().arguments[1].toUInt(), 0u);
}
