#include "QuickViewTestSupport.h"

#include <QLabel>
#include <QStackedWidget>
#include <QTabBar>

#include "Quentrel/Views/ActivityLogView.h"
#include "Quentrel/Views/Controls/ContentUnavailableView.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Sessions/WorkSessionHistoryView.h"

using namespace quentrel;
using namespace quentrel::testing;
using Case = ObserverUICommand::Case;

namespace {
class ActivityLogViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        applyTheme();
        mirror.state.eventStorageStatus = EventStorageStatus::available;
        mirror.state.sessionStorageStatus = EventStorageStatus::available;
    }

    ActivityLogView& view() {
        if (!view_) {
            mirror.apply();
            view_ = std::make_unique<ActivityLogView>(mirror.store, nullptr, testLocale(),
                                                      FixedMinuteDateFormatter::shared());
            view_->resize(620, 520);
            showWindow(*view_);
        }
        return *view_;
    }
    void chooseTab(int tab) {
        auto* bar = view().picker();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
        // The refresh, then the layouts from the inside out.
        for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
    }
    bool showsSessions() {
        auto* stack = qobject_cast<QStackedWidget*>(view().sessionsList()->parentWidget());
        return stack && stack->currentWidget() == view().sessionsList();
    }
    void withEvents() {
        const RecentEvent same{platform::Date{viewtest::kNow}, "외장 장치 등장 감지"};
        mirror.state.recentEvents = {same, same,
                                     {platform::Date{viewtest::kNow - 90'061}, "앱 시작 · 마운트 유지 관측 모드"}};
    }

    viewtest::Mirror mirror;
    PresenterCalls presenter;
    std::unique_ptr<ActivityLogView> view_;
};
}  // namespace

TEST_F(ActivityLogViewTest, TheHeaderButtonPreparesTheDiagnosticPreview) {
    auto& v = view();
    EXPECT_EQ(v.objectName(), "activity-log");
    EXPECT_EQ(v.titleLabel()->text(), "활동 기록");
    auto* preview = control<ObserverActionButton>(v, "previewDiagnostics");
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->text(), "진단 미리보기");
    EXPECT_EQ(symbolOf(preview), "doc.text.magnifyingglass");
    EXPECT_FALSE(preview->isProminent());
    click(preview);
    ASSERT_EQ(mirror.commands.size(), 1u);
    EXPECT_EQ(mirror.commands[0].kind, Case::prepareDiagnostics);
    // The agent opens the preview window itself once the preview is built.
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ActivityLogViewTest, TheBarOpensDataManagementAndTheConnectionSummary) {
    auto& v = view();
    EXPECT_FALSE(v.storageBanner()->isVisible());
    EXPECT_EQ(v.manageButton()->text(), "기록 관리");
    EXPECT_EQ(symbolOf(v.manageButton()), "slider.horizontal.3");
    EXPECT_TRUE(v.manageButton()->objectName().isEmpty());
    click(v.manageButton());
    auto* summary = control<PlainButton>(v, "logConnectionSummary");
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->text(), "연결 요약");
    EXPECT_EQ(symbolOf(summary), "link");
    click(summary);
    EXPECT_EQ(presenter.shown, (std::vector<std::string>{"data-management", "connection-summary"}));
    EXPECT_TRUE(mirror.commands.empty());
    EXPECT_FALSE(v.undoButton()->isVisible());
}

TEST_F(ActivityLogViewTest, TheUndoButtonSendsItsCommandAndGoesWithTheNextState) {
    mirror.state.canUndoHistoryClear = true;
    auto& v = view();
    ASSERT_TRUE(v.undoButton()->isVisible());
    EXPECT_EQ(symbolOf(v.undoButton()), "arrow.uturn.backward");
    click(v.undoButton());
    ASSERT_EQ(mirror.commands.size(), 1u);
    EXPECT_EQ(mirror.commands[0].kind, Case::undoEvents);
    EXPECT_TRUE(v.undoButton()->isVisible());
    mirror.state.canUndoHistoryClear = false;
    deliver(mirror);
    EXPECT_FALSE(v.undoButton()->isVisible());
}

