#include "ObserverTheme.h"

#include <algorithm>

#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QStyleFactory>
#include <QWidget>

namespace quentrel::ObserverTheme {

namespace {
bool increasedContrastSetting = false;

// How far along each edge a continuous corner reaches, as a multiple of its radius.
constexpr qreal cornerExtent = 1.528;
// The corner curve's handles, as multiples of the radius: the first stays on the edge (so the
// curvature starts at zero), the curve crosses the diagonal this far from the vertex on each axis.
constexpr qreal cornerHandle = 1.0;
constexpr qreal cornerDiagonal = 0.29;

struct TextStyleMetrics {
    qreal size;
    QFont::Weight weight;
};

TextStyleMetrics metrics(TextStyle style) {
    switch (style) {
    case TextStyle::largeTitle: return {26, QFont::Normal};
    case TextStyle::title: return {22, QFont::Normal};
    case TextStyle::title2: return {17, QFont::Normal};
    case TextStyle::title3: return {15, QFont::Normal};
    case TextStyle::headline: return {13, QFont::Bold};
    case TextStyle::body: return {bodySize, QFont::Normal};
    case TextStyle::callout: return {12, QFont::Normal};
    case TextStyle::subheadline: return {11, QFont::Normal};
    case TextStyle::footnote: return {10, QFont::Normal};
    case TextStyle::caption: return {10, QFont::Normal};
    case TextStyle::caption2: return {10, QFont::Medium};
    }
    return {bodySize, QFont::Normal};
}

// The family fontconfig picks for `family` in text of `language`: the family itself, or the font a
// generic family such as "Sans Serif" stands for; empty when nothing matches.
QString familyFor(const QString& family, const char* language) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* name = nullptr;
    QString found;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        found = QString::fromUtf8(reinterpret_cast<const char*>(name));
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return found;
}

// The desktop's font with its family pinned to the faces it stands for in Latin and in Hangul
// text. Left generic, the family is matched for the locale's language: under a Korean locale the
// Korean font then draws the Latin letters and digits too, and NanumGothic's bold ones are hardly
// heavier than a Latin font's regular ones, so bold titles lost their weight and every view
// measured differently by locale.
QFont withPinnedFamilies(QFont font) {
    QStringList families;
    for (const char* language : {"en", "ko"})
        if (const QString family = familyFor(font.family(), language); !family.isEmpty() && !families.contains(family))
            families << family;
    if (!families.isEmpty()) font.setFamilies(families);
    return font;
}
}  // namespace

QColor withOpacity(QColor colour, qreal opacity) {
    colour.setAlphaF(static_cast<float>(colour.alphaF() * opacity));
    return colour;
}

QFont systemFont(qreal size, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(std::max(1, qRound(size)));
    font.setWeight(weight);
    return font;
}

QFont font(TextStyle style) {
    const auto m = metrics(style);
    return systemFont(m.size, m.weight);
}

QPalette palette() {
    QPalette p;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Window, background);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Base, surface);
        p.setColor(group, QPalette::AlternateBase, elevated);
        p.setColor(group, QPalette::ToolTipBase, elevated);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, muted);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Button, elevated);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::BrightText, accent);
        p.setColor(group, QPalette::Light, border.lighter(130));
        p.setColor(group, QPalette::Midlight, border);
        p.setColor(group, QPalette::Mid, border);
        p.setColor(group, QPalette::Dark, background.darker(130));
        p.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
        p.setColor(group, QPalette::Highlight, accent);
        p.setColor(group, QPalette::HighlightedText, background);
        p.setColor(group, QPalette::Link, accent);
        p.setColor(group, QPalette::LinkVisited, accent);
    }
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, withOpacity(muted, 0.6));
    p.setColor(QPalette::Disabled, QPalette::Highlight, border);
    return p;
}

void applyToApplication(QApplication& application) {
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    application.setPalette(palette());
    application.setFont(withPinnedFamilies(systemFont(bodySize)));
}

void applyToRoot(QWidget& root) {
    root.setAutoFillBackground(true);
    root.setBackgroundRole(QPalette::Window);
    root.setForegroundRole(QPalette::WindowText);
}

bool increasedContrast() { return increasedContrastSetting; }

void setIncreasedContrast(bool increased) {
    if (increased == increasedContrastSetting) return;
    increasedContrastSetting = increased;
    // Repainting a window repaints every card in it.
    for (QWidget* window : QApplication::topLevelWidgets()) window->update();
}

QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius) {
    QPainterPath path;
    if (rect.isEmpty()) return path;
    const qreal r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2 / cornerExtent);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    const qreal extent = cornerExtent * r, handle = cornerHandle * r, diagonal = cornerDiagonal * r;
    // One corner: `in` points from the vertex back along the edge the path arrives on, `out`
    // along the edge it leaves on.
    auto corner = [&](QPointF vertex, QPointF in, QPointF out) {
        auto at = [&](qreal a, qreal b) { return vertex + in * a + out * b; };
        if (path.elementCount() == 0)
            path.moveTo(at(extent, 0));
        else
            path.lineTo(at(extent, 0));
        path.cubicTo(at(handle, 0), at(2 * diagonal, 0), at(diagonal, diagonal));
        path.cubicTo(at(0, 2 * diagonal), at(0, handle), at(0, extent));
    };
    const QPointF right(1, 0), left(-1, 0), down(0, 1), up(0, -1);
    corner(rect.topRight(), left, down);
    corner(rect.bottomRight(), up, left);
    corner(rect.bottomLeft(), right, up);
    corner(rect.topLeft(), down, right);
    path.closeSubpath();
    return path;
}

}  // namespace quentrel::ObserverTheme
