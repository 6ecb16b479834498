#pragma once

// Finding and driving the widgets of the secondary windows in tests.

#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Views/Controls/ObserverSymbolLabel.h"
#include "SecondaryWindowsHarness.h"
#include "ThemeTestSupport.h"

namespace secondarywindows {

// The one child of `root` of type T with the objectName `name`; fails the test when missing.
template <class T = QWidget>
T* named(const QWidget& root, const char* name) {
    T* found = root.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The label of `root` showing exactly `text`, or null.
inline QLabel* labelWithText(const QWidget& root, const std::string& text) {
    for (QLabel* label : root.findChildren<QLabel*>())
        if (label->text() == QString::fromStdString(text)) return label;
    return nullptr;
}

// The button of `root` titled `text`, or null.
template <class T = QAbstractButton>
T* buttonTitled(const QWidget& root, const std::string& text) {
    for (T* button : root.findChildren<T*>())
        if (button->text() == QString::fromStdString(text)) return button;
    return nullptr;
}

// Shown within its window (the window itself need not be on screen).
inline bool shows(const QWidget* widget) { return widget && widget->isVisibleTo(widget->window()); }

// Lets the views run their coalesced refreshes and the layouts that follow them.
inline void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

inline void click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    settle();
}

inline QString q(const char* text) { return QString::fromUtf8(text); }

// The windows asked for through the presenter while it lives.
struct PresenterRecorder {
    std::vector<std::string> shown;
    PresenterRecorder() {
        quentrel::ObserverWindowPresenter::show = [this](const std::string& id) { shown.push_back(id); };
    }
    ~PresenterRecorder() { quentrel::ObserverWindowPresenter::resetToDefaults(); }
    PresenterRecorder(const PresenterRecorder&) = delete;
    PresenterRecorder& operator=(const PresenterRecorder&) = delete;
};

// Shows `window` on the offscreen screen and waits until it is exposed.
inline void present(QWidget& window) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    settle();
}

inline void screenshot(QWidget& window, const char* name) {
    window.adjustSize();
    settle();
    quentrel::testing::writeScreenshot(window, QString::fromUtf8(name));
}

}  // namespace secondarywindows
