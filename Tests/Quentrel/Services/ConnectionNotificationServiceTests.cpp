#include "Quentrel/Services/ConnectionNotificationService.h"

#include <gtest/gtest.h>

#include "Doubles/FakeConnectionNotificationBackend.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Platform/Foundation/MemoryDefaultsDatabase.h"

using namespace quentrel;
using Call = FakeConnectionNotificationBackend::Call;
using wendmark::ConnectionNotice;

namespace {

constexpr const char* key = "connectionNotifications";

struct Harness {
    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make();
    platform::SerialQueuePtr main = time->makeQueue("main");
    std::shared_ptr<FakeConnectionNotificationBackend> backend = std::make_shared<FakeConnectionNotificationBackend>(main);
    std::shared_ptr<platform::MemoryDefaultsDatabase> defaults;
    std::shared_ptr<ConnectionNotificationService> service;
    std::vector<std::string> results;
    int changes = 0;
    platform::WillChangeSignal::Connection connection;

    explicit Harness(platform::PropertyDictionary stored = {}, CommandSink sink = {})
        : defaults(std::make_shared<platform::MemoryDefaultsDatabase>("test", std::move(stored))),
          service(ConnectionNotificationService::make(defaults, backend, std::move(sink))) {
        service->onResult = [this](const std::string& text) { results.push_back(text); };
        connection = service->objectWillChange().connect([this] { ++changes; });
    }

    std::optional<platform::PropertyValue> stored() const { return defaults->object(key); }
    void run() { time->runUntilIdle(); }
};

// A service that was switched on with the permission allowed.
struct EnabledHarness : Harness {
    EnabledHarness() : Harness({{key, true}}) {
        backend->currentPermission = NoticePermission::allowed;
        backend->holdAnswers = true;
    }
};

}  // namespace

TEST(ConnectionNotificationService, InitialStateReadsOnlyAStoredBoolean) {
    struct Row {
        std::optional<platform::PropertyValue> stored;
        bool enabled;
    };
    const Row rows[] = {
        {std::nullopt, false}, {platform::PropertyValue(true), true}, {platform::PropertyValue(false), false},
        {platform::PropertyValue(1), false}, {platform::PropertyValue("YES"), false},
    };
    for (const auto& row : rows) {
        platform::PropertyDictionary stored;
        if (row.stored) stored.emplace(key, *row.stored);
        Harness h(stored);
        EXPECT_EQ(h.service->enabled(), row.enabled);
        EXPECT_FALSE(h.service->busy());
        EXPECT_EQ(h.service->permission(), NoticePermission::notDetermined);
        EXPECT_EQ(h.service->deliveryStatus(), "대기");
        EXPECT_EQ(h.service->generation(), 0);
        EXPECT_EQ(h.service->deliveryGeneration(), 0);
        EXPECT_TRUE(h.backend->calls().empty());  // nothing is read from the system at creation
    }
}

TEST(ConnectionNotificationService, SwitchingOnFollowsThePermission) {
    struct Row {
        NoticePermission permission;
        bool grant;
        bool prompts;
        bool enabled;
        NoticePermission after;
    };
    const Row rows[] = {
        {NoticePermission::allowed, true, false, true, NoticePermission::allowed},
        {NoticePermission::denied, true, false, false, NoticePermission::denied},
        {NoticePermission::notDetermined, true, true, true, NoticePermission::allowed},
        {NoticePermission::notDetermined, false, true, false, NoticePermission::denied},
    };
    for (const auto& row : rows) {
        Harness h;
        h.backend->currentPermission = row.permission;
        h.backend->grantAuthorization = row.grant;
        bool done = false;
        h.service->setEnabled(true, [&] { done = true; });
        EXPECT_TRUE(h.service->busy());
        EXPECT_FALSE(done);  // the answer comes later on the main queue
        h.run();
        EXPECT_TRUE(done);
        EXPECT_EQ(h.backend->count(Call::requestAuthorization), row.prompts ? 1u : 0u);
        EXPECT_EQ(h.service->enabled(), row.enabled);
        EXPECT_EQ(h.stored(), platform::PropertyValue(row.enabled));
        EXPECT_EQ(h.service->permission(), row.after);
        EXPECT_FALSE(h.service->busy());
        EXPECT_EQ(h.service->deliveryStatus(), "대기");
        EXPECT_EQ(h.service->generation(), 1);
        EXPECT_EQ(h.service->deliveryGeneration(), 1);
    }
}

