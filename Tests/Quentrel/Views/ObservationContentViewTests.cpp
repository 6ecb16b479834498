#include <utility>

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/ActivityHistoryView.h"
#include "Quentrel/Views/Controls/ObserverIconButton.h"
#include "Quentrel/Views/Models/FixedLocaleTexts.h"
#include "Quentrel/Views/ObservationContentView.h"
#include "Quentrel/Views/Observation/ObservationMenuView.h"
#include "Quentrel/Views/QuickViewActivityGraph.h"
#include "Quentrel/Views/WindowVisibilityProbe.h"
#include "QuickViewTestSupport.h"

using namespace quentrel;
using quentrel::testing::control;
using quentrel::testing::deliver;
using quentrel::testing::symbolOf;
using Case = ObserverUICommand::Case;

namespace {
std::vector<wendmark::ActivityInterval> history() {
    std::vector<wendmark::ActivityInterval> intervals;
    for (unsigned i = 0; i < 300; i += 3)
        intervals.push_back({i, platform::Date{viewtest::kNow - 300 + i}, platform::Date{viewtest::kNow - 298 + i},
                             400'000.0 * (i % 13), 150'000.0 * (i % 7)});
    return intervals;
}

class ObservationContentViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        quentrel::testing::applyTheme();
        mirror_.withDevices({viewtest::device("driver:1", "Archive"), viewtest::device("driver:2", "Backup", 2)});
        mirror_.state.intervals = history();
    }

    ObservationContentView& make() {
        mirror_.apply();
        view_ = std::make_unique<ObservationContentView>(
            mirror_.store, [this](const ObserverUICommand& c) { sent_.push_back(c); }, nullptr,
            quentrel::testing::testLocale(), std::make_shared<quentrel::testing::FixedLocaleTexts>());
        view_->resize(620, 780);
        return *view_;
    }

    // Shown and active, so that window shortcuts reach it.
    void showActive() {
        view_->show();
        view_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view_.get()));
        QCoreApplication::processEvents();
    }

    std::vector<Case> commands() const {
        std::vector<Case> kinds;
        for (const auto& c : mirror_.commands)
            if (c.kind != Case::surface) kinds.push_back(c.kind);
        return kinds;
    }

    quentrel::testing::PresenterCalls presenter_;
    viewtest::Mirror mirror_;
    std::vector<ObserverUICommand> sent_;
    std::unique_ptr<ObservationContentView> view_;
};
}  // namespace

TEST_F(ObservationContentViewTest, theHeaderOpensTheQuickViewActivityLogAndSettings) {
    int quickViews = 0;
    ObserverWindowPresenter::quickView = [&] { ++quickViews; };
    auto& view = make();
    quentrel::testing::click(control<ObserverIconButton>(view, "openQuickView"));
    quentrel::testing::click(control<ObserverIconButton>(view, "openActivityLog"));
    auto* settings = control<ObserverIconButton>(view, "openSettings");
    EXPECT_EQ(settings->toolTip(), "설정");
    EXPECT_EQ(settings->accessibleName(), "설정");
    EXPECT_EQ(symbolOf(settings), "gearshape");
    quentrel::testing::click(settings);
    EXPECT_EQ(quickViews, 1);
    EXPECT_EQ(presenter_.shown, (std::vector<std::string>{"activity-log", "settings"}));
}

TEST_F(ObservationContentViewTest, theActionBarSendsItsCommands) {
    auto& view = make();
    quentrel::testing::click(control<QAbstractButton>(view, "openSelectedVolume"));
    quentrel::testing::click(control<ObserverIconButton>(view, "pauseObservation"));
    quentrel::testing::click(control<ObserverIconButton>(view, "refreshObservation"));
    quentrel::testing::click(control<ObserverIconButton>(view, "openDeviceDetails"));
    EXPECT_EQ(commands(), (std::vector{Case::revealVolume, Case::pause}));
    EXPECT_TRUE(mirror_.commands.back().flag);  // pause, not resume
    EXPECT_EQ(sent_, std::vector{ObserverUICommand::make(Case::refresh)});
    EXPECT_EQ(presenter_.shown, std::vector<std::string>{"device-details"});

    // Paused: the same button resumes.
    mirror_.state.isPaused = true;
    deliver(mirror_);
    auto* pause = control<ObserverIconButton>(view, "pauseObservation");
    EXPECT_EQ(pause->title(), "I/O 관측 재개");
    EXPECT_EQ(symbolOf(pause), "play.fill");
    EXPECT_TRUE(pause->isHighlighted());
    quentrel::testing::click(pause);
    EXPECT_FALSE(mirror_.commands.back().flag);
}

