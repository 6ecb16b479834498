#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPalette>

class QApplication;
class QWidget;

// The one dark look of every window and the quick view: colours, fonts, palette and the
// continuous rounded shape of cards and buttons. Lengths are in device-independent pixels; one
// point of the layouts is one such pixel.
namespace quentrel::ObserverTheme {

namespace detail {
constexpr unsigned short component(double fraction) {
    return static_cast<unsigned short>(fraction * 0xffff + 0.5);
}
// An opaque sRGB colour from exact fractions, kept at Qt's 16 bits a channel.
constexpr QColor rgb(double red, double green, double blue) {
    return QColor(QColor::Rgb, 0xffff, component(red), component(green), component(blue));
}
}  // namespace detail

// The background of every window root; the text on prominent buttons.
inline constexpr QColor background = detail::rgb(0.071, 0.082, 0.063);
// The fill of every card.
inline constexpr QColor surface = detail::rgb(0.129, 0.141, 0.11);
// The fill of plain buttons and icon buttons.
inline constexpr QColor elevated = detail::rgb(0.176, 0.192, 0.153);
// Card outlines, rules between columns.
inline constexpr QColor border = detail::rgb(0.255, 0.278, 0.224);
// The tint: prominent buttons, highlighted icons, live status.
inline constexpr QColor accent = detail::rgb(0.729, 1.0, 0.0);
// The default foreground; text on plain buttons.
inline constexpr QColor text = detail::rgb(0.953, 0.961, 0.929);
// Secondary text, idle icons, the high-contrast outline.
inline constexpr QColor muted = detail::rgb(0.694, 0.729, 0.647);

// A weaker shade: the same colour at `opacity`.
QColor withOpacity(QColor colour, qreal opacity);

// The named text styles of the views, at their sizes in points.
enum class TextStyle { largeTitle, title, title2, title3, headline, body, callout, subheadline, footnote, caption, caption2 };
inline constexpr qreal bodySize = 13;

// The system font at `size` points (pixels) and `weight`.
QFont systemFont(qreal size, QFont::Weight weight = QFont::Normal);
QFont font(TextStyle style);

// The application palette built from the colours above.
QPalette palette();
// Fusion style, the palette and the body font (the desktop's, with the same faces in every
// locale), once at start. The controls' accessibility interfaces and focus ring are the program's
// to install.
void applyToApplication(QApplication& application);
// What every window root and the quick view's root do: paint the background colour under the
// whole window; text, tint and scheme come from the application palette.
void applyToRoot(QWidget& root);

// The system's increased-contrast setting as the cards read it. Qt 6.4 reports none, so the
// program sets it; a change repaints every window at once.
bool increasedContrast();
void setIncreasedContrast(bool increased);

// A rounded rectangle with continuous corners: each corner starts 1.528 × `radius` from the
// vertex and meets the straight edge without a jump in curvature. A radius too big for the
// rectangle shrinks to fit.
QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius);

}  // namespace quentrel::ObserverTheme