TEST(ConnectionNotificationService, FailedRequestSwitchesOffAndSaysSo) {
    Harness h({{key, true}});
    h.backend->authorizationError = "no server";
    h.service->setEnabled(true);
    h.run();
    EXPECT_FALSE(h.service->enabled());
    EXPECT_EQ(h.stored(), platform::PropertyValue(false));
    EXPECT_EQ(h.service->deliveryStatus(), "권한 요청 실패 · 다시 시도 가능");
    EXPECT_EQ(h.service->permission(), NoticePermission::notDetermined);  // kept
    EXPECT_FALSE(h.service->busy());
}

TEST(ConnectionNotificationService, SwitchingOffIsImmediateAndWinsOverAnEarlierSwitchOn) {
    Harness h;
    h.backend->holdAnswers = true;
    h.service->setEnabled(true);
    bool offDone = false;
    h.service->setEnabled(false, [&] { offDone = true; });
    EXPECT_TRUE(offDone);
    EXPECT_FALSE(h.service->enabled());
    EXPECT_FALSE(h.service->busy());
    EXPECT_EQ(h.stored(), platform::PropertyValue(false));
    EXPECT_EQ(h.backend->callKinds(), (std::vector<Call>{Call::permission, Call::cancelPending}));

    // The late answer of the switch-on is still followed by its request, then dropped.
    ASSERT_TRUE(h.backend->answerPermission(NoticePermission::notDetermined));
    h.run();
    ASSERT_TRUE(h.backend->answerAuthorization(true));
    h.run();
    EXPECT_EQ(h.backend->count(Call::requestAuthorization), 1u);
    EXPECT_FALSE(h.service->enabled());
    EXPECT_FALSE(h.service->busy());
    EXPECT_EQ(h.service->permission(), NoticePermission::notDetermined);
    EXPECT_EQ(h.stored(), platform::PropertyValue(false));
}

TEST(ConnectionNotificationService, OnlyTheLastOfOverlappingSwitchOnsWrites) {
    Harness g;
    g.backend->holdAnswers = true;
    g.service->setEnabled(true);
    g.service->setEnabled(true);
    ASSERT_TRUE(g.backend->answerPermission(NoticePermission::allowed));  // the first call's answer: stale
    g.run();
    EXPECT_TRUE(g.service->busy());
    EXPECT_FALSE(g.service->enabled());
    EXPECT_FALSE(g.stored().has_value());
    ASSERT_TRUE(g.backend->answerPermission(NoticePermission::denied));
    g.run();
    EXPECT_FALSE(g.service->busy());
    EXPECT_FALSE(g.service->enabled());
    EXPECT_EQ(g.service->permission(), NoticePermission::denied);
    EXPECT_EQ(g.stored(), platform::PropertyValue(false));
}

