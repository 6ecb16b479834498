#pragma once

#include <QObject>

class QWidget;

namespace quentrel {

class ObserverFocusRing;

// Lets a push button of a Qt dialog whose style draws no focus frame of its own wear the ring,
// with corners of `radius`.
void wearRingInDialog(QWidget& control, qreal radius);

// Decides from how the focus arrived in each window whether the focus ring shows, as the desktop's
// own styles do: Tab and Shift+Tab (also when they move nothing), arrows and shortcuts show it;
// the mouse hides it, also a press that moves no focus. Opening or activating a window, a closed
// popup and focus set by the program leave it as it was; a window starts without it. While it
// shows, the application's one ring is around the control that has the focus.
//
// Every widget of ours that takes the focus by Tab gets it; dialogs of Qt's own (the file dialog)
// keep their style's focus frames, apart from the buttons marked with wearRingInDialog.
class FocusArrival final : public QObject {
public:
    // Follows the application's focus from now on; once per application.
    static void install();
    // Whether the focus in the window of `widget` came from the keyboard.
    static bool cameFromKeyboard(const QWidget& widget);
    // The ring while a control has the focus from the keyboard and is shown; null otherwise.
    static ObserverFocusRing* shownRing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FocusArrival(QObject* parent) : QObject(parent) {}
    static void markKeyboardFocus(QObject* watched, bool shown);
    static void placeRing();
};

}  // namespace quentrel
