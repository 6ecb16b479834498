#include "ObserverActionStyle.h"

#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

#include "FocusDeparture.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

qreal ObserverActionStyle::opacity(bool enabled, bool pressed) {
    if (!enabled) return disabledOpacity;
    return pressed ? pressedOpacity : 1.0;
}

QColor ObserverActionStyle::fill() const { return prominent ? ObserverTheme::accent : ObserverTheme::elevated; }

QColor ObserverActionStyle::foreground() const { return prominent ? ObserverTheme::background : ObserverTheme::text; }

QFont ObserverActionStyle::font() { return ObserverTheme::systemFont(fontSize, QFont::DemiBold); }

ObserverActionButton::ObserverActionButton(const QString& title, bool prominent, QWidget* parent)
    : QAbstractButton(parent), style_{prominent} {
    setText(title);
    setFont(ObserverActionStyle::font());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

void ObserverActionButton::setProminent(bool prominent) {
    if (style_.prominent == prominent) return;
    style_.prominent = prominent;
    update();
}

void ObserverActionButton::setSymbol(const QString& name) {
    if (symbol_ == name) return;
    symbol_ = name;
    ObserverSymbols::tag(*this, name);
    updateGeometry();
    update();
}

qreal ObserverActionButton::symbolSide() const {
    return symbol_.isEmpty() ? 0 : ObserverSymbols::boxSize(ObserverActionStyle::fontSize);
}

QSize ObserverActionButton::sizeHint() const {
    qreal label = QFontMetricsF(font()).horizontalAdvance(text());
    if (!symbol_.isEmpty()) label += symbolSide() + ObserverActionStyle::symbolSpacing;
    return {static_cast<int>(std::ceil(label)) + 2 * ObserverActionStyle::horizontalPadding, ObserverActionStyle::height};
}

QRectF ObserverActionButton::focusRingRect() const {
    return {0, (height() - ObserverActionStyle::height) / 2.0, qreal(width()), qreal(ObserverActionStyle::height)};
}

void ObserverActionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(ObserverActionStyle::opacity(isEnabled(), isDown()));

    // The fill takes the fixed height, centred, whatever height the layout gives the widget.
    const QRectF frame = focusRingRect();
    painter.fillPath(ObserverTheme::continuousRoundedRect(frame, ObserverActionStyle::cornerRadius), style_.fill());

    const QFontMetricsF metrics(font());
    const qreal titleWidth = metrics.horizontalAdvance(text());
    const qreal side = symbolSide();
    const qreal labelWidth = titleWidth + (side > 0 ? side + ObserverActionStyle::symbolSpacing : 0);
    qreal x = frame.center().x() - labelWidth / 2;
    if (side > 0) {
        ObserverSymbols::paint(painter, QRectF(x, frame.center().y() - side / 2, side, side), symbol_, style_.foreground());
        x += side + ObserverActionStyle::symbolSpacing;
    }
    painter.setPen(style_.foreground());
    painter.setFont(font());
    painter.drawText(QRectF(x, frame.top(), titleWidth + 1, frame.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

bool ObserverActionButton::focusNextPrevChild(bool next) {
    return keepsFocusWhileDisabled(*this) || QAbstractButton::focusNextPrevChild(next);
}

void ObserverActionButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    regainFocusWhenEnabled(*this, *event);
}

}  // namespace quentrel
