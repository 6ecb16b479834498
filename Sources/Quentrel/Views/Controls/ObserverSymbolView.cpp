#include "ObserverSymbolView.h"

#include <cmath>

#include <QPainter>

#include "Quentrel/Views/Symbols/ObserverSymbols.h"

namespace quentrel {

ObserverSymbolView::ObserverSymbolView(const QString& symbol, qreal fontSize, const QColor& tint, QWidget* parent)
    : QWidget(parent), symbol_(symbol), fontSize_(fontSize), tint_(tint) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ObserverSymbols::tag(*this, symbol);
}

void ObserverSymbolView::setSymbol(const QString& symbol) {
    if (symbol_ == symbol) return;
    symbol_ = symbol;
    ObserverSymbols::tag(*this, symbol);
    update();
}

void ObserverSymbolView::setTint(const QColor& tint) {
    if (tint_ == tint) return;
    tint_ = tint;
    update();
}

QSize ObserverSymbolView::sizeHint() const {
    const int side = static_cast<int>(std::ceil(ObserverSymbols::boxSize(fontSize_)));
    return {side, side};
}

void ObserverSymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ObserverSymbols::paint(painter, QRectF(rect()), symbol_, tint_);
}

}  // namespace quentrel
