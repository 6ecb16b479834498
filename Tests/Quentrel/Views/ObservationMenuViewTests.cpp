#include "QuickViewTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include "Quentrel/Views/Connection/ConnectionStabilityLink.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverIconButton.h"
#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Observation/DeviceObservationView.h"
#include "Quentrel/Views/Observation/ObservationMenuView.h"
#include "Quentrel/Views/ViewRefresh.h"

using namespace quentrel;
using namespace quentrel::testing;
using Case = ObserverUICommand::Case;
using viewtest::device;

namespace {
class ObservationMenuViewTest : public ::testing::Test {
protected:
    void SetUp() override { applyTheme(); }

    ObservationMenuView& view() {
        if (!view_) {
            mirror.apply();
            view_ = std::make_unique<ObservationMenuView>(mirror.store, nullptr, testLocale());
            showWindow(*view_);
        }
        return *view_;
    }
    void selectMountedDevice() { mirror.withDevices({device("driver:1", "Data"), device("driver:2", "Backup", 2)}, 0); }

    viewtest::Mirror mirror;
    PresenterCalls presenter;
    std::unique_ptr<ObservationMenuView> view_;
};
}  // namespace

TEST_F(ObservationMenuViewTest, HeaderButtonsCloseTheQuickViewAndOpenSettings) {
    auto& v = view();
    auto* close = control<PlainButton>(v, "closeQuickView");
    ASSERT_TRUE(close);
    EXPECT_EQ(close->toolTip(), "빠른 보기 닫기");
    EXPECT_EQ(close->accessibleName(), "빠른 보기 닫기");
    EXPECT_EQ(symbolOf(close), "xmark");
    EXPECT_EQ(close->size(), QSize(26, 30));
    click(close);
    EXPECT_EQ(presenter.closed, std::vector<std::string>{"quick-view"});

    auto* settings = control<PlainButton>(v, "quickSettings");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->toolTip(), "설정");
    EXPECT_EQ(symbolOf(settings), "gearshape");
    click(settings);
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"settings"});
    EXPECT_TRUE(mirror.commands.empty());
}

