#pragma once

#include <span>
#include <string_view>

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QObject;
class QPainter;

namespace quentrel {

// One glyph of our own symbol set: its name, as the views ask for it, and its SVG resource.
struct ObserverSymbol {
    std::string_view name;
    std::string_view resource;
};

// Our monochrome symbols, drawn for this project. Each SVG is drawn black on transparent and is
// tinted by composition, so one file serves every colour. Every widget that shows a symbol keeps
// its name in the dynamic property "symbol", so tests check names, not pixels.
namespace ObserverSymbols {

inline constexpr char property[] = "symbol";

// Every symbol the views use, sorted by name.
std::span<const ObserverSymbol> table();
// The entry of `name`; null when the set has no such symbol.
const ObserverSymbol* find(std::string_view name);
bool contains(const QString& name);

// The side of the square a symbol takes beside text of `fontSize` points.
qreal boxSize(qreal fontSize);

// The symbol in a square of `side` logical pixels, tinted with `tint` (its alpha included).
// A null pixmap for an unknown name: a view then shows no image.
QPixmap pixmap(const QString& name, qreal side, const QColor& tint, qreal devicePixelRatio = 1);
// The symbol as an icon (a menu item's), tinted with `tint`; rendered only when first drawn, at the
// size asked for then. A null icon for an unknown name.
QIcon icon(const QString& name, const QColor& tint);
// Draws the symbol into `box` (the largest centred square), at the painter's opacity.
void paint(QPainter& painter, const QRectF& box, const QString& name, const QColor& tint);

// Records the symbol `object` shows in its "symbol" property.
void tag(QObject& object, const QString& name);

}  // namespace ObserverSymbols
}  // namespace quentrel
