#include "ObserverAppDelegate.h"

#include "Quentrel/Stores/ObserverStore.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Quentrel/Services/ClosedUIResourceTracker.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Services/UIStateFixture.h"
#include "Quentrel/Views/ApplicationHiddenState.h"
#include "Quentrel/Views/Controls/FocusArrival.h"
#include "Quentrel/Views/Controls/ObserverFocusRing.h"
#include "Quentrel/Views/ThemeTestSupport.h"
#include "Quentrel/Views/ViewText.h"
#include "Support/ContrastRatio.h"

using namespace quentrel;
using Case = ObserverUICommand::Case;

namespace {

class ObserverAppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        quentrel::testing::applyTheme();
        store = ObserverStore::make({
            .preferences = std::make_shared<platform::MemoryDefaultsDatabase>("local.test.Kavrinet.UI"),
            .remoteCommand =
                [this](const ObserverUICommand& c) {
                    log.push_back("command " + std::string(ObserverUICommand::caseName(c.kind)) +
                                  (c.kind == Case::surface ? (c.flag ? " true" : " false") : ""));
                    commands.push_back(c);
                },
        });
        presenter = std::make_unique<ObserverAppDelegate>(store);
        presenter->setOnEmptyUI([this] { log.push_back("empty"); });
        presenter->setOnHide([this] { log.push_back("hide"); });
        presenter->prepareUIOnly();
    }
    void TearDown() override {
        presenter.reset();
        settle();
        ObserverWindowPresenter::resetToDefaults();
        ApplicationHiddenState::shared().setHidden(false);
    }

    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    ObserverWindow& shown(const std::string& id) {
        presenter->showWindow(id);
        ObserverWindow* window = presenter->window(id);
        EXPECT_TRUE(window && QTest::qWaitForWindowExposed(window));
        settle();
        return *window;
    }
    ObserverQuickPanel* openPanel(std::vector<double> anchor = {200, 500, 24, 24}) {
        presenter->present({"quick-view", anchor});
        ObserverQuickPanel* panel = presenter->quickPanel();
        panelSizeAtCreation = panel ? panel->size() : QSize();
        EXPECT_TRUE(panel && QTest::qWaitForWindowExposed(panel));
        settle();
        return panel;
    }
    std::vector<Case> commandKinds() const {
        std::vector<Case> kinds;
        for (const auto& c : commands) kinds.push_back(c.kind);
        return kinds;
    }

    std::shared_ptr<ObserverStore> store;
    std::unique_ptr<ObserverAppDelegate> presenter;
    std::vector<ObserverUICommand> commands;
    std::vector<std::string> log;
    QSize panelSizeAtCreation;
};

// Counts the layout requests that reach the widgets it watches.
struct LayoutRequests : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override { return (count += event->type() == QEvent::LayoutRequest, false); }
};

QStringList menuTitles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* a : bar->actions()) titles << a->text();
    return titles;
}

}  // namespace

TEST_F(ObserverAppDelegateTest, eachWindowOpensOnceWithItsTitleAndContentSize) {
    struct Row {
        const char* id;
        const char* title;
        QSize content, minimum;  // an empty minimum: a fitting window, not resizable
    } rows[] = {
        {"status", "Kavrinet", {620, 780}, {540, 500}},
        {"activity-log", "활동 기록", {620, 520}, {460, 400}},
        {"unknown-id", "Kavrinet", {620, 780}, {460, 400}},
        {"help", "Kavrinet 도움말", {600, 620}, {460, 400}},
        {"about", "Kavrinet 도움말", {600, 620}, {460, 400}},
        {"settings", "Kavrinet 설정", {}, {}},
    };
    for (const Row& r : rows) {
        ObserverWindow& window = shown(r.id);
        EXPECT_EQ(window.objectName(), r.id);
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8(r.title)) << r.id;
        EXPECT_EQ(window.windowMenuBar()->geometry().bottom() + 1, window.contentView()->geometry().top()) << r.id;
        if (r.minimum.isEmpty()) {
            // The view's fitting size: its size hint within its own fixed bounds.
            const QWidget& root = *window.rootView();
            EXPECT_EQ(window.contentView()->size(), root.sizeHint().expandedTo(root.minimumSize())) << r.id;
            EXPECT_EQ(window.minimumSize(), window.maximumSize()) << r.id;
        } else {
            EXPECT_EQ(window.contentView()->size(), r.content) << r.id;
            EXPECT_EQ(window.contentView()->minimumSize(), r.minimum) << r.id;
            EXPECT_NE(window.minimumSize(), window.maximumSize()) << r.id;
        }
        // A second request restores and raises the same window.
        window.showMinimized();
        settle();
        presenter->showWindow(r.id);
        EXPECT_EQ(presenter->window(r.id), &window) << r.id;
        EXPECT_FALSE(window.isMinimized()) << r.id;
    }
    EXPECT_EQ(presenter->windows().size(), std::size(rows)) << "help and about are two windows";
}

