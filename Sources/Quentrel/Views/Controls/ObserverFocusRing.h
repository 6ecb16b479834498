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

// Qt passes the focus on to the next control when the control that has it is disabled, so the
// next key press acts on a neighbour. A control of ours that is disabled only while busy (waiting
// for an answer) keeps it: its focusNextPrevChild first asks keepsFocusWhileDisabled, and its
// changeEvent calls regainFocusWhenEnabled (a window activated meanwhile could not focus it).
bool keepsFocusWhileDisabled(const QWidget& control);
void regainFocusWhenEnabled(QWidget& control, const QEvent& change);

// A control whose action deletes something of the user's, at once or after a confirmation. Focus
// that moves on by itself (from a control that went away) never lands on it.
void markDeletes(QWidget& control);

// Lets a push button of a Qt dialog whose style draws no focus frame of its own wear the ring,
// with corners of `radius`.
void wearRingInDialog(QWidget& control, qreal radius);

// The mark of the control that has the keyboard focus: a ring in the theme's accent, a gap
// outside the control's shape, over the control's surroundings (so a ring around an accent button
// still stands apart from it). One for the application, moved to each control that takes the
// focus, drawn above its neighbours in the nearest window or scrolled viewport around it; shown
// only while the focus in that window came from the keyboard (not after a click or on opening).
//
// Every widget of ours that takes the focus by Tab gets it; dialogs of Qt's own (the file dialog)
// keep their style's focus frames, apart from the buttons marked with wearRingInDialog.
//
// When the control that has the focus goes away (hidden, in a row or card that is hidden, or
// deleted), the focus goes to the nearest remaining control of its card (ObserverSurface) if the
// keyboard had brought it there, so the ring shows there; after a click, or with no such control,
// to the window. Qt would pass it on along the Tab order with a Tab reason, onto whatever control
// comes next, with the ring, however the focus had come.
class ObserverFocusRing final : public QWidget, public ObserverAccessible {
    Q_OBJECT
public:
    static constexpr qreal lineWidth = 2;
    static constexpr qreal gap = 2;
    static constexpr qreal defaultRadius = 4;

    // Follows the application's focus from now on; once per application.
    static void install();
    // The ring while a control has the focus from the keyboard and is shown; null otherwise.
    static ObserverFocusRing* shown();

    QWidget* control() const { return control_; }
    // Shows or hides the ring again for the focus as it is now.
    void refresh() { place(); }
    // Decoration: assistive technologies have the focus already.
    bool isAccessibilityHidden() const override { return true; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ObserverFocusRing(QWidget* parent);
    void follow(QWidget* control);
    void place();
    void stopWatching();

    QPointer<QWidget> control_;
    QList<QPointer<QWidget>> watched_;  // the control and its parents up to the ring's own
    QRectF shape_;                      // the control's shape in the ring's coordinates
    qreal radius_ = defaultRadius;
};

}  // namespace quentrel
