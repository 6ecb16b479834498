#pragma once

#include <string_view>

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

namespace quentrel {

// A model's UTF-8 text as Qt's.
inline QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A plain-text label (never rich text: device and volume names are shown as they are) in `font`
// and `colour`.
QLabel* makeObserverText(const QString& text, const QFont& font, const QColor& colour, QWidget* parent = nullptr);
// The same in the colour the label inherits.
QLabel* makeObserverText(const QString& text, const QFont& font, QWidget* parent = nullptr);
// The colour a widget draws its text in (its foreground role).
void setTextColour(QWidget& widget, const QColor& colour);

}  // namespace quentrel
