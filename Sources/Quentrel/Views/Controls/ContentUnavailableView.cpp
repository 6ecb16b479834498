#include "ContentUnavailableView.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ObserverSymbolView.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

ContentUnavailableView::ContentUnavailableView(const QString& title, const QString& symbol, QWidget* parent)
    : QWidget(parent),
      symbol_(new ObserverSymbolView(symbol, symbolSize, ObserverTheme::muted, this)),
      title_(makeObserverText(title, ObserverTheme::systemFont(titleSize, QFont::Bold), ObserverTheme::text, this)) {
    title_->setWordWrap(true);
    title_->setAlignment(Qt::AlignHCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, verticalPadding, 0, verticalPadding);
    layout->setSpacing(spacing);
    layout->addWidget(symbol_, 0, Qt::AlignHCenter);
    layout->addWidget(title_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ObserverSymbols::tag(*this, symbol);
    setAccessibleName(title);
}

QString ContentUnavailableView::title() const { return title_->text(); }

QString ContentUnavailableView::symbol() const { return symbol_->symbol(); }

void ContentUnavailableView::setTitle(const QString& title) {
    if (title_->text() == title) return;
    title_->setText(title);
    setAccessibleName(title);
}

void ContentUnavailableView::setSymbol(const QString& symbol) {
    if (symbol_->symbol() == symbol) return;
    symbol_->setSymbol(symbol);
    ObserverSymbols::tag(*this, symbol);
}

}  // namespace quentrel
