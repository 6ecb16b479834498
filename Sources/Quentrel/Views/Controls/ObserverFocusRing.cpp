#include "ObserverFocusRing.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPainter>

#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {

// Set by setFocusRingRadius, holding the ring's corner radius.
constexpr char ringRadiusProperty[] = "observerFocusRingRadius";

// Where the ring of `widget` lives: the nearest scrolled viewport around it, which clips what is
// scrolled away, else its window.
QWidget* ringParent(QWidget& widget) {
    for (QWidget* parent = widget.parentWidget(); parent && !parent->isWindow(); parent = parent->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(parent->parentWidget()); area && area->viewport() == parent)
            return parent;
    }
    return widget.window();
}

}  // namespace

void setFocusRingRadius(QWidget& widget, qreal radius) { widget.setProperty(ringRadiusProperty, radius); }

ObserverFocusRing::ObserverFocusRing(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void ObserverFocusRing::setWidget(QWidget* widget) {
    stopWatching();
    widget_ = widget;
    if (widget_) {
        if (QWidget* parent = ringParent(*widget_); parent != parentWidget()) setParent(parent);
        // A move or resize of the widget or of any parent up to the ring's moves the ring.
        for (QWidget* watched = widget_; watched && watched != parentWidget(); watched = watched->parentWidget()) {
            watched->installEventFilter(this);
            watched_ << watched;
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
    if (!widget_ || !widget_->isVisibleTo(parentWidget())) {
        hide();
        return;
    }
    const auto* shape = dynamic_cast<const FocusRingShape*>(widget_.data());
    const QRectF own = shape ? shape->focusRingRect() : QRectF(widget_->rect());
    const QVariant givenRadius = widget_->property(ringRadiusProperty);
    radius_ = shape ? shape->focusRingRadius() : givenRadius.isValid() ? givenRadius.toReal() : defaultRadius;
    const QRectF inParent = own.translated(widget_->mapTo(parentWidget(), QPoint(0, 0)));
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