TEST_F(ActivityLogViewTest, TheEventLogsBannerIsMutedText) {
    mirror.state.eventStorageStatus = EventStorageStatus::writeFailed;
    mirror.state.canUndoHistoryClear = true;
    auto& v = view();
    ASSERT_TRUE(v.storageBanner()->isVisible());
    EXPECT_EQ(symbolOf(v.storageBanner()), "exclamationmark.circle");
    EXPECT_EQ(v.storageBanner()->colour(), ObserverTheme::muted);
    // The sessions tab's own banner follows the session store, which is fine here.
    EXPECT_FALSE(v.sessionsList()->storageBanner()->isVisible());
    writeScreenshot(v, "activity-log-banner-undo");
    // It wraps in the window's width, not in a narrow column of its own.
    EXPECT_GT(v.storageBanner()->titleLabel()->width(), v.storageBanner()->width() * 3 / 4);
}

TEST_F(ActivityLogViewTest, ThePickerSwitchesBetweenTheSessionsAndTheEvents) {
    mirror.state.currentSession = viewtest::session(1'500'000, 0, 30, 40);
    mirror.state.sessions = {*mirror.state.currentSession};
    auto& v = view();
    auto* picker = control<QTabBar>(v, "activityLogTabs");
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->accessibleName(), "기록 종류");
    ASSERT_EQ(picker->count(), 2);
    EXPECT_EQ(v.selectedTab(), 0);
    EXPECT_TRUE(showsSessions());
    EXPECT_EQ(v.sessionsList()->visibleRows().size(), 1u);
    writeScreenshot(v, "activity-log-sessions");

    chooseTab(1);
    EXPECT_EQ(v.selectedTab(), 1);
    EXPECT_FALSE(showsSessions());
    EXPECT_TRUE(v.eventsList()->isVisible());
    // An empty history shows only the empty state inside the card.
    EXPECT_TRUE(v.emptyEvents()->isVisible());
    EXPECT_EQ(v.emptyEvents()->title(), "기록이 없습니다");
    EXPECT_TRUE(v.eventsList()->isAncestorOf(v.emptyEvents()));
    EXPECT_TRUE(v.visibleEventRows().empty());
    writeScreenshot(v, "activity-log-events-empty");
    chooseTab(0);
    EXPECT_TRUE(showsSessions());
    EXPECT_TRUE(mirror.commands.empty());
}

TEST_F(ActivityLogViewTest, EventsAreRowsInTheLogsOrderEvenWhenEqual) {
    withEvents();
    auto& v = view();
    chooseTab(1);
    const auto rows = v.visibleEventRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(v.emptyEvents()->isVisible());
    const auto texts = [](QWidget* row) {
        QStringList list;
        for (auto* label : row->findChildren<QLabel*>()) list << label->text();
        return list;
    };
    EXPECT_EQ(texts(rows[0]), (QStringList{"외장 장치 등장 감지", "2023-03-08 20:26:40"}));
    EXPECT_EQ(texts(rows[1]), texts(rows[0]));
    EXPECT_EQ(texts(rows[2]), (QStringList{"앱 시작 · 마운트 유지 관측 모드", "2023-03-07 19:25:39"}));
    EXPECT_EQ(symbolOf(rows[0]->findChild<ObserverSymbolView*>()), "circle.fill");
    writeScreenshot(v, "activity-log-events");

    mirror.state.recentEvents.resize(1);
    deliver(mirror);
    EXPECT_EQ(v.visibleEventRows().size(), 1u);
}

TEST_F(ActivityLogViewTest, AWindowOpenedAgainStartsOnTheSessionsButOneBroughtForwardKeepsItsList) {
    auto& v = view();
    chooseTab(1);
    // Shown again while open (the presenter brings it forward): unchanged.
    v.show();
    v.raise();
    QCoreApplication::processEvents();
    EXPECT_EQ(v.selectedTab(), 1);
    EXPECT_FALSE(showsSessions());
    // Hidden without closing (as when the application hides): unchanged too.
    v.hide();
    showWindow(v);
    EXPECT_EQ(v.selectedTab(), 1);

    v.close();
    QCoreApplication::processEvents();
    showWindow(v);
    EXPECT_EQ(v.selectedTab(), 0);
    EXPECT_TRUE(showsSessions());
    EXPECT_EQ(v.picker()->currentIndex(), 0);
    // The new presentation is followed like the first one.
    chooseTab(1);
    EXPECT_EQ(v.selectedTab(), 1);
    EXPECT_FALSE(showsSessions());
}