TEST_F(ObserverAppDelegateTest, closingForgetsTheWindowAndOnlyThePreviewDiscardsItsData) {
    shown("diagnostic-preview").close();
    shown("activity-log").close();
    EXPECT_TRUE(presenter->windows().empty());
    EXPECT_EQ(commandKinds(), std::vector<Case>{Case::discardDiagnostics});
    EXPECT_EQ(std::count(log.begin(), log.end(), "empty"), 2);

    // A closed window is not reused, and its contents are released on the next turn.
    ObserverWindow& again = shown("activity-log");
    QPointer<QWidget> root = again.rootView();
    ObserverWindowPresenter::requestClose("activity-log");
    EXPECT_FALSE(root.isNull());
    EXPECT_EQ(ObserverWindowResources::closedContents().snapshot(), (ClosedUIResourceTracker::Snapshot{1, 1, 1}));
    settle();
    EXPECT_TRUE(root.isNull());
    EXPECT_EQ(ObserverWindowResources::closedContents().snapshot(), (ClosedUIResourceTracker::Snapshot{0, 0, 0}));

    ObserverWindowPresenter::requestClose("settings");  // no such window: nothing
    EXPECT_EQ(std::count(log.begin(), log.end(), "empty"), 3);
}

TEST_F(ObserverAppDelegateTest, theQuickPanelIsAFloatingToolWindowPlacedUnderItsAnchor) {
    store->applyUIState(uistate::richState());  // a device, whose views settle only after they were built
    settle();
    const std::vector<double> anchor{200, 500, 24, 24};
    ObserverQuickPanel* panel = openPanel(anchor);
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->size(), panelSizeAtCreation) << "created at its content's settled fitting size";
    const Qt::WindowFlags flags = panel->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_NE(flags & Qt::WindowType_Mask, Qt::Popup);
    EXPECT_EQ(panel->objectName(), "quick-view");
    EXPECT_EQ(panel->windowTitle(), QString::fromUtf8("Kavrinet 빠른 보기"));

    const auto screens = ObserverAppDelegate::currentScreens();
    const QSize size = panel->sizeHint();
    const QtRect expected = toQtRect(QuickPanelPlacement::frame({anchor[0], anchor[1], anchor[2], anchor[3]}, size.width(),
                                                                size.height(), screens.screens, screens.mainScreen),
                                     screens.primaryHeight);
    EXPECT_EQ(panel->geometry(), QRect(expected.x, expected.y, expected.width, expected.height));
    EXPECT_TRUE(presenter->hasPresentedUI());
}

