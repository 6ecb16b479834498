#include "ObserverFocusRing.h"

#include <algorithm>
#include <limits>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>

#include "ObserverSurface.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {

QPointer<ObserverFocusRing> ring;

// Set on a window while its focus came from the keyboard: the ring shows only then, as the
// desktop's own styles do. A window starts without it.
constexpr char keyboardFocusProperty[] = "observerKeyboardFocus";

bool keyboardFocusShown(const QWidget* control) {
    return control->window()->property(keyboardFocusProperty).toBool();
}

// Set on the controls that delete (markDeletes), and on the dialog buttons that wear the ring
// (wearRingInDialog), holding the ring's corner radius.
constexpr char deletesProperty[] = "observerDeletes";
constexpr char dialogRingRadiusProperty[] = "observerDialogRingRadius";

// Where the focus of a control that goes away lands, taken while the control is still there.
struct Departure {
    QPointer<QWidget> window;
    QPointer<QWidget> group;  // the nearest card around the control, else its window
    QRect place;              // of the control, in the window
    bool keyboard = false;    // the focus had come from the keyboard
};

Departure departureOf(QWidget& control) {
    Departure departure{control.window(), control.window(), {}, keyboardFocusShown(&control)};
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

// Follows how focus arrives in each window: Tab and Shift+Tab (also when they move nothing),
// arrows and shortcuts show the ring; the mouse hides it, also a press that moves no focus.
// Opening or activating a window, a closed popup and focus set by the program leave it as it was.
class FocusOrigin final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
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

private:
    // Marks the window of `watched`, when it is a widget.
    static void markKeyboardFocus(QObject* watched, bool shown) {
        if (!watched->isWidgetType()) return;
        QWidget* window = static_cast<QWidget*>(watched)->window();
        if (window->property(keyboardFocusProperty).toBool() == shown) return;
        window->setProperty(keyboardFocusProperty, shown);
        if (ring && ring->window() == window) ring->refresh();
    }
};

// Whether `widget` is a control of ours that Tab reaches.
bool takesRing(const QWidget* widget) {
    if (!widget || widget->isWindow() || !(widget->focusPolicy() & Qt::TabFocus)) return false;
    if (qobject_cast<const QMenu*>(widget) || qobject_cast<const QMenuBar*>(widget)) return false;
    return !qobject_cast<const QDialog*>(widget->window()) || widget->property(dialogRingRadiusProperty).isValid();
}

// Where the ring of `control` lives: the nearest scrolled viewport around it, which clips what
// is scrolled away, else its window.
QWidget* ringParent(QWidget* control) {
    for (QWidget* widget = control->parentWidget(); widget; widget = widget->parentWidget()) {
        if (widget->isWindow()) return widget;
        if (auto* area = qobject_cast<QAbstractScrollArea*>(widget->parentWidget()); area && area->viewport() == widget)
            return widget;
    }
    return nullptr;
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

void wearRingInDialog(QWidget& control, qreal radius) { control.setProperty(dialogRingRadiusProperty, radius); }

void ObserverFocusRing::install() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    // Before the focus signal: Qt sends the focus-in event (with its reason) first.
    qApp->installEventFilter(new FocusOrigin(qApp));
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget*, QWidget* now) {
        if (!takesRing(now)) {
            if (ring) ring->follow(nullptr);
            return;
        }
        QWidget* parent = ringParent(now);
        if (!parent) return;
        if (!ring) ring = new ObserverFocusRing(parent);
        ring->setParent(parent);
        ring->follow(now);
    });
}

ObserverFocusRing* ObserverFocusRing::shown() { return ring && ring->isVisible() ? ring.data() : nullptr; }

ObserverFocusRing::ObserverFocusRing(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void ObserverFocusRing::follow(QWidget* control) {
    stopWatching();
    control_ = control;
    if (control_) {
        // A move or resize of the control or of any parent up to the ring's moves the ring.
        for (QWidget* widget = control_; widget && widget != parentWidget(); widget = widget->parentWidget()) {
            widget->installEventFilter(this);
            watched_ << widget;
        }
    }
    place();
}

void ObserverFocusRing::stopWatching() {
    for (const QPointer<QWidget>& widget : std::as_const(watched_))
        if (widget) widget->removeEventFilter(this);
    watched_.clear();
}

void ObserverFocusRing::place() {
    if (!control_ || !control_->isVisibleTo(parentWidget()) || !control_->hasFocus() ||
        !keyboardFocusShown(control_)) {
        hide();
        return;
    }
    const auto* shape = dynamic_cast<const FocusRingShape*>(control_.data());
    const QRectF own = shape ? shape->focusRingRect() : QRectF(control_->rect());
    const QVariant dialogRadius = control_->property(dialogRingRadiusProperty);
    radius_ = shape ? shape->focusRingRadius() : dialogRadius.isValid() ? dialogRadius.toReal() : defaultRadius;
    const QRectF inParent = own.translated(control_->mapTo(parentWidget(), QPoint(0, 0)));
    const qreal outset = gap + lineWidth;
    const QRect frame = inParent.adjusted(-outset, -outset, outset, outset).toAlignedRect();
    shape_ = inParent.translated(-frame.topLeft());
    setGeometry(frame);
    raise();
    show();
    update();
}

bool ObserverFocusRing::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide: place(); break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void ObserverFocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ObserverTheme::accent, lineWidth));
    painter.setBrush(Qt::NoBrush);
    // The line's middle runs half its width outside the gap.
    const qreal middle = gap + lineWidth / 2;
    painter.drawPath(ObserverTheme::continuousRoundedRect(shape_.adjusted(-middle, -middle, middle, middle),
                                                          radius_ + middle));
}

}  // namespace quentrel
