#include "ObserverIconButton.h"

#include <QPainter>

#include "ObserverAccessibility.h"
#include "ObserverActionStyle.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

ObserverIconButton::ObserverIconButton(const QString& title, const QString& symbol, bool highlighted, bool enabled,
                                       const QString& identifier, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), highlighted_(highlighted), action_(std::move(action)) {
    setFixedSize(side, side);
    setObjectName(identifier);
    setTitle(title);
    ObserverSymbols::tag(*this, symbol);
    setEnabled(enabled);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (action_) action_();
    });
}

void ObserverIconButton::setTitle(const QString& title) {
    title_ = title;
    setToolTipIfChanged(*this, title);
    setAccessibleNameIfChanged(*this, title);
}

void ObserverIconButton::setSymbol(const QString& symbol) {
    if (symbol_ == symbol) return;
    symbol_ = symbol;
    ObserverSymbols::tag(*this, symbol);
    update();
}

void ObserverIconButton::setSymbolSize(qreal size) {
    if (symbolSize_ == size) return;
    symbolSize_ = size;
    update();
}

void ObserverIconButton::setHighlighted(bool highlighted) {
    if (highlighted_ == highlighted) return;
    highlighted_ = highlighted;
    update();
}

void ObserverIconButton::setAction(std::function<void()> action) { action_ = std::move(action); }

void ObserverIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A disabled button keeps the look `highlighted` gives it, dimmed.
    painter.setOpacity(isEnabled() ? 1.0 : ObserverActionStyle::disabledOpacity);
    const QRectF square(0, 0, side, side);
    const QColor fill = highlighted_ ? ObserverTheme::withOpacity(ObserverTheme::accent, highlightedFillOpacity)
                                     : ObserverTheme::withOpacity(ObserverTheme::elevated, plainFillOpacity);
    painter.fillPath(ObserverTheme::continuousRoundedRect(square, cornerRadius), fill);
    const qreal glyph = ObserverSymbols::boxSize(symbolSize_);
    ObserverSymbols::paint(painter, QRectF((side - glyph) / 2, (side - glyph) / 2, glyph, glyph), symbol_,
                           highlighted_ ? ObserverTheme::accent : ObserverTheme::muted);
}

bool ObserverIconButton::hitButton(const QPoint& position) const {
    return ObserverTheme::continuousRoundedRect(QRectF(0, 0, side, side), cornerRadius).contains(QPointF(position));
}

}  // namespace quentrel
