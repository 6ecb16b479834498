#include "Quentrel/Views/Models/ActivityLogModel.h"

#include <gtest/gtest.h>

#include "MirrorFixture.h"

using namespace quentrel;

namespace {
using Model = ActivityLogModel;
using SymbolText = Model::SymbolText;

Model make(const ObserverStore& store, int tab = Model::sessionsTab) {
    return Model::make(store, tab, FixedLocaleFormatter::shared());
}
}  // namespace

TEST(ActivityLogModel, TheChromeHasItsFixedTexts) {
    viewtest::Mirror mirror;
    mirror.state.eventStorageStatus = EventStorageStatus::available;
    const auto m = make(mirror.apply());
    EXPECT_EQ(m.title, "활동 기록");
    EXPECT_EQ(m.previewButton, (SymbolText{"진단 미리보기", "doc.text.magnifyingglass"}));
    EXPECT_FALSE(m.storageBanner);
    EXPECT_EQ(m.manageButton, (SymbolText{"기록 관리", "slider.horizontal.3"}));
    EXPECT_EQ(m.summaryButton, (SymbolText{"연결 요약", "link"}));
    EXPECT_EQ(m.undoButton, (SymbolText{"삭제 되돌리기", "arrow.uturn.backward"}));
    EXPECT_FALSE(m.showsUndo);
    EXPECT_EQ(m.pickerLabel, "기록 종류");
    EXPECT_EQ(m.tabTitles, (std::vector<std::string>{"작업 세션", "이벤트"}));
    EXPECT_EQ(m.eventSymbol, "circle.fill");
}

TEST(ActivityLogModel, TheBannerFollowsTheEventLogNotTheSessionStore) {
    viewtest::Mirror mirror;
    mirror.state.eventStorageStatus = EventStorageStatus::readFailed;
    mirror.state.sessionStorageStatus = EventStorageStatus::available;
    EXPECT_EQ(make(mirror.apply()).storageBanner,
              (SymbolText{"이전 기록을 읽지 못했습니다. 관측은 계속됩니다.", "exclamationmark.circle"}));
    mirror.state.eventStorageStatus = EventStorageStatus::available;
    mirror.state.sessionStorageStatus = EventStorageStatus::writeFailed;
    EXPECT_FALSE(make(mirror.apply()).storageBanner);
}

TEST(ActivityLogModel, TheUndoButtonShowsExactlyWhileTheClearingCanBeUndone) {
    viewtest::Mirror mirror;
    mirror.state.canUndoHistoryClear = true;
    EXPECT_TRUE(make(mirror.apply()).showsUndo);
    mirror.state.canUndoHistoryClear = false;
    EXPECT_FALSE(make(mirror.apply()).showsUndo);
}

TEST(ActivityLogModel, OnlyValueZeroShowsTheSessions) {
    viewtest::Mirror mirror;
    auto& store = mirror.apply();
    for (const auto& [tab, sessions] : {std::pair{0, true}, {1, false}, {2, false}, {-1, false}}) {
        const auto m = make(store, tab);
        EXPECT_EQ(m.tab, tab);
        EXPECT_EQ(m.showsSessions, sessions) << tab;
    }
}

TEST(ActivityLogModel, EventsKeepTheLogsOrderAndDuplicates) {
    viewtest::Mirror mirror;
    EXPECT_EQ(make(mirror.apply(), 1).emptyEvents, (SymbolText{"기록이 없습니다", "clock"}));
    const RecentEvent same{platform::Date{viewtest::kNow}, "외장 장치 등장 감지"};
    mirror.state.recentEvents = {same, same, {platform::Date{viewtest::kNow - 86'400}, "앱 시작 · 마운트 유지 관측 모드"}};
    const auto m = make(mirror.apply(), 1);
    EXPECT_FALSE(m.emptyEvents);
    ASSERT_EQ(m.events.size(), 3u);
    EXPECT_EQ(m.events[0], (Model::EventRow{"외장 장치 등장 감지", "2023-03-08 20:26:40"}));
    EXPECT_EQ(m.events[1], m.events[0]);
    EXPECT_EQ(m.events[2], (Model::EventRow{"앱 시작 · 마운트 유지 관측 모드", "2023-03-07 20:26:40"}));
}
