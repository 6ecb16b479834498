#pragma once

#include <string>
#include <string_view>

#include <QColor>
#include <QFont>
#include <QString>

#include "Quentrel/Views/Controls/ObserverText.h"

class QLabel;
class QWidget;

// Small helpers for the texts of the windows: UTF-8 literals to QString, and plain text labels
// in a font and colour.
namespace quentrel::ViewText {

inline QString q(std::string_view text) { return qtext(text); }

// A plain-text label that wraps to as many lines as it needs.
QLabel* makeLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent = nullptr);

// A hairline in the border colour, with `padding` above and below it.
QWidget* makeSeparator(int padding, QWidget* parent = nullptr);

}  // namespace quentrel::ViewText
