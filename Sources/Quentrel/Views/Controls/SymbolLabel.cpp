#include "SymbolLabel.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>

#include "ObserverAccessibility.h"
#include "ObserverSymbolView.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
// The symbol's size follows the text's pixel size.
qreal symbolFontSize(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height() * 0.8;
}
}  // namespace

SymbolLabel::SymbolLabel(const QString& title, const QString& symbol, const QFont& font, const QColor& colour,
                         QWidget* parent)
    : QWidget(parent),
      symbol_(new ObserverSymbolView(symbol, symbolFontSize(font), colour, this)),
      title_(makeObserverText(title, font, colour, this)),
      colour_(colour) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    layout->addWidget(symbol_, 0, Qt::AlignVCenter);
    layout->addWidget(title_, 0, Qt::AlignVCenter);
    layout->addStretch(0);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    ObserverSymbols::tag(*this, symbol);
    updateAccessibleName();
}

void SymbolLabel::setWrapsTitle() {
    title_->setWordWrap(true);
    // The trailing stretch would otherwise share the width, and the text wrap at half of it.
    static_cast<QHBoxLayout*>(layout())->setStretchFactor(title_, 1);
}

QString SymbolLabel::title() const { return title_->text(); }

void SymbolLabel::setTitle(const QString& title) {
    if (title_->text() == title) return;
    title_->setText(title);
    updateAccessibleName();
}

QString SymbolLabel::symbol() const { return symbol_->symbol(); }

void SymbolLabel::setSymbol(const QString& symbol) {
    if (symbol_->symbol() == symbol) return;
    symbol_->setSymbol(symbol);
    ObserverSymbols::tag(*this, symbol);
}

void SymbolLabel::setColour(const QColor& colour) {
    colour_ = colour;
    symbol_->setTint(colour);
    setTextColour(*title_, colour);
}

void SymbolLabel::setTextFont(const QFont& font) {
    title_->setFont(font);
    // A new size needs a new symbol view: its size is fixed at construction.
    auto* layout = static_cast<QHBoxLayout*>(this->layout());
    auto* replacement = new ObserverSymbolView(symbol_->symbol(), symbolFontSize(font), colour_, this);
    layout->replaceWidget(symbol_, replacement);
    delete symbol_;
    symbol_ = replacement;
}

void SymbolLabel::setAccessibilityLabel(const QString& label) {
    if (accessibilityLabel_ == label) return;
    accessibilityLabel_ = label;
    updateAccessibleName();
}

void SymbolLabel::updateAccessibleName() {
    setAccessibleNameIfChanged(*this, accessibilityLabel_.isEmpty() ? title_->text() : accessibilityLabel_);
}

}  // namespace quentrel
