// Where the focus goes when its control goes away, and the focus in the confirmation alerts.
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "Quentrel/Views/Controls/FocusArrival.h"
#include "Quentrel/Views/Controls/ObserverFocusRing.h"
#include "Quentrel/Views/DataManagementView.h"
#include "Quentrel/Views/ObserverSettingsView.h"
#include "SecondaryWindowsWidgets.h"

using namespace quentrel;
using namespace secondarywindows;

// Settings with a remembered drive, or data management with the events' undo and, again, events
// and sessions, active.
static std::unique_ptr<QWidget> open(bool settings, MirrorHarness& h) {
    quentrel::testing::applyTheme();
    h.state.rememberedTarget = target();
    h.state.recentEvents = {{platform::Date{kNow}, "앱 시작"}};
    h.state.sessions = {session(1, wendmark::SessionEndReason::disconnected)};
    h.state.canUndoHistoryClear = true;
    h.push();
    std::unique_ptr<QWidget> window;
    if (settings) window = std::make_unique<ObserverSettingsView>(h.store, h.store->loginItem());
    else window = std::make_unique<DataManagementView>(h.store);
    present(*window);
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return window;
}

// A control that goes away (its row hidden by the agent's next state, or deleted): after a click
// the focus goes to the window; after the keyboard to the nearest control of its card that does
// not delete, with the ring, else to the window.
TEST(FocusOfAControlThatGoesAway, staysInItsCardAfterTheKeyboardElseGoesToTheWindow) {
    const struct {
        bool settings;
        const char* control;
        bool byKeyboard, deleted;
        const char* lands;  // null: the window
    } rows[] = {{true, "기억 지우기", false, false, nullptr}, {true, "기억 지우기", true, false, "백그라운드 I/O 관측"},
                {true, "기억 지우기", true, true, "백그라운드 I/O 관측"}, {false, "삭제 되돌리기", false, false, nullptr},
                {false, "삭제 되돌리기", true, false, nullptr}};  // (beside it only "최근 이벤트 지우기", which deletes)
    for (const auto& r : rows) {
        MirrorHarness h;
        const auto window = open(r.settings, h);
        auto* control = buttonTitled(*window, r.control);
        if (r.byKeyboard) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // then straight to it
        r.byKeyboard ? control->setFocus(Qt::TabFocusReason) : click(control);
        ASSERT_EQ(QApplication::focusWidget(), control) << r.control;
        h.state.rememberedTarget.reset();
        h.state.canUndoHistoryClear = false;
        r.deleted ? delete control : h.push();
        settle();
        QWidget* expected = r.lands ? buttonTitled(*window, r.lands) : window.get();
        EXPECT_EQ(QApplication::focusWidget(), expected) << r.control << r.byKeyboard << r.deleted;
        const ObserverFocusRing* ring = FocusArrival::shownRing();
        EXPECT_EQ(ring ? ring->widget() : nullptr, r.byKeyboard && r.lands ? expected : nullptr) << r.control;
    }
}

// Each confirmation, opened by the keyboard too, shows only its default button filled in the
// accent, as the theme shows a prominent action, and no ring; Tab brings the ring to the other
// button and leaves the default (which Return presses: "취소" where the confirmation deletes).
TEST(FocusInAConfirmation, opensWithAProminentDefaultButtonAndNoRingUntilTab) {
    MirrorHarness h;
    const auto window = open(false, h);
    auto accent = [](QColor c) { return std::abs(c.hue() - ObserverTheme::accent.hue()) < 12 && c.value() > 160; };
    for (const char* action : {"resetObservationPreferences", "clearEventHistory", "clearSessionHistory"}) {
        named<QWidget>(*window, action)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(named<QWidget>(*window, action), Qt::Key_Space);
        settle();
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box && QTest::qWaitForWindowActive(box)) << action;
        // Of a button: whether its padding is accent, and the accent pixels in the ring's band around it.
        auto looks = [&](QAbstractButton* b) {
            const QImage image = box->grab().toImage();
            const QRect inside(b->mapTo(box, QPoint(0, 0)), b->size()), band = inside.adjusted(-4, -4, 4, 4);
            int ring = 0;
            for (int y = band.top(); y <= band.bottom(); ++y)
                for (int x = band.left(); x <= band.right(); ++x)
                    ring += !inside.contains(x, y) && accent(image.pixelColor(x, y));
            return std::pair(accent(image.pixelColor(inside.left() + 8, inside.center().y())), ring);
        };
        QAbstractButton *byDefault = box->defaultButton(), *other = box->buttons()[box->buttons()[0] == byDefault];
        EXPECT_TRUE(looks(byDefault) == std::pair(true, 0) && looks(other) == std::pair(false, 0)) << action;
        QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(other->hasFocus() && looks(byDefault).first && looks(other).second > 0) << action;
        box->reject();
    }
}