TEST_F(ObservationMenuViewTest, TheMoreMenuOpensWindowsAndQuits) {
    auto& v = view();
    EXPECT_EQ(v.moreButton()->toolTip(), "더 보기");
    EXPECT_EQ(v.moreButton()->accessibleName(), "더 보기");
    EXPECT_TRUE(v.moreButton()->objectName().isEmpty());
    EXPECT_EQ(symbolOf(v.moreButton()), "ellipsis");
    const auto& actions = v.menuActions();
    ASSERT_EQ(actions.size(), 5u);
    EXPECT_EQ(actions[0]->text(), "활동 기록");
    EXPECT_EQ(symbolOf(actions[0]), "clock.arrow.circlepath");
    EXPECT_EQ(actions[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    EXPECT_EQ(actions[1]->text(), "장치 정보");
    EXPECT_EQ(symbolOf(actions[1]), "info.circle");
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_EQ(actions[2]->text(), "시작 안내");
    EXPECT_EQ(symbolOf(actions[2]), "sparkle");
    EXPECT_TRUE(actions[3]->isSeparator());
    EXPECT_EQ(actions[4]->text(), "Kavrinet 종료");
    EXPECT_TRUE(actions[4]->icon().isNull());
    EXPECT_EQ(actions[4]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // The shortcuts also work while the panel is key.
    EXPECT_TRUE(v.actions().contains(actions[0]));
    EXPECT_TRUE(v.actions().contains(actions[4]));

    for (QAction* action : {actions[0], actions[2]}) action->trigger();
    actions[4]->trigger();
    EXPECT_EQ(presenter.shown, (std::vector<std::string>{"activity-log", "welcome"}));
    EXPECT_EQ(presenter.quits, 1);

    selectMountedDevice();
    deliver(mirror);
    EXPECT_TRUE(actions[1]->isEnabled());
    actions[1]->trigger();
    EXPECT_EQ(presenter.shown.back(), "device-details");
    EXPECT_TRUE(mirror.commands.empty());
}

TEST_F(ObservationMenuViewTest, TheEmptyStateAndTheDeviceContentTakeTurns) {
    auto& v = view();
    EXPECT_EQ(v.width(), 360);
    EXPECT_TRUE(v.emptyState()->isVisible());
    EXPECT_FALSE(v.deviceContent()->isVisible());
    const auto texts = v.emptyState()->findChildren<QLabel*>();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts.front()->text(), "장치를 선택하면 활동이 표시됩니다");

    selectMountedDevice();
    deliver(mirror);
    EXPECT_FALSE(v.emptyState()->isVisible());
    EXPECT_TRUE(v.deviceContent()->isVisible());
    EXPECT_EQ(v.devicePanel()->model()->read.value, "12.3");
    EXPECT_TRUE(v.devicePanel()->model()->compact);
    // The rows are 328 wide: the padding lies inside the 360.
    EXPECT_EQ(v.devicePanel()->width(), 328);

    mirror.state.selectedID = "driver:gone";
    deliver(mirror);
    EXPECT_TRUE(v.emptyState()->isVisible());
    EXPECT_FALSE(v.deviceContent()->isVisible());
}

TEST_F(ObservationMenuViewTest, TheDashboardButtonOpensTheDashboard) {
    auto* dashboard = view().dashboardButton();
    EXPECT_EQ(dashboard->text(), "대시보드");
    EXPECT_EQ(dashboard->symbol(), "macwindow");
    EXPECT_TRUE(dashboard->isProminent());
    EXPECT_EQ(dashboard->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_TRUE(dashboard->objectName().isEmpty());
    click(dashboard);
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"status"});
}

TEST_F(ObservationMenuViewTest, TheFinderButtonNeedsAMountedVolumeAndAnAwakeSystem) {
    auto& v = view();
    auto* finder = control<ObserverIconButton>(v, "quickOpenFinder");
    ASSERT_TRUE(finder);
    EXPECT_EQ(finder->toolTip(), "Finder 열기");
    EXPECT_EQ(finder->accessibleName(), "Finder 열기");
    EXPECT_EQ(symbolOf(finder), "folder");
    EXPECT_FALSE(finder->isEnabled());
    click(finder);
    EXPECT_TRUE(mirror.commands.empty());

    selectMountedDevice();
    deliver(mirror);
    EXPECT_TRUE(finder->isEnabled());
    click(finder);
    EXPECT_EQ(mirror.commands, std::vector{ObserverUICommand::make(Case::revealVolume)});

    mirror.state.isSystemSleeping = true;
    deliver(mirror);
    EXPECT_FALSE(finder->isEnabled());
}

TEST_F(ObservationMenuViewTest, ThePauseButtonSendsTheOppositeOfTheMirroredFlag) {
    auto& v = view();
    auto* pause = control<ObserverIconButton>(v, "quickPauseObservation");
    ASSERT_TRUE(pause);
    EXPECT_EQ(pause->toolTip(), "I/O 관측 일시중지");
    EXPECT_EQ(symbolOf(pause), "pause.fill");
    EXPECT_FALSE(pause->isHighlighted());
    EXPECT_TRUE(pause->isEnabled());
    click(pause);
    EXPECT_EQ(mirror.commands, std::vector{ObserverUICommand::withFlag(Case::pause, true)});

    // Nothing changes until the agent's next state says so.
    EXPECT_EQ(symbolOf(pause), "pause.fill");
    mirror.state.isPaused = true;
    deliver(mirror);
    EXPECT_EQ(pause->toolTip(), "I/O 관측 재개");
    EXPECT_EQ(pause->accessibleName(), "I/O 관측 재개");
    EXPECT_EQ(symbolOf(pause), "play.fill");
    EXPECT_TRUE(pause->isHighlighted());
    mirror.commands.clear();
    click(pause);
    EXPECT_EQ(mirror.commands, std::vector{ObserverUICommand::withFlag(Case::pause, false)});
}

TEST_F(ObservationMenuViewTest, SleepDisablesOnlyTheFinderAndPauseButtons) {
    selectMountedDevice();
    mirror.state.isSystemSleeping = true;
    auto& v = view();
    EXPECT_FALSE(v.finderButton()->isEnabled());
    EXPECT_FALSE(v.pauseButton()->isEnabled());
    click(v.pauseButton());
    EXPECT_TRUE(mirror.commands.empty());
    for (QWidget* w : {static_cast<QWidget*>(v.dashboardButton()), static_cast<QWidget*>(v.closeButton()),
                       static_cast<QWidget*>(v.settingsButton()), static_cast<QWidget*>(v.moreButton())})
        EXPECT_TRUE(w->isEnabled());
    for (auto* action : v.menuActions()) EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
}

TEST_F(ObservationMenuViewTest, TheOnboardingPromptShowsUntilCompletedAndOpensTheWelcome) {
    mirror.state.onboardingCompleted = false;
    auto& v = view();
    auto* prompt = v.onboardingPrompt();
    ASSERT_TRUE(prompt->isVisible());
    EXPECT_EQ(prompt->accessibleName(), "처음이라면, 시작 안내 보기");
    EXPECT_EQ(symbolOf(prompt->findChild<QWidget*>()), "sparkle");
    click(prompt);
    EXPECT_EQ(presenter.shown, std::vector<std::string>{"welcome"});

    const int before = v.height();
    mirror.state.onboardingCompleted = true;
    deliver(mirror);
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_EQ(v.height(), before - prompt->height() - ObservationMenuView::spacing);
}

TEST_F(ObservationMenuViewTest, TheErrorLineShowsTheMessageAsItIs) {
    auto& v = view();
    EXPECT_FALSE(v.errorLine()->isVisible());
    mirror.state.errorMessage = "Finder에서 볼륨을 열지 못했습니다. <b>원문</b> 그대로";
    deliver(mirror);
    EXPECT_TRUE(v.errorLine()->isVisible());
    EXPECT_EQ(v.errorLine()->text(), "Finder에서 볼륨을 열지 못했습니다. <b>원문</b> 그대로");
    EXPECT_EQ(v.errorLine()->textFormat(), Qt::PlainText);
    EXPECT_TRUE(v.errorLine()->wordWrap());
    mirror.state.errorMessage = "";
    deliver(mirror);
    EXPECT_TRUE(v.errorLine()->isVisible());
}

TEST_F(ObservationMenuViewTest, TheConnectionRowFollowsTheRememberedDrive) {
    auto& v = view();
    EXPECT_FALSE(v.connectionLink()->isVisible());
    mirror.state.rememberedTarget = viewtest::targetOf(device("driver:1", "Data"));
    deliver(mirror);
    EXPECT_TRUE(v.connectionLink()->isVisible());
    EXPECT_EQ(control<ConnectionStabilityLink>(v, "openConnectionSummary"), v.connectionLink());
}

TEST_F(ObservationMenuViewTest, ManySignalsInOneTurnGiveOneRefresh) {
    auto& v = view();
    int refreshes = 0;
    QObject context;
    ViewRefresh counter(&context, [&] { ++refreshes; });
    counter.watch(mirror.store->objectWillChange());
    for (int i = 0; i < 3; ++i) {
        mirror.state.errorMessage = "오류 " + std::to_string(i);
        mirror.apply();
    }
    // The views read nothing inside the signal.
    EXPECT_FALSE(v.errorLine()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(v.errorLine()->text(), "오류 2");
}

TEST_F(ObservationMenuViewTest, TheGraphSlotGetsAFreshGraphForEachSelection) {
    auto& v = view();
    int made = 0;
    std::vector<ActivityGraphInputs> updates;
    v.setActivityGraph({[&](QWidget* parent) {
                            ++made;
                            return new QLabel(QStringLiteral("graph"), parent);
                        },
                        [&](QWidget&, const ActivityGraphInputs& inputs) { updates.push_back(inputs); }});
    EXPECT_EQ(made, 0);
    EXPECT_FALSE(v.activityGraphSlot()->isVisible());

    selectMountedDevice();
    deliver(mirror);
    EXPECT_EQ(made, 1);
    ASSERT_TRUE(v.activityGraph());
    EXPECT_TRUE(v.activityGraphSlot()->isVisible());
    ASSERT_FALSE(updates.empty());
    EXPECT_EQ(updates.back().identity, "driver:1");
    EXPECT_TRUE(updates.back().compact);

    QPointer<QWidget> first = v.activityGraph();
    mirror.state.errorMessage = "다시";
    deliver(mirror);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(v.activityGraph(), first.data());

    mirror.state.selectedID = "driver:2";
    deliver(mirror);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(made, 2);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(updates.back().identity, "driver:2");

    mirror.state.selectedID.reset();
    deliver(mirror);
    EXPECT_FALSE(v.activityGraph());
    EXPECT_FALSE(v.activityGraphSlot()->isVisible());
}

TEST_F(ObservationMenuViewTest, AStateThatChangesNothingRepaintsNothing) {
    selectMountedDevice();
    mirror.state.currentSession = viewtest::session(3'456'789'012, 987'654'321, 1'712.4, 1'845);
    mirror.state.rememberedTarget = viewtest::targetOf(mirror.state.snapshot.devices.front());
    auto& v = view();
    deliver(mirror);

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    v.installEventFilter(&counter);
    for (QWidget* widget : v.findChildren<QWidget*>()) widget->installEventFilter(&counter);
    deliver(mirror);
    EXPECT_EQ(counter.paints, 0);
}