TEST(ConnectionNotificationService, DeliveryOutcomesAndTheirTexts) {
    struct Row {
        std::optional<ConnectionNotice> notice;
        NoticePermission permission;
        std::optional<std::string> submitError;
        std::optional<Call> posted;
        const char* status;
        const char* result;
    };
    const Row rows[] = {
        {ConnectionNotice::disconnected, NoticePermission::allowed, std::nullopt, Call::submit,
         "알림 제출 완료 · 화면 표시 여부 미확인", "연결 알림 제출 완료 · 화면 표시 여부 미확인"},
        {std::nullopt, NoticePermission::allowed, std::nullopt, Call::submitTest,
         "알림 제출 완료 · 화면 표시 여부 미확인", "테스트 알림 제출 완료 · 화면 표시 여부 미확인"},
        {ConnectionNotice::repeatedChanges, NoticePermission::allowed, "refused", Call::submit, "알림 제출 실패",
         "연결 알림 제출 실패"},
        {std::nullopt, NoticePermission::allowed, "refused", Call::submitTest, "알림 제출 실패", "연결 알림 제출 실패"},
        {ConnectionNotice::disconnected, NoticePermission::notDetermined, std::nullopt, std::nullopt,
         "시스템 알림 권한 없음", "연결 알림 보류 · 시스템 권한 없음"},
        {ConnectionNotice::disconnected, NoticePermission::denied, std::nullopt, std::nullopt, "시스템 알림 권한 없음",
         "연결 알림 보류 · 시스템 권한 없음"},
    };
    for (const auto& row : rows) {
        Harness h({{key, true}});
        h.backend->currentPermission = row.permission;
        h.backend->submitError = row.submitError;
        h.service->submit(row.notice);
        h.run();
        std::vector<Call> expected{Call::permission};
        if (row.posted) expected.push_back(*row.posted);
        EXPECT_EQ(h.backend->callKinds(), expected);
        if (row.posted == Call::submit) {
            EXPECT_EQ(h.backend->calls().back().notice, row.notice);
        }
        EXPECT_EQ(h.service->deliveryStatus(), row.status);
        EXPECT_EQ(h.results, std::vector<std::string>{row.result});
        EXPECT_EQ(h.service->permission(), row.permission);
        EXPECT_EQ(h.backend->count(Call::requestAuthorization), 0u);  // never a prompt on delivery
    }
}

TEST(ConnectionNotificationService, NothingIsPostedWhileOff) {
    Harness h;
    h.backend->currentPermission = NoticePermission::allowed;
    bool done = false;
    h.service->submit(ConnectionNotice::disconnected, [&] { done = true; });
    h.service->sendTest();
    h.run();
    EXPECT_TRUE(done);
    EXPECT_TRUE(h.backend->calls().empty());
    EXPECT_TRUE(h.results.empty());
    EXPECT_EQ(h.service->deliveryStatus(), "대기");
    EXPECT_EQ(h.changes, 0);
}

TEST(ConnectionNotificationService, StaleDeliveriesStopSilentlyButKeepThePermission) {
    // Switched off, switched on again, or cancelled while the permission answer is out.
    const std::vector<std::function<void(ConnectionNotificationService&)>> interruptions = {
        [](ConnectionNotificationService& s) { s.setEnabled(false); },
        [](ConnectionNotificationService& s) { s.setEnabled(true); },
        [](ConnectionNotificationService& s) { s.cancelPending(); },
    };
    for (std::size_t i = 0; i < interruptions.size(); ++i) {
        EnabledHarness h;
        h.service->submit(ConnectionNotice::disconnected);
        interruptions[i](*h.service);
        ASSERT_TRUE(h.backend->answerPermission(NoticePermission::denied)) << i;  // the delivery's answer
        h.run();
        EXPECT_EQ(h.service->permission(), NoticePermission::denied) << i;
        EXPECT_EQ(h.backend->count(Call::submit), 0u) << i;
        EXPECT_TRUE(h.results.empty()) << i;
        EXPECT_EQ(h.service->deliveryStatus(), "대기") << i;
    }
}

TEST(ConnectionNotificationService, CancelPendingRaisesTheDeliveryGenerationAndAsksOnlyWhenOn) {
    Harness off;
    off.service->cancelPending();
    EXPECT_EQ(off.service->deliveryGeneration(), 1);
    EXPECT_EQ(off.service->generation(), 0);
    EXPECT_TRUE(off.backend->calls().empty());

    EnabledHarness on;
    on.service->cancelPending();
    EXPECT_EQ(on.service->deliveryGeneration(), 1);
    EXPECT_EQ(on.backend->callKinds(), std::vector<Call>{Call::cancelPending});
}

