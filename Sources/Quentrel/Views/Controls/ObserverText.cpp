#include "ObserverText.h"

#include <QPalette>

namespace quentrel {

QLabel* makeObserverText(const QString& text, const QFont& font, const QColor& colour, QWidget* parent) {
    auto* label = makeObserverText(text, font, parent);
    setTextColour(*label, colour);
    return label;
}

QLabel* makeObserverText(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    return label;
}

void setTextColour(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    if (palette.color(QPalette::WindowText) == colour && palette.color(QPalette::Text) == colour) return;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::WindowText, colour);
        palette.setColor(group, QPalette::Text, colour);
    }
    widget.setPalette(palette);
}

}  // namespace quentrel
