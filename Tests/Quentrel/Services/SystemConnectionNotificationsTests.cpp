#include "Quentrel/Services/SystemConnectionNotifications.h"

#include <gtest/gtest.h>

#include "Doubles/FakeDesktopNotifications.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"

using namespace quentrel;
using Call = FakeDesktopNotifications::Call;
using wendmark::ConnectionNotice;

namespace {

struct Harness {
    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make();
    platform::SerialQueuePtr main = time->makeQueue("main");
    std::shared_ptr<FakeDesktopNotifications> desktop = std::make_shared<FakeDesktopNotifications>(main);
    SystemConnectionNotifications backend{desktop};
    std::vector<std::string> shown;

    Harness() {
        ObserverWindowPresenter::show = [this](const std::string& id) { shown.push_back(id); };
    }
    ~Harness() { ObserverWindowPresenter::resetToDefaults(); }
    void run() { time->runUntilIdle(); }
};

}  // namespace

TEST(SystemConnectionNotifications, ConstructingCallsNothing) {
    Harness h;
    EXPECT_TRUE(h.desktop->calls.empty());
    EXPECT_FALSE(h.desktop->hasActivationHandler());
}

TEST(SystemConnectionNotifications, RequestsCarryTheirIdentifiersAndTexts) {
    const std::string body = "연결 요약에서 확인하세요. 연결 변화의 원인은 확인되지 않았습니다.";
    struct Row {
        std::optional<ConnectionNotice> notice;
        const char* identifier;
        const char* title;
        std::string body;
    };
    const Row rows[] = {
        {ConnectionNotice::disconnected, "connection-disconnected", "기억한 SSD의 연결이 보이지 않습니다", body},
        {ConnectionNotice::repeatedChanges, "connection-repeatedChanges", "SSD 연결이 반복해서 바뀌고 있습니다", body},
        {std::nullopt, "connection-test", "Kavrinet 테스트 알림", "연결 변화가 아닌 알림 표시 확인입니다."},
    };
    for (const auto& row : rows) {
        Harness h;
        std::optional<ConnectionNotificationBackend::Outcome> outcome;
        auto done = [&](const ConnectionNotificationBackend::Outcome& o) { outcome = o; };
        if (row.notice)
            h.backend.submit(*row.notice, done);
        else
            h.backend.submitTest(done);
        EXPECT_FALSE(outcome);
        h.run();
        ASSERT_EQ(h.desktop->added.size(), 1u);
        EXPECT_EQ(h.desktop->added[0].identifier, row.identifier);
        EXPECT_EQ(h.desktop->added[0].title, row.title);
        EXPECT_EQ(h.desktop->added[0].body, row.body);
        ASSERT_TRUE(outcome);
        EXPECT_TRUE(outcome->succeeded);
    }
}

TEST(SystemConnectionNotifications, FailuresCarryTheSystemText) {
    Harness h;
    h.desktop->addError = "server gone";
    h.desktop->authorizationError = "no bus";
    std::optional<ConnectionNotificationBackend::Outcome> posted, asked;
    h.backend.submit(ConnectionNotice::disconnected, [&](const auto& o) { posted = o; });
    h.backend.requestAuthorization([&](bool, const auto& o) { asked = o; });
    h.run();
    ASSERT_TRUE(posted && asked);
    EXPECT_FALSE(posted->succeeded);
    EXPECT_EQ(posted->error, "server gone");
    EXPECT_FALSE(asked->succeeded);
    EXPECT_EQ(asked->error, "no bus");
}

TEST(SystemConnectionNotifications, PermissionMapsTheRawStatus) {
    const std::pair<std::int64_t, NoticePermission> rows[] = {
        {0, NoticePermission::notDetermined}, {1, NoticePermission::denied}, {2, NoticePermission::allowed},
        {3, NoticePermission::allowed},       {4, NoticePermission::allowed}, {5, NoticePermission::denied},
        {-1, NoticePermission::denied},
    };
    for (const auto& [status, expected] : rows) {
        Harness h;
        h.desktop->status = status;
        std::optional<NoticePermission> answer;
        h.backend.permission([&](NoticePermission p) { answer = p; });
        h.run();
        EXPECT_EQ(answer, expected) << status;
    }
}

TEST(SystemConnectionNotifications, ClickOnOursOpensTheConnectionSummary) {
    Harness h;
    h.backend.permission([](NoticePermission) {});  // takes over the clicks
    h.run();
    ASSERT_TRUE(h.desktop->hasActivationHandler());
    for (const char* id : {"connection-disconnected", "connection-test", "other-notice", "connection", ""})
        h.desktop->activate(id);
    h.run();
    EXPECT_EQ(h.shown, (std::vector<std::string>{"connection-summary", "connection-summary"}));
}

TEST(SystemConnectionNotifications, CancelPendingNamesTheThreeIdentifiersInOrder) {
    Harness h;
    h.backend.cancelPending();
    ASSERT_EQ(h.desktop->removed.size(), 1u);
    EXPECT_EQ(h.desktop->removed[0],
              (std::vector<std::string>{"connection-disconnected", "connection-repeatedChanges", "connection-test"}));
}
