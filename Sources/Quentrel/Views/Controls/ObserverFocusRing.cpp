#include "ObserverFocusRing.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

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
        case QEvent::MouseButtonPress: markKeyboardFocus(watched, false); break;
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
    return !qobject_cast<const QDialog*>(widget->window());
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
    radius_ = shape ? shape->focusRingRadius() : defaultRadius;
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
