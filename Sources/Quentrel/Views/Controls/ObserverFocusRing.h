#pragma once

#include <QPointer>
#include <QRectF>
#include <QWidget>

#include "ObserverAccessibility.h"

namespace quentrel {

// What a control tells the focus ring of its shape: the rectangle, in its own coordinates, and the
// corner radius the ring follows. A control without one gets a ring around its whole rectangle.
class FocusRingShape {
public:
    virtual ~FocusRingShape() = default;
    virtual QRectF focusRingRect() const = 0;
    virtual qreal focusRingRadius() const = 0;
};

// Gives a widget that cannot be a FocusRingShape (a push button of a Qt dialog) the corner radius
// of its ring.
void setFocusRingRadius(QWidget& widget, qreal radius);

// The mark of the control that has the keyboard focus: a ring in the theme's accent, a gap
// outside the shape of the widget it is given, over the widget's surroundings (so a ring around an
// accent button still stands apart from it). It lives in the nearest window or scrolled viewport
// around that widget, drawn above its neighbours, and follows the widget as it moves, resizes,
// shows and hides. Which widget it is given, and when, is for others to decide (FocusArrival).
class ObserverFocusRing final : public QWidget, public ObserverAccessible {
    Q_OBJECT
public:
    static constexpr qreal lineWidth = 2;
    static constexpr qreal gap = 2;
    static constexpr qreal defaultRadius = 4;

    // Hidden until it is given a widget, which moves it out of `parent`.
    explicit ObserverFocusRing(QWidget* parent);

    // Draws around `widget`, a control inside a window, from now on; null hides the ring.
    void setWidget(QWidget* widget);
    QWidget* widget() const { return widget_; }
    // Decoration: assistive technologies have the focus already.
    bool isAccessibilityHidden() const override { return true; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void stopWatching();

    QPointer<QWidget> widget_;
    QList<QPointer<QWidget>> watched_;  // the widget and its parents up to the ring's own
    QRectF shape_;                      // the widget's shape in the ring's coordinates
    qreal radius_ = defaultRadius;
};

}  // namespace quentrel
