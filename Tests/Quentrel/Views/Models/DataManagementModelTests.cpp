#include "Quentrel/Views/Models/DataManagementModel.h"

#include <gtest/gtest.h>

#include "Quentrel/Views/SecondaryWindowsHarness.h"

using namespace quentrel;
using secondarywindows::session;
using wendmark::SessionEndReason;

TEST(DataManagementModel, anEmptyStoreShowsZeroCountsDisabledClearsAndNoResultLine) {
    secondarywindows::MirrorHarness h;
    h.push();
    const auto m = makeDataManagementModel(*h.store);
    EXPECT_EQ(m.eventsText, "앱에 저장된 최근 이벤트 0건을 지웁니다. 새 이벤트는 계속 기록됩니다. 5분 그래프와 따로 저장한 "
                            "진단 파일은 유지됩니다.");
    EXPECT_EQ(m.sessionsText, "완료된 세션 0개를 지웁니다. 현재 세션은 계속 집계됩니다.");
    EXPECT_FALSE(m.clearEventsEnabled);
    EXPECT_FALSE(m.clearSessionsEnabled);
    EXPECT_FALSE(m.showsUndoReset || m.showsUndoEvents || m.showsUndoSessions);
    EXPECT_FALSE(m.result);
}

TEST(DataManagementModel, theMirrorCountsOnlyEndedSessionsOfTheMirroredList) {
    secondarywindows::MirrorHarness h;
    h.state.currentSession = session(0, std::nullopt);
    h.state.sessions = {session(0, std::nullopt)};
    for (unsigned i = 1; i <= 30; ++i) h.state.sessions.push_back(session(i, SessionEndReason::disconnected));
    for (unsigned i = 0; i < 1234; ++i) h.state.recentEvents.push_back({platform::Date{double(i)}, "이벤트"});
    h.push();
    EXPECT_EQ(completedSessionCount(*h.store), 30u);
    const auto m = makeDataManagementModel(*h.store);
    // A plain decimal without grouping.
    EXPECT_NE(m.eventsText.find(" 1234건을 지웁니다."), std::string::npos) << m.eventsText;
    EXPECT_EQ(m.sessionsText, "완료된 세션 30개를 지웁니다. 현재 세션은 계속 집계됩니다.");
    EXPECT_TRUE(m.clearEventsEnabled);
    EXPECT_TRUE(m.clearSessionsEnabled);

    // Only the running one: nothing to clear.
    h.state.sessions = {session(0, std::nullopt)};
    h.push();
    EXPECT_FALSE(makeDataManagementModel(*h.store).clearSessionsEnabled);
}

TEST(DataManagementModel, theResultLineTakesTheMessageVerbatimWithItsSymbol) {
    secondarywindows::MirrorHarness h;
    h.state.dataActionMessage = "세션 기록을 지우지 못해 기존 기록을 유지했습니다.";
    h.state.dataActionFailed = true;
    h.push();
    EXPECT_EQ(makeDataManagementModel(*h.store).result,
              (DataActionResult{"세션 기록을 지우지 못해 기존 기록을 유지했습니다.", true, "exclamationmark.circle"}));
    h.state.dataActionMessage = "%@ 완료";  // never a format or a localisation key
    h.state.dataActionFailed = false;
    h.push();
    EXPECT_EQ(makeDataManagementModel(*h.store).result, (DataActionResult{"%@ 완료", false, "checkmark.circle"}));
}

TEST(DataManagementModel, theAlertsOfTheThreeActions) {
    struct Row {
        DataConfirmation which;
        const char* title;
        const char* message;
        const char* confirm;
        bool destructive;
    } rows[] = {
        {DataConfirmation::reset, "관측 설정을 초기화할까요?",
         "기억한 장치·시작 화면·백그라운드 관측만 초기화합니다. 로그인 실행은 유지하며, 이번 실행 중에는 되돌릴 수 있습니다.",
         "초기화", false},
        {DataConfirmation::clearEvents, "최근 이벤트를 지울까요?",
         "현재 앱에 보관된 이벤트만 지웁니다. 열려 있는 진단 미리보기도 비웁니다. 이번 실행 중에는 삭제를 되돌릴 수 있습니다.",
         "지우기", true},
        {DataConfirmation::clearSessions, "완료된 세션을 지울까요?",
         "현재 세션은 유지합니다. 이번 실행 중에는 삭제를 되돌릴 수 있습니다.", "지우기", true},
    };
    for (const auto& r : rows) {
        const auto alert = confirmationAlert(r.which);
        EXPECT_EQ(alert.title, r.title);
        EXPECT_EQ(alert.message, r.message);
        EXPECT_EQ(alert.confirmTitle, r.confirm);
        EXPECT_EQ(alert.destructive, r.destructive) << r.title;
    }
}
