#pragma once

#include <string_view>

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

class QHBoxLayout;
class QVBoxLayout;
class QWidget;

// The texts of the windows: the one conversion of UTF-8 to QString and the one maker of plain
// text labels that every view uses.
namespace quentrel {

// A model's UTF-8 text as Qt's.
inline QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Whether a label stays on one line or wraps to as many lines as it needs.
enum class TextWrap { none, words };

// A plain-text label (never rich text: device and volume names are shown as they are) in `font`
// and `colour`.
QLabel* makeObserverText(const QString& text, const QFont& font, const QColor& colour, QWidget* parent = nullptr,
                         TextWrap wrap = TextWrap::none);
// The same in the colour the label inherits.
QLabel* makeObserverText(const QString& text, const QFont& font, QWidget* parent = nullptr);
// The colour a widget draws its text in (its foreground role).
void setTextColour(QWidget& widget, const QColor& colour);

namespace ViewText {

// The set-up every window shares: `window` gets its identifier (its object name) and the theme's
// colours, and `content` (the window itself, or the widget it scrolls) a column with `padding` on
// every side and `spacing` between its rows, which is returned.
QVBoxLayout* setUpWindow(QWidget& window, const QString& identifier, QWidget& content, int padding, int spacing);

// A row with `leading` at its start and `trailing` at its end, the room between them left empty.
QHBoxLayout* spreadRow(QWidget* leading, QWidget* trailing);

// A window's title: bold system text of `size` points in the text colour, wrapped as needed.
QLabel* makeTitle(const QString& text, qreal size, QWidget* parent);

// A hairline in the border colour, with `padding` above and below it.
QWidget* makeSeparator(int padding, QWidget* parent = nullptr);

}  // namespace ViewText

}  // namespace quentrel
