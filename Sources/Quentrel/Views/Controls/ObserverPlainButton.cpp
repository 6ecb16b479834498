#include "ObserverPlainButton.h"

#include <cmath>

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include "ObserverActionStyle.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"

namespace quentrel {

ObserverPlainButton::ObserverPlainButton(const QString& title, const QColor& foreground, QWidget* parent)
    : QAbstractButton(parent), foreground_(foreground) {
    setText(title);
    setAccessibleName(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::ArrowCursor);
}

void ObserverPlainButton::setForeground(const QColor& foreground) {
    if (foreground_ == foreground) return;
    foreground_ = foreground;
    update();
}

void ObserverPlainButton::setSymbol(const QString& name) {
    if (symbol_ == name) return;
    symbol_ = name;
    ObserverSymbols::tag(*this, name);
    updateGeometry();
    update();
}

qreal ObserverPlainButton::symbolSide() const {
    return symbol_.isEmpty() ? 0 : ObserverSymbols::boxSize(font().pixelSize() > 0 ? font().pixelSize() : font().pointSizeF());
}

QSize ObserverPlainButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    qreal width = metrics.horizontalAdvance(text());
    const qreal side = symbolSide();
    if (side > 0) width += side + symbolSpacing;
    return {static_cast<int>(std::ceil(width)) + 2, static_cast<int>(std::ceil(std::max(metrics.height(), side)))};
}

void ObserverPlainButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) updateGeometry();
    QAbstractButton::changeEvent(event);
}

void ObserverPlainButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(ObserverActionStyle::opacity(isEnabled(), isDown()));
    qreal x = 1;
    const qreal side = symbolSide();
    if (side > 0) {
        ObserverSymbols::paint(painter, QRectF(x, (height() - side) / 2, side, side), symbol_, foreground_);
        x += side + symbolSpacing;
    }
    painter.setPen(foreground_);
    painter.setFont(font());
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

}  // namespace quentrel