TEST_F(ObserverAppDelegateTest, quickViewRequestsToggleThePanel) {
    ASSERT_TRUE(openPanel());
    presenter->present({"quick-view", std::vector<double>{200, 500, 24, 24}});
    EXPECT_FALSE(presenter->quickPanel());
    ASSERT_TRUE(openPanel());
    // Escape closes it too; then an anchorless request opens the dashboard instead.
    QTest::keyClick(presenter->quickPanel(), Qt::Key_Escape);
    EXPECT_FALSE(presenter->quickPanel());
    presenter->present({"quick-view", std::nullopt});
    EXPECT_FALSE(presenter->quickPanel());
    EXPECT_TRUE(presenter->window("status"));
    // Invalid presentations do nothing.
    presenter->present({"quick-view", std::vector<double>{1, 2, 3}});
    presenter->present({"nowhere", std::nullopt});
    EXPECT_FALSE(presenter->quickPanel());
    EXPECT_EQ(presenter->windows().size(), 1u);
}

TEST_F(ObserverAppDelegateTest, theShownPanelReportsItsSurfaceAndHidesItBeforeTheEmptyCheck) {
    ASSERT_TRUE(openPanel());
    ASSERT_EQ(commandKinds(), std::vector<Case>{Case::surface});
    const platform::UUID surface = commands.front().surfaceID;
    EXPECT_TRUE(commands.front().flag);
    log.clear();

    // Opening a window closes the panel first.
    ObserverWindow& status = shown("status");
    EXPECT_FALSE(presenter->quickPanel());
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "command surface false");
    EXPECT_EQ(log[1], "empty");
    EXPECT_EQ(commands[1].surfaceID, surface);
    // The dashboard's content reports under a surface of its own.
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_TRUE(commands[2].flag);
    EXPECT_NE(commands[2].surfaceID, surface);
    status.close();
    EXPECT_EQ(log.back(), "empty");
    EXPECT_FALSE(commands.back().flag);
}

TEST_F(ObserverAppDelegateTest, closeAllClosesThePanelAndEveryWindow) {
    shown("status");
    shown("activity-log");
    ASSERT_TRUE(openPanel());
    ASSERT_TRUE(presenter->quickPanel());
    log.clear();
    presenter->closeAllUI();
    EXPECT_FALSE(presenter->hasPresentedUI());
    EXPECT_EQ(std::count(log.begin(), log.end(), "empty"), 3);
    ObserverWindowPresenter::requestClose("quick-view");  // nothing left to close
    EXPECT_EQ(std::count(log.begin(), log.end(), "empty"), 3);
}

