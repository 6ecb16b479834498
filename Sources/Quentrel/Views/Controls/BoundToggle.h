#pragma once

#include <QCheckBox>

#include "ObserverFocusRing.h"

namespace quentrel {

// A toggle that shows a value owned elsewhere (in the UI app, the agent's). A click or key press
// does not flip it: it asks for the other value with toggleRequested, and the owner's next
// state sets the value through setValue. As a switch it draws a track and knob after its label;
// otherwise it is the style's check box. Disabled while it waits for an answer, it keeps the focus.
class BoundToggle : public QCheckBox, public FocusRingShape {
    Q_OBJECT
public:
    static constexpr int switchWidth = 34;
    static constexpr int switchHeight = 20;
    static constexpr int knobInset = 2;
    static constexpr int labelSpacing = 12;

    explicit BoundToggle(const QString& label, QWidget* parent = nullptr);
    // A switch that takes the width of its row, so the track sits at the trailing edge.
    static BoundToggle* makeSwitch(const QString& label, QWidget* parent = nullptr);

    // Sets the shown value without emitting any signal.
    void setValue(bool on);
    bool value() const { return isChecked(); }

    bool isSwitch() const { return switch_; }
    void setSwitch(bool isSwitch);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // A switch's ring goes round its track; a check box's round the whole control.
    QRectF focusRingRect() const override;
    qreal focusRingRadius() const override;

signals:
    void toggleRequested(bool on);

protected:
    void nextCheckState() override;
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* event) override;

private:
    bool switch_ = false;
};

}  // namespace quentrel
