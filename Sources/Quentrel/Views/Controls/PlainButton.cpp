#include "PlainButton.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMenu>

#include "ObserverActionStyle.h"
#include "ObserverSymbolView.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"

namespace quentrel {

PlainButton::PlainButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (menu_) showMenu();
    });
    // The label dims while the button is held down; the effect covers the child widgets too.
    connect(this, &QAbstractButton::pressed, this, [this] {
        auto* effect = new QGraphicsOpacityEffect(this);
        effect->setOpacity(ObserverActionStyle::pressedOpacity);
        setGraphicsEffect(effect);
    });
    connect(this, &QAbstractButton::released, this, [this] { setGraphicsEffect(nullptr); });
}

PlainButton* PlainButton::withSymbol(const QString& symbol, qreal fontSize, const QColor& tint, QSize frame,
                                     QWidget* parent) {
    auto* button = new PlainButton(parent);
    button->symbolView_ = new ObserverSymbolView(symbol, fontSize, tint, button);
    auto* layout = new QHBoxLayout(button);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(button->symbolView_, 0, Qt::AlignCenter);
    if (!frame.isEmpty()) button->setFixedSize(frame);
    ObserverSymbols::tag(*button, symbol);
    return button;
}

void PlainButton::setSymbol(const QString& symbol) {
    if (!symbolView_ || symbolView_->symbol() == symbol) return;
    symbolView_->setSymbol(symbol);
    ObserverSymbols::tag(*this, symbol);
}

void PlainButton::setMenu(QMenu* menu) { menu_ = menu; }

void PlainButton::showMenu() {
    if (!menu_ || !isEnabled()) return;
    menu_->popup(mapToGlobal(rect().bottomLeft()));
}

QSize PlainButton::sizeHint() const { return layout() ? layout()->sizeHint() : QSize(0, 0); }

QSize PlainButton::minimumSizeHint() const { return layout() ? layout()->minimumSize() : QSize(0, 0); }

// The children draw the label.
void PlainButton::paintEvent(QPaintEvent*) {}

}  // namespace quentrel