TEST_F(ObserverAppDelegateTest, everyWindowCarriesTheMenuBuiltFromOneSetOfActions) {
    ObserverWindow& a = shown("status");
    ObserverWindow& b = shown("help");
    EXPECT_EQ(menuTitles(a.windowMenuBar()), (QStringList{"Kavrinet", "편집", "윈도우", "도움말"}));
    QMenu* menuA = a.windowMenuBar()->actions().value(0)->menu();
    QMenu* menuB = b.windowMenuBar()->actions().value(0)->menu();
    ASSERT_TRUE(menuA && menuB);
    auto items = [](QMenu* menu) {
        QList<QAction*> actions = menu->actions();
        actions.removeIf([](QAction* action) { return action->isSeparator(); });
        return actions;
    };
    EXPECT_EQ(items(menuA), items(menuB));
    EXPECT_EQ(items(menuA).size(), 4) << "no update item while updates are not configured";
    EXPECT_FALSE(presenter->action(MenuCommand::checkUpdates));
    EXPECT_EQ(presenter->action(MenuCommand::showSettings)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(presenter->action(MenuCommand::performClose)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
}

TEST_F(ObserverAppDelegateTest, hooksAndMenuItemsOpenWindowsRunTheHooksAndHide) {
    // The installed hooks reach the presenter.
    ObserverWindowPresenter::requestShow("connection-summary");
    ObserverWindowPresenter::requestQuickView();  // until the client replaces it: the dashboard
    EXPECT_TRUE(presenter->window("status"));
    ObserverWindowPresenter::requestClose("connection-summary");
    EXPECT_FALSE(presenter->window("connection-summary"));

    int quits = 0;
    int quickViews = 0;
    ObserverWindowPresenter::quit = [&] { ++quits; };
    ObserverWindowPresenter::quickView = [&] { ++quickViews; };
    presenter->action(MenuCommand::showLog)->trigger();
    EXPECT_TRUE(presenter->window("activity-log"));
    presenter->action(MenuCommand::showAbout)->trigger();
    EXPECT_TRUE(presenter->window("about"));
    presenter->action(MenuCommand::toggleQuickView)->trigger();
    presenter->action(MenuCommand::quitProduct)->trigger();
    EXPECT_EQ(quickViews, 1);
    EXPECT_EQ(quits, 1);

    presenter->action(MenuCommand::hide)->trigger();
    EXPECT_TRUE(ApplicationHiddenState::shared().isHidden());
    EXPECT_EQ(log.back(), "hide");
    presenter->showWindow("status");
    EXPECT_FALSE(ApplicationHiddenState::shared().isHidden()) << "showing a window unhides the app";
}

// A view's own key that the menu also has must still work: two owners of one key would cancel
// each other out.
TEST_F(ObserverAppDelegateTest, aKeyThatAViewAndTheMenuShareStillOpensItsWindow) {
    ObserverWindow& dashboard = shown("status");
    QTest::keyClick(&dashboard, Qt::Key_L, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(presenter->window("activity-log")) << "from the dashboard";
    presenter->closeWindow("activity-log");
    settle();

    ObserverQuickPanel* panel = openPanel();
    ASSERT_TRUE(panel);
    // The quick view's own menu still lists the item with its key.
    QStringList keyedItems;
    for (const QMenu* menu : panel->findChildren<QMenu*>())
        for (const QAction* item : menu->actions())
            if (!item->shortcut().isEmpty()) keyedItems << item->shortcut().toString();
    EXPECT_TRUE(keyedItems.contains("Ctrl+L")) << keyedItems.join(" ").toStdString();
    QTest::keyClick(panel, Qt::Key_L, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(presenter->window("activity-log")) << "from the quick view";
    presenter->closeWindow("activity-log");
    presenter->closeWindow("status");
    settle();

    // With no other window open, too; Ctrl+O is also the quick view's dashboard button.
    panel = openPanel();
    ASSERT_TRUE(panel);
    QTest::keyClick(panel, Qt::Key_O, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(presenter->window("status"));
}

// Tab goes through a window's controls in reading order (each on a later row than the one before,
// or further right on the same row), and each wears the accent ring, 3:1 or more against its gap.
TEST_F(ObserverAppDelegateTest, tabWalksTheControlsInReadingOrderEachWithAVisibleRing) {
    store->applyUIState(uistate::richState());
    for (const std::string id : {"settings", "welcome", "help", "status", "quick-view", "data-management",
                                 "activity-log", "diagnostic-preview"}) {
        QWidget* window = id == "quick-view" ? static_cast<QWidget*>(openPanel()) : &shown(id);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << id;
        std::vector<QWidget*> stops;
        auto place = [&](const QWidget* w) { return QRect(w->mapTo(window, QPoint(0, 0)), w->size()); };
        for (QWidget* focus = window; stops.size() < 80;) {
            QTest::keyClick(focus, Qt::Key_Tab);
            focus = QApplication::focusWidget();
            if (!focus || (!stops.empty() && focus == stops.front())) break;
            stops.push_back(focus);
            const ObserverFocusRing* ring = FocusArrival::shownRing();
            ASSERT_TRUE(ring && ring->widget() == focus) << id;
            const QImage image = window->grab().toImage();
            const QRect frame = place(ring);
            EXPECT_GE(testsupport::contrastRatio(image.pixelColor(frame.center().x(), frame.top()),
                                                 image.pixelColor(frame.center().x(), frame.top() + 3)), 3.0)
                << id << " " << focus->metaObject()->className();
        }
        ASSERT_FALSE(stops.empty()) << id;
        std::rotate(stops.begin(), std::min_element(stops.begin(), stops.end(), [&](const QWidget* a, const QWidget* b) {
            return std::pair(place(a).top(), place(a).left()) < std::pair(place(b).top(), place(b).left());
        }), stops.end());
        for (std::size_t i = 1; i < stops.size(); ++i) {
            const QRect a = place(stops[i - 1]), b = place(stops[i]);
            EXPECT_TRUE(b.top() >= a.center().y() || (b.top() < a.bottom() && b.left() >= a.center().x()))
                << id << ": " << stops[i - 1]->objectName().toStdString() << " then " << stops[i]->objectName().toStdString();
        }
        if (id == "settings") quentrel::testing::writeScreenshot(*window, "window-settings-focus-ring");
        presenter->closeWindow(id);
        settle();
    }
}

TEST_F(ObserverAppDelegateTest, screenshotsOfEveryWindowAndThePanel) {
    for (std::string_view id : ObserverUIPresentation::windowIDs) {
        if (id == ObserverUIPresentation::quickViewWindow) continue;
        ObserverWindow& window = shown(std::string(id));
        quentrel::testing::writeScreenshot(window, "window-" + quentrel::qtext(id));
    }
    // The four menus of the last window, opened.
    int index = 0;
    for (QAction* entry : presenter->window("about")->windowMenuBar()->actions()) {
        QMenu* menu = entry->menu();
        menu->popup(QPoint(0, 0));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        quentrel::testing::writeScreenshot(*menu, QStringLiteral("menu-%1").arg(++index));
        menu->hide();
    }
    ObserverQuickPanel* panel = openPanel();
    ASSERT_TRUE(panel);
    quentrel::testing::writeScreenshot(*panel, "quick-panel");
}

// A state that changes no size (the rates and the session move on) lays out nothing above the quick view.
TEST_F(ObserverAppDelegateTest, aStateThatChangesNoSizeLaysOutNothingAboveTheQuickView) {
    store->applyUIState(uistate::stateAt(3, 0));
    ObserverQuickPanel* panel = openPanel();
    ASSERT_TRUE(panel);
    LayoutRequests requests;
    panel->installEventFilter(&requests);
    store->applyUIState(uistate::stateAt(3, 1));
    settle();
    settle();
    EXPECT_EQ(requests.count, 0);
}

// On a short screen the quick view scrolls: the error line that a click's result adds above the
// footer leaves the clicked button and its row whole in view.
TEST_F(ObserverAppDelegateTest, aScrollingQuickViewKeepsTheControlJustUsedAndItsRowInView) {
    auto state = uistate::richState();
    store->applyUIState(state);
    ObserverQuickPanel* panel = openPanel();
    ASSERT_TRUE(panel);
    const QRect shortArea(0, 0, 800, panel->height() / 2);
    panel->setPlacement([shortArea](const QSize&) { return ObserverQuickPanel::Place{shortArea, {}}; });
    auto* area = panel->findChild<FittingScrollArea*>();
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    QTest::mouseClick(panel->findChild<QWidget*>("quickPauseObservation"), Qt::LeftButton);
    state.errorMessage = "Finder에서 볼륨을 열지 못했습니다.";
    store->applyUIState(state);
    settle();
    settle();
    for (const char* row : {"quickPauseObservation", "quickOpenFinder"}) {
        const QWidget* control = panel->findChild<QWidget*>(row);
        const QRect shown(control->mapTo(area->viewport(), QPoint()), control->size());
        EXPECT_TRUE(area->viewport()->rect().contains(shown)) << row << " at " << shown.y();
    }
}

// Screen readers read each window as Qt's own top-level windows: a window (a frame) named with its
// title, not a client area.
TEST_F(ObserverAppDelegateTest, eachWindowIsReadAsAWindowNamedWithItsTitle) {
    QWidget* settings = &shown("settings");
    QWidget* management = &shown("data-management");
    for (QWidget* window : {settings, management, static_cast<QWidget*>(openPanel())}) {
        const QAccessibleInterface* readable = QAccessible::queryAccessibleInterface(window);
        EXPECT_EQ(readable->role(), QAccessible::Window) << window->objectName().toStdString();
        EXPECT_EQ(readable->text(QAccessible::Name), window->windowTitle());
    }
}
