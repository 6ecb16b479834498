#include "Quentrel/Views/ViewText.h"

#include <QLabel>
#include <QVBoxLayout>

#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel::ViewText {

QLabel* makeLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent) {
    auto* label = makeObserverText(text, font, colour, parent);
    label->setWordWrap(true);
    return label;
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
