#include "Quentrel/Services/ObserverWindowPresenter.h"

#include <gtest/gtest.h>

#include "Quentrel/Services/ClosedUIResourceTracker.h"

using namespace quentrel;

namespace {

struct Surface {
    std::shared_ptr<int> controller = std::make_shared<int>(1);
    std::shared_ptr<int> view = std::make_shared<int>(2);
};

}  // namespace

TEST(ObserverWindowPresenter, DefaultsDoNothingUntilInstalled) {
    ObserverWindowPresenter::resetToDefaults();
    ObserverWindowPresenter::show("status");
    ObserverWindowPresenter::close("welcome");
    ObserverWindowPresenter::quickView();

    std::vector<std::string> calls;
    ObserverWindowPresenter::show = [&](const std::string& id) { calls.push_back("show " + id); };
    ObserverWindowPresenter::close = [&](const std::string& id) { calls.push_back("close " + id); };
    ObserverWindowPresenter::quickView = [&] { calls.push_back("quickView"); };
    ObserverWindowPresenter::quit = [&] { calls.push_back("quit"); };
    ObserverWindowPresenter::requestShow("activity-log");
    ObserverWindowPresenter::requestClose("quick-view");
    ObserverWindowPresenter::requestQuickView();
    ObserverWindowPresenter::requestQuit();
    EXPECT_EQ(calls, (std::vector<std::string>{"show activity-log", "close quick-view", "quickView", "quit"}));

    // An empty hook does nothing through the request functions.
    ObserverWindowPresenter::show = nullptr;
    ObserverWindowPresenter::requestShow("status");
    ObserverWindowPresenter::resetToDefaults();
}

TEST(ObserverWindowPresenter, DefaultQuitCallsTheInstalledTerminator) {
    ObserverWindowPresenter::resetToDefaults();
    int terminated = 0;
    ApplicationTermination::terminate = [&] { ++terminated; };
    ObserverWindowPresenter::quit();
    EXPECT_EQ(terminated, 1);
    ApplicationTermination::terminate = ApplicationTermination::exitProcess;
}

TEST(ObserverWindowPresenterDeathTest, DefaultQuitEndsTheProcessNormally) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ObserverWindowPresenter::resetToDefaults();
            ApplicationTermination::terminate = ApplicationTermination::exitProcess;
            ObserverWindowPresenter::quit();
            std::abort();  // not reached
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ClosedUIResourceTracker, RecordingNothingChangesNothing) {
    ClosedUIResourceTracker tracker;
    Surface dead;
    auto gone = WeakReference::to(dead.controller);
    dead.controller.reset();
    dead.view.reset();
    tracker.record(gone, std::nullopt);  // present but gone: kept until the next prune
    EXPECT_EQ(tracker.entries().size(), 1u);
    tracker.record(std::nullopt, std::nullopt);
    EXPECT_EQ(tracker.entries().size(), 1u);  // no prune either
    EXPECT_EQ(tracker.snapshot(), (ClosedUIResourceTracker::Snapshot{0, 0, 0}));
    EXPECT_TRUE(tracker.entries().empty());
}

TEST(ClosedUIResourceTracker, KeepsTheNewest32) {
    ClosedUIResourceTracker tracker;
    std::vector<Surface> surfaces(33);
    for (auto& s : surfaces) tracker.record(WeakReference::to(s.controller), WeakReference::to(s.view));
    ASSERT_EQ(tracker.entries().size(), 32u);
    EXPECT_EQ(tracker.snapshot(), (ClosedUIResourceTracker::Snapshot{32, 32, 32}));
    surfaces.front().controller.reset();
    surfaces.front().view.reset();
    surfaces.erase(surfaces.begin());
    surfaces.back().view.reset();  // the newest is still counted by its controller
    EXPECT_EQ(tracker.snapshot(), (ClosedUIResourceTracker::Snapshot{32, 32, 31}));
}

TEST(ClosedUIResourceTracker, PrunesEntriesWithNothingAliveInOrder) {
    ClosedUIResourceTracker tracker;
    Surface a, b, c;
    tracker.record(WeakReference::to(a.controller), WeakReference::to(a.view));
    tracker.record(WeakReference::to(b.controller), std::nullopt);
    tracker.record(std::nullopt, WeakReference::to(c.view));
    a.controller.reset();  // its view still lives: stays, as a live view only
    b.controller.reset();  // nothing left: dropped
    EXPECT_EQ(tracker.snapshot(), (ClosedUIResourceTracker::Snapshot{2, 0, 2}));
    ASSERT_EQ(tracker.entries().size(), 2u);
    EXPECT_TRUE(tracker.entries()[0].view->isAlive());
    EXPECT_FALSE(tracker.entries()[0].controller->isAlive());
    EXPECT_FALSE(tracker.entries()[1].controller);

    a.view.reset();
    c.view.reset();
    EXPECT_EQ(tracker.snapshot(), (ClosedUIResourceTracker::Snapshot{0, 0, 0}));
    EXPECT_TRUE(tracker.entries().empty());
}

TEST(ClosedUIResourceTracker, HoldsNothingAlive) {
    ClosedUIResourceTracker tracker;
    auto view = std::make_shared<int>(3);
    std::weak_ptr<int> watch = view;
    tracker.record(std::nullopt, WeakReference::to(view));
    bool liveFlag = true;  // a toolkit's own liveness test
    tracker.record(WeakReference::fromLiveness([&liveFlag] { return liveFlag; }), std::nullopt);
    view.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(tracker.snapshot(), (ClosedUIResourceTracker::Snapshot{1, 1, 0}));
    liveFlag = false;
    EXPECT_EQ(tracker.snapshot(), (ClosedUIResourceTracker::Snapshot{0, 0, 0}));
    EXPECT_FALSE(WeakReference().isAlive());
}

TEST(ClosedUIResourceTracker, OneTrackerPerProcess) {
    EXPECT_EQ(&ObserverWindowResources::closedContents(), &ObserverWindowResources::closedContents());
}
