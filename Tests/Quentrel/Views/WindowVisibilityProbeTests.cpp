#include "Quentrel/Views/WindowVisibilityProbe.h"

#include <memory>
#include <vector>

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

#include "Quentrel/Views/ApplicationHiddenState.h"
#include "ThemeTestSupport.h"

using namespace quentrel;

namespace {
struct Report {
    platform::UUID surface;
    bool visible;
    friend bool operator==(const Report&, const Report&) = default;
};

class WindowVisibilityProbeTest : public ::testing::Test {
protected:
    void SetUp() override { quentrel::testing::applyTheme(); }
    void TearDown() override { ApplicationHiddenState::shared().setHidden(false); }

    WindowVisibilityProbe::Changed recorder() {
        return [this](const platform::UUID& id, bool visible) { reports.push_back({id, visible}); };
    }
    // Shows `window` and lets the platform expose it and the probes evaluate.
    static void showAndSettle(QWidget& window) {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        settle();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    std::vector<bool> visibilities() const {
        std::vector<bool> v;
        for (const auto& r : reports) v.push_back(r.visible);
        return v;
    }

    std::vector<Report> reports;
};

using Visibilities = std::vector<bool>;
}  // namespace

TEST_F(WindowVisibilityProbeTest, ReportsEachChangeOfShowingOnce) {
    QWidget window;
    auto* probe = new WindowVisibilityProbe(recorder(), &window);
    window.resize(200, 100);
    showAndSettle(window);
    ASSERT_EQ(reports, (std::vector<Report>{{probe->surfaceID(), true}}));
    window.update();
    window.resize(300, 120);
    settle();
    EXPECT_EQ(reports.size(), 1u) << "no report without a change";

    window.hide();
    settle();
    showAndSettle(window);
    EXPECT_EQ(visibilities(), (Visibilities{true, false, true}));
}

TEST_F(WindowVisibilityProbeTest, MinimisingReportsHiddenAndRestoringVisible) {
    QWidget window;
    new WindowVisibilityProbe(recorder(), &window);
    showAndSettle(window);
    window.showMinimized();
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true, false}));
    window.showNormal();
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true, false, true}));
}

TEST_F(WindowVisibilityProbeTest, WindowThatOpensMinimisedReportsNothingUntilRestored) {
    QWidget window;
    new WindowVisibilityProbe(recorder(), &window);
    window.showMinimized();
    settle();
    EXPECT_TRUE(reports.empty());
    window.showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true}));
}

TEST_F(WindowVisibilityProbeTest, ShownWindowCountsOnlyOnceExposed) {
    // Offscreen, a shown window of no size has nothing on screen: it is not exposed.
    QWidget window;
    new WindowVisibilityProbe(recorder(), &window);
    window.resize(0, 0);
    window.show();
    settle();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(reports.empty());
    window.resize(200, 100);
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true}));
}

TEST_F(WindowVisibilityProbeTest, HidingTheApplicationReportsOnceEachWay) {
    QWidget window;
    new WindowVisibilityProbe(recorder(), &window);
    showAndSettle(window);
    ApplicationHiddenState::shared().setHidden(true);
    settle();
    ApplicationHiddenState::shared().setHidden(true);
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true, false}));
    ApplicationHiddenState::shared().setHidden(false);
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true, false, true}));
}

TEST_F(WindowVisibilityProbeTest, ClosingAVisibleWindowReportsHiddenExactlyOnce) {
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    new WindowVisibilityProbe(recorder(), window);
    showAndSettle(*window);
    QPointer<QWidget> guard(window);
    window->close();
    settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(visibilities(), (Visibilities{true, false}));
}

TEST_F(WindowVisibilityProbeTest, DestroyingAVisibleWindowReportsHidden) {
    auto window = std::make_unique<QWidget>();
    auto* probe = new WindowVisibilityProbe(recorder(), window.get());
    const auto id = probe->surfaceID();
    showAndSettle(*window);
    window.reset();
    EXPECT_EQ(reports, (std::vector<Report>{{id, true}, {id, false}}));
}

TEST_F(WindowVisibilityProbeTest, TwoProbesReportUnderTheirOwnIds) {
    QWidget window;
    auto* first = new WindowVisibilityProbe(recorder(), &window);
    auto* second = new WindowVisibilityProbe(recorder(), &window);
    showAndSettle(window);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(first->surfaceID(), second->surfaceID());
    EXPECT_NE(reports[0].surface, reports[1].surface);
}

TEST_F(WindowVisibilityProbeTest, NewCallbackTakesLaterReportsAndReportsNothingItself) {
    QWidget window;
    auto* probe = new WindowVisibilityProbe(recorder(), &window);
    showAndSettle(window);
    std::vector<bool> later;
    probe->setChanged([&](const platform::UUID&, bool visible) { later.push_back(visible); });
    settle();
    EXPECT_TRUE(later.empty());
    window.hide();
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true}));
    EXPECT_EQ(later, (Visibilities{false}));
}

TEST_F(WindowVisibilityProbeTest, MovingToAnotherWindowReportsHiddenThenFollowsTheNewWindow) {
    QWidget first, second;
    auto* content = new QWidget(&first);
    new WindowVisibilityProbe(recorder(), content);
    showAndSettle(first);
    second.move(300, 0);
    showAndSettle(second);
    content->setParent(&second);
    content->show();
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true, false, true}));
    // The old window no longer matters; the new one does.
    first.hide();
    settle();
    EXPECT_EQ(reports.size(), 3u);
    second.hide();
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true, false, true, false}));
}

TEST_F(WindowVisibilityProbeTest, MovingWithinTheSameWindowReportsNothing) {
    QWidget window;
    auto* left = new QWidget(&window);
    auto* right = new QWidget(&window);
    auto* content = new QWidget(left);
    new WindowVisibilityProbe(recorder(), content);
    showAndSettle(window);
    content->setParent(right);
    content->show();
    settle();
    EXPECT_EQ(visibilities(), (Visibilities{true}));
}

TEST_F(WindowVisibilityProbeTest, ContentBuiltBeforeItsWindowReportsOnceShown) {
    auto* content = new QWidget;  // a view whose constructor embeds the probe
    new WindowVisibilityProbe(recorder(), content);
    settle();
    EXPECT_TRUE(reports.empty());
    QWidget window;
    content->setParent(&window);
    settle();
    EXPECT_TRUE(reports.empty()) << "a window that was never shown";
    showAndSettle(window);
    EXPECT_EQ(visibilities(), (Visibilities{true}));
}

TEST_F(WindowVisibilityProbeTest, ProbeIsSizeLessAndHiddenFromAssistiveTechnologies) {
    QWidget window;
    auto* probe = new WindowVisibilityProbe(recorder(), &window);
    EXPECT_EQ(probe->size(), QSize(0, 0));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(probe);
    ASSERT_NE(face, nullptr);
    EXPECT_TRUE(face->state().invisible);
}
