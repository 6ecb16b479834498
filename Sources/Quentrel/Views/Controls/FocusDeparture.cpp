#include "FocusDeparture.h"

#include <algorithm>
#include <limits>

#include <QApplication>
#include <QFocusEvent>
#include <QPointer>
#include <QTimer>

#include "FocusArrival.h"
#include "ObserverSurface.h"

namespace quentrel {

namespace {

// Set on the controls that delete (markDeletes).
constexpr char deletesProperty[] = "observerDeletes";

// Where the focus of a control that goes away lands, taken while the control is still there.
struct Departure {
    QPointer<QWidget> window;
    QPointer<QWidget> group;  // the nearest card around the control, else its window
    QRect place;              // of the control, in the window
    bool keyboard = false;    // the focus had come from the keyboard
};

Departure departureOf(QWidget& control) {
    Departure departure{control.window(), control.window(), {}, FocusArrival::cameFromKeyboard(control)};
    departure.place = QRect(control.mapTo(departure.window, QPoint(0, 0)), control.size());
    // (Of a card that is being deleted only its QWidget part is left: it does not count.)
    for (QWidget* widget = control.parentWidget(); widget && !widget->isWindow(); widget = widget->parentWidget())
        if (qobject_cast<ObserverSurface*>(widget)) {
            departure.group = widget;
            break;
        }
    return departure;
}

// The control of `group` that Tab reaches and that does not delete, nearest to `place`; null when
// there is none.
QWidget* nearestControl(QWidget& group, const QRect& place) {
    QWidget* window = group.window();
    QWidget* nearest = nullptr;
    qint64 nearestDistance = std::numeric_limits<qint64>::max();
    for (QWidget* control : group.findChildren<QWidget*>()) {
        if (control->window() != window || !(control->focusPolicy() & Qt::TabFocus) || control->focusProxy() ||
            !control->isEnabled() || !control->isVisibleTo(window) || control->property(deletesProperty).toBool())
            continue;
        const QRect rect(control->mapTo(window, QPoint(0, 0)), control->size());
        // The gaps between the two rectangles along each axis, zero where they overlap.
        const qint64 dx = std::max({0, rect.left() - place.right(), place.left() - rect.right()});
        const qint64 dy = std::max({0, rect.top() - place.bottom(), place.top() - rect.bottom()});
        if (const qint64 distance = dx * dx + dy * dy; distance < nearestDistance) {
            nearest = control;
            nearestDistance = distance;
        }
    }
    return nearest;
}

void land(const Departure& departure) {
    if (!departure.window) return;
    QWidget* next = departure.keyboard && departure.group ? nearestControl(*departure.group, departure.place) : nullptr;
    // (A focus set by the program leaves the window's mark as it is: the ring shows only when
    // the keyboard had brought the focus.)
    (next ? next : departure.window.data())->setFocus(Qt::OtherFocusReason);
}

// `hidden` is being hidden, and Qt will pass on the focus if it is inside: it is passed first.
// (Qt sends the hide event before it looks where the focus is.) A window that closes, or is
// minimised, keeps its focus for when it comes back.
void passFocusFromHidden(QWidget& hidden) {
    QWidget* window = hidden.window();
    if (&hidden == window || !window->isVisible()) return;
    QWidget* focus = window->focusWidget();
    if (focus && (focus == &hidden || hidden.isAncestorOf(focus))) land(departureOf(*focus));
}

// `control` lost the focus to none, as it does when it is deleted (or when the program clears
// it): once the event loop turns, a control that is gone has its focus passed on.
void passFocusFromDeleted(QWidget& control) {
    QWidget* window = control.window();
    if (&control == window) return;
    QTimer::singleShot(0, window, [departure = departureOf(control), gone = QPointer<QWidget>(&control)] {
        if (!gone && departure.window && !departure.window->focusWidget()) land(departure);
    });
}

}  // namespace

bool keepsFocusWhileDisabled(const QWidget& control) {
    // (A control that is hidden passes it on as before.)
    return !control.isEnabled() && !control.isHidden() && control.hasFocus();
}

void regainFocusWhenEnabled(QWidget& control, const QEvent& change) {
    if (change.type() == QEvent::EnabledChange && control.isEnabled() && !control.hasFocus() &&
        control.isActiveWindow() && control.window()->focusWidget() == &control)
        control.setFocus(Qt::OtherFocusReason);
}

void markDeletes(QWidget& control) { control.setProperty(deletesProperty, true); }

void FocusDeparture::install() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    qApp->installEventFilter(new FocusDeparture(qApp));
}

bool FocusDeparture::eventFilter(QObject* watched, QEvent* event) {
    // (Every event of the application passes here: the type is looked at first.)
    switch (event->type()) {
    case QEvent::Hide:
        if (!event->spontaneous() && watched->isWidgetType()) passFocusFromHidden(*static_cast<QWidget*>(watched));
        break;
    case QEvent::FocusOut:
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::OtherFocusReason && watched->isWidgetType() &&
            !QApplication::focusWidget())
            passFocusFromDeleted(*static_cast<QWidget*>(watched));
        break;
    default: break;
    }
    return false;
}

}  // namespace quentrel
