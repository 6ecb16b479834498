#include "QuickViewTestSupport.h"

#include <QLabel>
#include <QScrollArea>

#include "Quentrel/Views/Controls/ContentUnavailableView.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Sessions/WorkSessionHistoryView.h"

using namespace quentrel;
using namespace quentrel::testing;
using Case = ObserverUICommand::Case;
using wendmark::SessionEndReason;

namespace {
wendmark::WorkSession session(unsigned id, std::optional<SessionEndReason> reason, double observed, double elapsed) {
    auto s = viewtest::session(12'300'000'000, 4'200'000, observed, elapsed);
    s.id = viewtest::uuid(id);
    s.endReason = reason;
    return s;
}

class WorkSessionHistoryViewTest : public ::testing::Test {
protected:
    void SetUp() override { applyTheme(); }

    WorkSessionHistoryView& view(bool firstState = true) {
        if (!view_) {
            if (firstState) mirror.apply();
            view_ = std::make_unique<WorkSessionHistoryView>(mirror.store, nullptr, testLocale(),
                                                             FixedMinuteDateFormatter::shared());
            ObserverTheme::applyToRoot(*view_);
            view_->resize(572, 420);
            showWindow(*view_);
        }
        return *view_;
    }
    // A running session and two completed ones, as the agent lists them.
    void withSessions() {
        mirror.state.currentSession = session(1, std::nullopt, 290, 300);
        mirror.state.sessions = {*mirror.state.currentSession, session(2, SessionEndReason::disconnected, 30, 40),
                                 session(3, SessionEndReason::interrupted, 29, 100)};
    }

    viewtest::Mirror mirror;
    PresenterCalls presenter;
    std::unique_ptr<WorkSessionHistoryView> view_;
};
}  // namespace

TEST_F(WorkSessionHistoryViewTest, BeforeTheFirstStateTheListIsEmptyAndTheButtonDisabled) {
    auto& v = view(false);
    auto* button = control<ObserverActionButton>(v, "newWorkSession");
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), "새 세션");
    EXPECT_EQ(symbolOf(button), "plus");
    EXPECT_FALSE(button->isEnabled());
    click(button);
    EXPECT_TRUE(mirror.commands.empty());
    EXPECT_TRUE(v.emptyState()->isVisible());
    EXPECT_EQ(v.emptyState()->title(), "아직 세션이 없습니다");
    EXPECT_EQ(symbolOf(v.emptyState()), "clock");
    // The empty state sits inside the scroll view, between the header and the limits note.
    EXPECT_TRUE(v.list()->widget()->isAncestorOf(v.emptyState()));
    EXPECT_TRUE(v.visibleRows().empty());
    EXPECT_TRUE(v.explanationLabel()->isVisible());
    EXPECT_TRUE(v.limitsNote()->isVisible());
}

TEST_F(WorkSessionHistoryViewTest, TheBannerShowsOnlyWhileTheSessionStoreIsNotAvailable) {
    mirror.state.sessionStorageStatus = EventStorageStatus::available;
    auto& v = view();
    EXPECT_FALSE(v.storageBanner()->isVisible());

    mirror.state.sessionStorageStatus = EventStorageStatus::memoryOnly;
    deliver(mirror);
    EXPECT_TRUE(v.storageBanner()->isVisible());
    EXPECT_EQ(v.storageBanner()->title(), "내장 저장 위치를 사용할 수 없어 이번 실행의 기록만 표시합니다.");
    EXPECT_EQ(symbolOf(v.storageBanner()), "exclamationmark.circle");
    EXPECT_EQ(v.storageBanner()->colour(), WorkSessionHistoryView::bannerColour);
    writeScreenshot(v, "work-session-history-empty-memory-only");
}

TEST_F(WorkSessionHistoryViewTest, RowsShowTheRunningSessionFirstAndTheButtonStartsANewOne) {
    withSessions();
    mirror.state.sessionStorageStatus = EventStorageStatus::available;
    auto& v = view();
    EXPECT_FALSE(v.emptyState()->isVisible());
    const auto rows = v.visibleRows();
    ASSERT_EQ(rows.size(), 3u);
    const auto texts = [](QWidget* row) {
        QStringList list;
        for (auto* label : row->findChildren<QLabel*>()) list << label->text();
        return list;
    };
    auto* running = rows[0]->findChildren<SymbolLabel*>().front();
    EXPECT_EQ(running->title(), "현재 세션");
    EXPECT_EQ(symbolOf(running), "circle.dotted");
    EXPECT_TRUE(texts(rows[0]).contains("관측률 96% · 최근 갱신 20:26:40"));
    EXPECT_TRUE(texts(rows[1]).contains("2023-03-08 20:26"));
    EXPECT_EQ(symbolOf(rows[2]->findChildren<SymbolLabel*>().front()), "checkmark.circle");
    EXPECT_TRUE(texts(rows[2]).contains("관측률 29% · 종료 20:26:40"));
    writeScreenshot(v, "work-session-history-sessions");

    auto* button = control<ObserverActionButton>(v, "newWorkSession");
    ASSERT_TRUE(button);
    EXPECT_TRUE(button->isEnabled());
    click(button);
    ASSERT_EQ(mirror.commands.size(), 1u);
    EXPECT_EQ(mirror.commands[0].kind, Case::newSession);
    // Nothing changes here until the agent's next state.
    EXPECT_EQ(v.visibleRows().size(), 3u);
    EXPECT_TRUE(button->isEnabled());
}

TEST_F(WorkSessionHistoryViewTest, TheListFollowsEachStateAndCompletedRowsAloneLeaveTheButtonOff) {
    withSessions();
    auto& v = view();
    ASSERT_EQ(v.visibleRows().size(), 3u);
    mirror.state.currentSession.reset();
    mirror.state.sessions = {session(1, SessionEndReason::newSession, 290, 300)};
    deliver(mirror);
    ASSERT_EQ(v.visibleRows().size(), 1u);
    EXPECT_EQ(v.visibleRows()[0]->findChildren<SymbolLabel*>().front()->title(), "새 세션 시작");
    EXPECT_FALSE(control<ObserverActionButton>(v, "newWorkSession")->isEnabled());
    mirror.state.sessions.clear();
    deliver(mirror);
    EXPECT_TRUE(v.visibleRows().empty());
    EXPECT_TRUE(v.emptyState()->isVisible());
}
