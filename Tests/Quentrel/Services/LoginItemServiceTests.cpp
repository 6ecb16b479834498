#include "Quentrel/Services/LoginItemService.h"

#include <gtest/gtest.h>

#include "Doubles/FakeLoginItemRegistry.h"

using namespace quentrel;
using Call = FakeLoginItemRegistry::Call;

TEST(LoginItemService, StatusTable) {
    struct Row {
        std::int64_t status;
        bool enabled;
        bool requiresApproval;
        const char* text;
    };
    const Row rows[] = {
        {0, false, false, "로그인 시 실행 꺼짐"},
        {1, true, false, "로그인 시 실행 등록됨"},
        {2, false, true, "시스템 설정에서 승인 필요"},
        {3, false, false, "앱 등록 경로를 확인할 수 없음"},
        {4, false, false, "등록 상태 미확인"},
        {-1, false, false, "등록 상태 미확인"},
    };
    for (const auto& row : rows) {
        auto registry = std::make_shared<FakeLoginItemRegistry>();
        registry->currentStatus = row.status;
        LoginItemService service({}, registry);  // the agent's service reads the status at creation
        EXPECT_EQ(registry->calls, std::vector<Call>{Call::status});
        EXPECT_EQ(service.enabled(), row.enabled) << row.status;
        EXPECT_EQ(service.requiresApproval(), row.requiresApproval) << row.status;
        EXPECT_EQ(service.statusText(), row.text);
        EXPECT_FALSE(service.error());
        EXPECT_FALSE(service.isBusy());
    }
}

TEST(LoginItemService, FailureTextStaysUntilTheNextSuccess) {
    auto registry = std::make_shared<FakeLoginItemRegistry>();
    LoginItemService service({}, registry);
    registry->registerError = "Operation not permitted";
    service.setEnabled(true);
    EXPECT_EQ(service.error(), "Operation not permitted");
    EXPECT_EQ(service.statusText(), "로그인 시 실행 꺼짐");  // refreshed after the failed attempt too
    EXPECT_EQ(registry->count(Call::status), 2u);

    registry->registerError.reset();
    service.setEnabled(true);
    EXPECT_FALSE(service.error());
    EXPECT_TRUE(service.enabled());
    EXPECT_EQ(service.statusText(), "로그인 시 실행 등록됨");

    registry->unregisterError = "busy";
    service.setEnabled(false);
    EXPECT_EQ(service.error(), "busy");
    EXPECT_TRUE(service.enabled());
    registry->unregisterError.reset();
    service.setEnabled(false);
    EXPECT_FALSE(service.error());
    EXPECT_FALSE(service.enabled());
    EXPECT_EQ(registry->calls, (std::vector<Call>{Call::status, Call::registerMainApp, Call::status,
                                                  Call::registerMainApp, Call::status, Call::unregisterMainApp,
                                                  Call::status, Call::unregisterMainApp, Call::status}));
}

TEST(LoginItemService, BusyRefusesToSwitch) {
    auto registry = std::make_shared<FakeLoginItemRegistry>();
    LoginItemService service({}, registry);
    service.applyMirror(false, false, true, "로그인 시 실행 꺼짐", std::nullopt);  // only a copy can set it
    registry->calls.clear();
    service.setEnabled(true);
    EXPECT_TRUE(registry->calls.empty());
}

TEST(LoginItemService, OpeningTheSettingsChangesNothing) {
    auto registry = std::make_shared<FakeLoginItemRegistry>();
    LoginItemService service({}, registry);
    int changes = 0;
    auto connection = service.objectWillChange().connect([&] { ++changes; });
    service.openLoginItemsSettings();
    EXPECT_EQ(registry->calls, (std::vector<Call>{Call::status, Call::openLoginItemsSettings}));
    EXPECT_EQ(changes, 0);
}

TEST(LoginItemService, MirrorForwardsAndWaitsForTheAgent) {
    std::vector<ObserverUICommand> sent;
    auto registry = std::make_shared<FakeLoginItemRegistry>();
    LoginItemService service([&](const ObserverUICommand& c) { sent.push_back(c); }, registry);
    EXPECT_EQ(service.statusText(), "확인 중");
    service.refresh();
    service.setEnabled(true);
    service.openLoginItemsSettings();
    EXPECT_TRUE(registry->calls.empty());
    EXPECT_EQ(sent, (std::vector<ObserverUICommand>{
                        ObserverUICommand::make(ObserverUICommand::Case::refreshLogin),
                        ObserverUICommand::withFlag(ObserverUICommand::Case::login, true),
                        ObserverUICommand::make(ObserverUICommand::Case::approvalSettings),
                    }));
    EXPECT_EQ(service.statusText(), "확인 중");
    EXPECT_FALSE(service.enabled());

    int changes = 0;
    auto connection = service.objectWillChange().connect([&] { ++changes; });
    service.applyMirror(false, true, false, "시스템 설정에서 승인 필요", std::string("denied"));
    service.applyMirror(false, true, false, "시스템 설정에서 승인 필요", std::string("denied"));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(service.requiresApproval());
    EXPECT_EQ(service.error(), "denied");
}
