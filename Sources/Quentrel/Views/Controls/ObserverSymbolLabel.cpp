#include "ObserverSymbolLabel.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include "ObserverAccessibility.h"
#include "ObserverSymbolView.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"

namespace quentrel {

namespace {
// A label that, on one line, keeps its whole text and its full preferred width, may be made
// narrower than that, and then draws the text cut with an ellipsis.
class EllipsisLabel : public QLabel {
public:
    using QLabel::QLabel;
    bool eliding = false;

    QSize minimumSizeHint() const override {
        if (!eliding) return QLabel::minimumSizeHint();
        return {0, QLabel::minimumSizeHint().height()};
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!eliding) return QLabel::paintEvent(event);
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};
}  // namespace

ObserverSymbolLabel::ObserverSymbolLabel(const QString& symbol, const QString& text, const QFont& font,
                                         const QColor& colour, QWidget* parent)
    : QWidget(parent),
      symbol_(new ObserverSymbolView(symbol, font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF(), colour, this)),
      label_(new EllipsisLabel(this)),
      colour_(colour) {
    setFont(font);
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    label_->setFont(font);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    layout->addWidget(symbol_, 0, Qt::AlignTop);
    layout->addWidget(label_, 1);
    ObserverSymbols::tag(*this, symbol);
    setColour(colour);
    setText(text);
}

void ObserverSymbolLabel::setText(const QString& text) {
    text_ = text;
    setAccessibleNameIfChanged(*this, text);
    label_->setText(text);
}

QString ObserverSymbolLabel::symbol() const { return symbol_->symbol(); }

void ObserverSymbolLabel::setSymbol(const QString& symbol) {
    symbol_->setSymbol(symbol);
    ObserverSymbols::tag(*this, symbol);
}

void ObserverSymbolLabel::setColour(const QColor& colour) {
    colour_ = colour;
    symbol_->setTint(colour);
    QPalette palette = label_->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::WindowText, colour);
    label_->setPalette(palette);
}

void ObserverSymbolLabel::setSingleLine(bool singleLine) {
    if (singleLine_ == singleLine) return;
    singleLine_ = singleLine;
    label_->setWordWrap(!singleLine);
    static_cast<EllipsisLabel*>(label_)->eliding = singleLine;
    label_->updateGeometry();
    label_->update();
}

}  // namespace quentrel
