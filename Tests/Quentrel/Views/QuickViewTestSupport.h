#pragma once

// What the widget tests of the quick view and its parts share: the mirror store with its
// captured commands, the window presenter's calls, and finding controls.

#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAccessible>
#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Support/LocaleFormatter.h"
#include "Quentrel/Views/Models/MirrorFixture.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "ThemeTestSupport.h"

namespace quentrel::testing {

// Records what views ask of the window presenter while it lives.
struct PresenterCalls {
    std::vector<std::string> shown;
    std::vector<std::string> closed;
    int quits = 0;

    PresenterCalls() {
        ObserverWindowPresenter::show = [this](const std::string& id) { shown.push_back(id); };
        ObserverWindowPresenter::close = [this](const std::string& id) { closed.push_back(id); };
        ObserverWindowPresenter::quit = [this] { ++quits; };
    }
    ~PresenterCalls() { ObserverWindowPresenter::resetToDefaults(); }
    PresenterCalls(const PresenterCalls&) = delete;
    PresenterCalls& operator=(const PresenterCalls&) = delete;
};

// The deterministic locale of the tests: "," groups, "." separates decimals, times in UTC.
inline const LocaleFormatter& testLocale() { return FixedLocaleFormatter::shared(); }

// The state as the next state message, the refresh it posts and the layout that follows.
inline void deliver(viewtest::Mirror& mirror) {
    mirror.apply();
    // The refresh, then the layouts from the inside out, one turn each.
    for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
}

inline QString symbolOf(const QObject* object) {
    return object ? object->property(ObserverSymbols::property).toString() : QString();
}

// The one control below `root` with this objectName (a failure when there is none or more).
template <class T = QWidget>
T* control(QWidget& root, const char* identifier) {
    const auto found = root.findChildren<T*>(QString::fromUtf8(identifier));
    EXPECT_EQ(found.size(), 1) << identifier;
    return found.isEmpty() ? nullptr : found.front();
}

inline void click(QAbstractButton* button) {
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    QCoreApplication::processEvents();
}

inline QString accessibleValue(QWidget* widget) {
    auto* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Value) : QString();
}

// Shown on the offscreen screen, as the quick panel shows it.
inline void showWindow(QWidget& widget) {
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    QCoreApplication::processEvents();
}

}  // namespace quentrel::testing
