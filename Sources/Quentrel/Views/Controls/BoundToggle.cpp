#include "BoundToggle.h"

#include <QFontMetrics>
#include <QPainter>
#include <QSignalBlocker>

#include "FocusDeparture.h"
#include "ObserverActionStyle.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

BoundToggle::BoundToggle(const QString& label, QWidget* parent) : QCheckBox(label, parent) {}

BoundToggle* BoundToggle::makeSwitch(const QString& label, QWidget* parent) {
    auto* toggle = new BoundToggle(label, parent);
    toggle->setSwitch(true);
    toggle->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return toggle;
}

void BoundToggle::setValue(bool on) {
    const QSignalBlocker blocker(this);
    setChecked(on);
}

void BoundToggle::setSwitch(bool isSwitch) {
    if (switch_ == isSwitch) return;
    switch_ = isSwitch;
    updateGeometry();
    update();
}

void BoundToggle::nextCheckState() { emit toggleRequested(!isChecked()); }

QSize BoundToggle::sizeHint() const {
    if (!switch_) return QCheckBox::sizeHint();
    const QFontMetrics metrics(font());
    const int label = text().isEmpty() ? 0 : metrics.horizontalAdvance(text()) + labelSpacing;
    return {label + switchWidth, std::max(switchHeight, metrics.height())};
}

QSize BoundToggle::minimumSizeHint() const { return switch_ ? sizeHint() : QCheckBox::minimumSizeHint(); }

QRectF BoundToggle::focusRingRect() const {
    if (!switch_) return rect();
    return {qreal(width() - switchWidth), qreal((height() - switchHeight) / 2), switchWidth, switchHeight};
}

qreal BoundToggle::focusRingRadius() const {
    return switch_ ? switchHeight / 2.0 : ObserverFocusRing::defaultRadius;
}

void BoundToggle::paintEvent(QPaintEvent* event) {
    if (!switch_) {
        QCheckBox::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : ObserverActionStyle::disabledOpacity);

    // The label at the leading edge, the switch at the trailing edge.
    const QRect track(width() - switchWidth, (height() - switchHeight) / 2, switchWidth, switchHeight);
    painter.setPen(ObserverTheme::text);
    painter.drawText(QRect(0, 0, track.left() - labelSpacing, height()), Qt::AlignLeft | Qt::AlignVCenter, text());

    const qreal radius = switchHeight / 2.0;
    painter.setPen(isChecked() ? Qt::NoPen : QPen(ObserverTheme::border, 1));
    painter.setBrush(isChecked() ? ObserverTheme::accent : ObserverTheme::elevated);
    painter.drawRoundedRect(QRectF(track).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    const int knob = switchHeight - 2 * knobInset;
    const int knobX = isChecked() ? track.right() + 1 - knobInset - knob : track.left() + knobInset;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? ObserverTheme::background : ObserverTheme::muted);
    painter.drawEllipse(QRectF(knobX, track.top() + knobInset, knob, knob));
}

bool BoundToggle::hitButton(const QPoint& position) const {
    return switch_ ? rect().contains(position) : QCheckBox::hitButton(position);
}

bool BoundToggle::focusNextPrevChild(bool next) {
    return keepsFocusWhileDisabled(*this) || QCheckBox::focusNextPrevChild(next);
}

void BoundToggle::changeEvent(QEvent* event) {
    QCheckBox::changeEvent(event);
    regainFocusWhenEnabled(*this, *event);
}

}  // namespace quentrel
