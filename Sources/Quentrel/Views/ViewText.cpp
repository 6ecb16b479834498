#include "Quentrel/Views/ViewText.h"

#include <QPalette>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

QLabel* makeObserverText(const QString& text, const QFont& font, const QColor& colour, QWidget* parent,
                         TextWrap wrap) {
    auto* label = makeObserverText(text, font, parent);
    setTextColour(*label, colour);
    if (wrap == TextWrap::words) label->setWordWrap(true);
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

namespace quentrel::ViewText {

QVBoxLayout* setUpWindow(QWidget& window, const QString& identifier, QWidget& content, int padding, int spacing) {
    window.setObjectName(identifier);
    ObserverTheme::applyToRoot(window);
    auto* column = new QVBoxLayout(&content);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);
    return column;
}

QHBoxLayout* spreadRow(QWidget* leading, QWidget* trailing) {
    auto* row = new QHBoxLayout;
    row->addWidget(leading);
    row->addStretch(1);
    row->addWidget(trailing);
    return row;
}

QLabel* makeTitle(const QString& text, qreal size, QWidget* parent) {
    return makeObserverText(text, ObserverTheme::systemFont(size, QFont::Bold), ObserverTheme::text, parent,
                            TextWrap::words);
}

QWidget* makeSeparator(int padding, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, padding, 0, padding);
    layout->setSpacing(0);
    auto* line = new QWidget(holder);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, ObserverTheme::border);
    line->setPalette(palette);
    layout->addWidget(line);
    return holder;
}

}  // namespace quentrel::ViewText
