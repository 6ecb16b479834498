#include "FocusArrival.h"

#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "ObserverFocusRing.h"

namespace quentrel {

namespace {

QPointer<ObserverFocusRing> ring;
// The control that has the focus, while it is one that takes the ring.
QPointer<QWidget> focus;

// Set on a window while its focus came from the keyboard.
constexpr char keyboardFocusProperty[] = "observerKeyboardFocus";
// Set on the dialog buttons that wear the ring (wearRingInDialog).
constexpr char wearsRingInDialogProperty[] = "observerWearsRingInDialog";

// Whether `widget` is a control of ours that Tab reaches.
bool takesRing(const QWidget* widget) {
    if (!widget || widget->isWindow() || !(widget->focusPolicy() & Qt::TabFocus)) return false;
    if (qobject_cast<const QMenu*>(widget) || qobject_cast<const QMenuBar*>(widget)) return false;
    return !qobject_cast<const QDialog*>(widget->window()) || widget->property(wearsRingInDialogProperty).toBool();
}

}  // namespace

void wearRingInDialog(QWidget& control, qreal radius) {
    control.setProperty(wearsRingInDialogProperty, true);
    setFocusRingRadius(control, radius);
}

void FocusArrival::install() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    auto* arrival = new FocusArrival(qApp);
    // Before the focus signal: Qt sends the focus-in event (with its reason) first.
    qApp->installEventFilter(arrival);
    QObject::connect(qApp, &QApplication::focusChanged, arrival, [](QWidget*, QWidget* now) {
        focus = takesRing(now) ? now : nullptr;
        placeRing();
    });
}

bool FocusArrival::cameFromKeyboard(const QWidget& widget) {
    return widget.window()->property(keyboardFocusProperty).toBool();
}

ObserverFocusRing* FocusArrival::shownRing() { return ring && ring->isVisible() ? ring.data() : nullptr; }

bool FocusArrival::eventFilter(QObject* watched, QEvent* event) {
    // (Every event of the application passes here: the type is looked at first.)
    switch (event->type()) {
    case QEvent::FocusIn:
        // (A dialog that opens sends its focus widget a focus-in with a Tab reason of its own,
        // before the widget has the focus: only the focus that arrives counts.)
        if (watched != QApplication::focusWidget()) break;
        switch (static_cast<QFocusEvent*>(event)->reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason: markKeyboardFocus(watched, true); break;
        case Qt::MouseFocusReason: markKeyboardFocus(watched, false); break;
        default: break;
        }
        break;
    case QEvent::KeyPress:
        if (const int key = static_cast<QKeyEvent*>(event)->key(); key == Qt::Key_Tab || key == Qt::Key_Backtab)
            markKeyboardFocus(watched, true);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:  // (the second press of a double click)
        markKeyboardFocus(watched, false);
        break;
    default: break;
    }
    return false;
}

// Marks the window of `watched`, when it is a widget.
void FocusArrival::markKeyboardFocus(QObject* watched, bool shown) {
    if (!watched->isWidgetType()) return;
    QWidget* window = static_cast<QWidget*>(watched)->window();
    if (window->property(keyboardFocusProperty).toBool() == shown) return;
    window->setProperty(keyboardFocusProperty, shown);
    if (focus && focus->window() == window) placeRing();
}

// Gives the ring the control that has the focus while the keyboard brought it there, else none.
void FocusArrival::placeRing() {
    QWidget* control = focus && focus->hasFocus() && cameFromKeyboard(*focus) ? focus.data() : nullptr;
    if (!ring && control) ring = new ObserverFocusRing(control->window());
    if (ring) ring->setWidget(control);
}

}  // namespace quentrel