TEST(ConnectionNotificationService, AnswersAfterTheLastSubmitWaitStillReport) {
    // No counter is checked once the request has been handed over.
    EnabledHarness h;
    h.service->submit(std::nullopt);
    ASSERT_TRUE(h.backend->answerPermission(NoticePermission::allowed));
    h.run();
    h.service->setEnabled(false);
    ASSERT_TRUE(h.backend->answerSubmit());
    h.run();
    EXPECT_EQ(h.results, std::vector<std::string>{"테스트 알림 제출 완료 · 화면 표시 여부 미확인"});
}

TEST(ConnectionNotificationService, ContinuationsDoNothingOnceTheServiceIsGone) {
    EnabledHarness h;
    bool done = false;
    h.service->submit(ConnectionNotice::disconnected, [&] { done = true; });
    std::weak_ptr<ConnectionNotificationService> weak = h.service;
    h.service.reset();
    EXPECT_TRUE(weak.expired());  // the pending answer does not keep it alive
    h.backend->releaseAll();
    h.run();
    EXPECT_TRUE(done);
    EXPECT_EQ(h.backend->count(Call::submit), 0u);
}

TEST(ConnectionNotificationService, RefreshPermissionTouchesNothingElse) {
    Harness h;
    h.backend->currentPermission = NoticePermission::denied;
    h.service->refreshPermission();
    h.run();
    EXPECT_EQ(h.service->permission(), NoticePermission::denied);
    EXPECT_EQ(h.service->deliveryStatus(), "대기");
    EXPECT_EQ(h.service->generation(), 0);
    EXPECT_FALSE(h.stored().has_value());
}

TEST(ConnectionNotificationService, MirrorForwardsAndTouchesNothing) {
    std::vector<ObserverUICommand> sent;
    Harness h({}, [&](const ObserverUICommand& c) { sent.push_back(c); });
    int done = 0;
    h.service->setEnabled(true, [&] { ++done; });
    h.service->refreshPermission([&] { ++done; });
    h.service->sendTest([&] { ++done; });
    h.service->submit(ConnectionNotice::disconnected, [&] { ++done; });
    h.service->cancelPending();
    EXPECT_EQ(done, 4);
    EXPECT_EQ(sent, (std::vector<ObserverUICommand>{
                        ObserverUICommand::withFlag(ObserverUICommand::Case::notifications, true),
                        ObserverUICommand::make(ObserverUICommand::Case::refreshNotifications),
                        ObserverUICommand::make(ObserverUICommand::Case::testNotification),
                    }));
    EXPECT_TRUE(h.backend->calls().empty());
    EXPECT_FALSE(h.service->busy());
    EXPECT_EQ(h.service->generation(), 0);
    EXPECT_EQ(h.service->deliveryGeneration(), 0);
    EXPECT_FALSE(h.stored().has_value());

    h.service->applyMirror(true, true, NoticePermission::allowed, "알림 제출 실패");
    EXPECT_EQ(h.changes, 1);
    EXPECT_TRUE(h.service->enabled() && h.service->busy());
    EXPECT_EQ(h.service->permission(), NoticePermission::allowed);
    EXPECT_EQ(h.service->deliveryStatus(), "알림 제출 실패");
    h.service->applyMirror(true, true, NoticePermission::allowed, "알림 제출 실패");
    EXPECT_EQ(h.changes, 1);  // nothing differs, nothing is published
}

TEST(ConnectionNotificationService, WillChangeComesBeforeEachChange) {
    Harness h;
    h.backend->currentPermission = NoticePermission::allowed;
    struct Seen {
        bool enabled, busy;
        NoticePermission permission;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    auto watch = h.service->objectWillChange().connect(
        [&] { seen.push_back({h.service->enabled(), h.service->busy(), h.service->permission()}); });
    h.service->setEnabled(true);
    h.run();
    const auto undetermined = NoticePermission::notDetermined;
    EXPECT_EQ(seen, (std::vector<Seen>{{false, false, undetermined},       // busy
                                       {false, true, undetermined},        // permission
                                       {false, true, NoticePermission::allowed},   // enabled
                                       {true, true, NoticePermission::allowed}}));  // busy cleared
}