TEST_F(ObservationContentViewTest, shortcutsActOnlyThroughShownEnabledButtons) {
    auto& view = make();
    showActive();
    QTest::keyClick(&view, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(sent_.size(), 1u);
    EXPECT_EQ(presenter_.shown, (std::vector<std::string>{"device-details", "activity-log"}));

    // Sampling off: the refresh button is disabled and Command-R does nothing.
    mirror_.state.sampling.enabled = false;
    deliver(mirror_);
    EXPECT_FALSE(control<ObserverIconButton>(view, "refreshObservation")->isEnabled());
    QTest::keyClick(&view, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(sent_.size(), 1u);

    // Without a selected drive there is no action bar, and no device-details shortcut.
    mirror_.state.selectedID.reset();
    deliver(mirror_);
    QTest::keyClick(&view, Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(presenter_.shown.size(), 2u);
    EXPECT_TRUE(commands().empty());
}

TEST_F(ObservationContentViewTest, sleepDisablesFinderAndPauseAndNamesTheMode) {
    mirror_.state.isSystemSleeping = true;
    mirror_.state.isPaused = true;
    auto& view = make();
    EXPECT_FALSE(control<QAbstractButton>(view, "openSelectedVolume")->isEnabled());
    EXPECT_FALSE(control<ObserverIconButton>(view, "pauseObservation")->isEnabled());
    EXPECT_TRUE(control<ObserverIconButton>(view, "openDeviceDetails")->isEnabled());
    QStringList texts;
    for (auto* label : view.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains("잠자기 중"));
    EXPECT_TRUE(texts.contains("마운트 유지"));
}

TEST_F(ObservationContentViewTest, theEmptyStateReplacesTheDriveGroup) {
    mirror_.state.selectedID.reset();
    auto& view = make();
    showActive();
    EXPECT_FALSE(view.deviceGroup()->isVisible());
    EXPECT_TRUE(view.emptyState()->isVisible());
    mirror_.state.snapshot.devices.clear();
    deliver(mirror_);
    QStringList texts;
    for (auto* label : view.emptyState()->findChildren<QLabel*>()) texts << label->text();
    EXPECT_EQ(texts, QStringList{"연결을 기다리고 있어요"});
}

TEST_F(ObservationContentViewTest, anotherDriveOrAGoneOneResetsTheGraphsInspection) {
    auto& view = make();
    QTest::keyClick(view.activityGraph()->graph(), Qt::Key_Left);
    EXPECT_TRUE(view.activityGraph()->inspection().date);
    mirror_.state.selectedID = "driver:2";
    deliver(mirror_);
    EXPECT_FALSE(view.activityGraph()->inspection().date);

    // Gone and back under the same id (a replug): nothing inspected either.
    QTest::keyClick(view.activityGraph()->graph(), Qt::Key_Left);
    const auto devices = std::exchange(mirror_.state.snapshot.devices, {});
    deliver(mirror_);
    mirror_.state.snapshot.devices = devices;
    deliver(mirror_);
    EXPECT_FALSE(view.activityGraph()->inspection().date);
}

TEST_F(ObservationContentViewTest, theErrorLineShowsTheMessageAndTheProbeReports) {
    mirror_.state.errorMessage = std::string(60, 'x') + " 볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.";
    auto& view = make();
    showActive();
    EXPECT_TRUE(view.errorLine()->isVisible());
    // A long message wraps at the content's full width, not at half of it.
    EXPECT_GE(view.errorLine()->findChild<QLabel*>()->geometry().right(), view.errorLine()->width() - 2);
    EXPECT_EQ(control<ObserverIconButton>(view, "openSettings")->symbolSize(), 16);
    EXPECT_EQ(symbolOf(view.errorLine()), "exclamationmark.circle.fill");
    ASSERT_FALSE(mirror_.commands.empty());
    EXPECT_EQ(mirror_.commands.front(), ObserverUICommand::surface(view.probe()->surfaceID(), true));
    mirror_.state.errorMessage.reset();
    deliver(mirror_);
    EXPECT_FALSE(view.errorLine()->isVisible());
}

TEST_F(ObservationContentViewTest, screenshots) {
    using ::testing::HasSubstr;
    using quentrel::testing::shownTexts;
    auto& view = make();
    showActive();
    QTest::mouseClick(view.activityGraph()->graph(), Qt::LeftButton, {}, QPoint(200, 30));
    QCoreApplication::processEvents();
    quentrel::testing::writeScreenshot(*view.widget(), "dashboard-selected");
    EXPECT_TRUE(view.activityGraph()->inspection().date);
    EXPECT_THAT(shownTexts(*view.widget()), HasSubstr("I/O 활동"));
    mirror_.state.isPaused = true;
    mirror_.state.sampling.enabled = false;
    deliver(mirror_);
    quentrel::testing::writeScreenshot(*view.widget(), "dashboard-paused");
    EXPECT_THAT(shownTexts(*view.widget()), HasSubstr("이전 표본"));
    EXPECT_THAT(shownTexts(*view.widget()), HasSubstr("관측 일시중지"));
    mirror_.state.isSystemSleeping = true;
    mirror_.state.errorMessage = "볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.";
    deliver(mirror_);
    quentrel::testing::writeScreenshot(*view.widget(), "dashboard-sleeping");
    EXPECT_TRUE(view.errorLine()->isVisible());
    EXPECT_THAT(shownTexts(*view.widget()), HasSubstr("볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.\n마운트 유지\n잠자기 중"));
    mirror_.state = viewtest::Mirror().state;
    deliver(mirror_);
    quentrel::testing::writeScreenshot(*view.widget(), "dashboard-empty");
    EXPECT_TRUE(view.emptyState()->isVisible());
    EXPECT_THAT(shownTexts(*view.widget()), HasSubstr("연결을 기다리고 있어요"));
}

TEST_F(ObservationContentViewTest, theQuickViewShowsTheCompactGraph) {
    mirror_.apply();
    ObservationMenuView quick(mirror_.store, nullptr, quentrel::testing::testLocale());
    installActivityGraph(quick, std::make_shared<quentrel::testing::FixedLocaleTexts>());
    auto* graph = dynamic_cast<ActivityHistoryView*>(quick.activityGraph());
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(graph->isCompact());
    EXPECT_EQ(graph->input().intervals.size(), history().size());
    QTest::keyClick(graph->graph(), Qt::Key_Left);
    quentrel::testing::showWindow(quick);
    quentrel::testing::writeScreenshot(quick, "quick-view-graph");
    // Another device: a fresh graph.
    mirror_.state.selectedID = "driver:2";
    deliver(mirror_);
    auto* fresh = dynamic_cast<ActivityHistoryView*>(quick.activityGraph());
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh->inspection().date);
}
