#include "ObserverSymbols.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QApplication>
#include <QFile>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPaintDevice>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <QVariant>

#include "Quentrel/Views/ViewText.h"

// The resources of a static library are registered by hand; Q_INIT_RESOURCE must be called
// outside any namespace.
static void registerObserverSymbolResources() { Q_INIT_RESOURCE(ObserverSymbols); }

namespace quentrel::ObserverSymbols {

namespace {
constexpr std::array<ObserverSymbol, 56> symbols{{
    {"arrow.clockwise", ":/quentrel/symbols/arrow.clockwise.svg"},
    {"arrow.counterclockwise", ":/quentrel/symbols/arrow.counterclockwise.svg"},
    {"arrow.down", ":/quentrel/symbols/arrow.down.svg"},
    {"arrow.down.left", ":/quentrel/symbols/arrow.down.left.svg"},
    {"arrow.triangle.2.circlepath", ":/quentrel/symbols/arrow.triangle.2.circlepath.svg"},
    {"arrow.up", ":/quentrel/symbols/arrow.up.svg"},
    {"arrow.up.right", ":/quentrel/symbols/arrow.up.right.svg"},
    {"arrow.uturn.backward", ":/quentrel/symbols/arrow.uturn.backward.svg"},
    {"bell.slash", ":/quentrel/symbols/bell.slash.svg"},
    {"bolt.slash", ":/quentrel/symbols/bolt.slash.svg"},
    {"cable.connector", ":/quentrel/symbols/cable.connector.svg"},
    {"chart.xyaxis.line", ":/quentrel/symbols/chart.xyaxis.line.svg"},
    {"checkmark", ":/quentrel/symbols/checkmark.svg"},
    {"checkmark.circle", ":/quentrel/symbols/checkmark.circle.svg"},
    {"chevron.down", ":/quentrel/symbols/chevron.down.svg"},
    {"chevron.right", ":/quentrel/symbols/chevron.right.svg"},
    {"circle.dotted", ":/quentrel/symbols/circle.dotted.svg"},
    {"circle.fill", ":/quentrel/symbols/circle.fill.svg"},
    {"clock", ":/quentrel/symbols/clock.svg"},
    {"clock.arrow.circlepath", ":/quentrel/symbols/clock.arrow.circlepath.svg"},
    {"doc.on.doc", ":/quentrel/symbols/doc.on.doc.svg"},
    {"doc.text.magnifyingglass", ":/quentrel/symbols/doc.text.magnifyingglass.svg"},
    {"ellipsis", ":/quentrel/symbols/ellipsis.svg"},
    {"ellipsis.circle", ":/quentrel/symbols/ellipsis.circle.svg"},
    {"exclamationmark.circle", ":/quentrel/symbols/exclamationmark.circle.svg"},
    {"exclamationmark.circle.fill", ":/quentrel/symbols/exclamationmark.circle.fill.svg"},
    {"externaldrive", ":/quentrel/symbols/externaldrive.svg"},
    {"externaldrive.badge.checkmark", ":/quentrel/symbols/externaldrive.badge.checkmark.svg"},
    {"externaldrive.badge.questionmark", ":/quentrel/symbols/externaldrive.badge.questionmark.svg"},
    {"externaldrive.fill", ":/quentrel/symbols/externaldrive.fill.svg"},
    {"folder", ":/quentrel/symbols/folder.svg"},
    {"gearshape", ":/quentrel/symbols/gearshape.svg"},
    {"info.circle", ":/quentrel/symbols/info.circle.svg"},
    {"link", ":/quentrel/symbols/link.svg"},
    {"lock.shield", ":/quentrel/symbols/lock.shield.svg"},
    {"macwindow", ":/quentrel/symbols/macwindow.svg"},
    {"menubar.rectangle", ":/quentrel/symbols/menubar.rectangle.svg"},
    {"minus.circle", ":/quentrel/symbols/minus.circle.svg"},
    {"moon", ":/quentrel/symbols/moon.svg"},
    {"moon.zzz", ":/quentrel/symbols/moon.zzz.svg"},
    {"pause.circle", ":/quentrel/symbols/pause.circle.svg"},
    {"pause.fill", ":/quentrel/symbols/pause.fill.svg"},
    {"pin", ":/quentrel/symbols/pin.svg"},
    {"pin.fill", ":/quentrel/symbols/pin.fill.svg"},
    {"play.fill", ":/quentrel/symbols/play.fill.svg"},
    {"plus", ":/quentrel/symbols/plus.svg"},
    {"questionmark.circle", ":/quentrel/symbols/questionmark.circle.svg"},
    {"rectangle.stack.badge.clock", ":/quentrel/symbols/rectangle.stack.badge.clock.svg"},
    {"slider.horizontal.3", ":/quentrel/symbols/slider.horizontal.3.svg"},
    {"sparkle", ":/quentrel/symbols/sparkle.svg"},
    {"sparkles", ":/quentrel/symbols/sparkles.svg"},
    {"square.and.arrow.down", ":/quentrel/symbols/square.and.arrow.down.svg"},
    {"trash", ":/quentrel/symbols/trash.svg"},
    {"waveform", ":/quentrel/symbols/waveform.svg"},
    {"waveform.path", ":/quentrel/symbols/waveform.path.svg"},
    {"xmark", ":/quentrel/symbols/xmark.svg"},
}};
static_assert(std::ranges::is_sorted(symbols, {}, &ObserverSymbol::name), "the table is searched by name");

// A symbol beside text is a little taller than the text's point size.
constexpr qreal boxPerFontSize = 1.2;

void ensureResources() {
    static const bool registered = (registerObserverSymbolResources(), true);
    (void)registered;
}

}  // namespace

std::span<const ObserverSymbol> table() { return symbols; }

const ObserverSymbol* find(std::string_view name) {
    auto it = std::ranges::lower_bound(symbols, name, {}, &ObserverSymbol::name);
    return it != symbols.end() && it->name == name ? &*it : nullptr;
}

bool contains(const QString& name) { return find(name.toStdString()) != nullptr; }

qreal boxSize(qreal fontSize) { return std::round(fontSize * boxPerFontSize); }

QPixmap pixmap(const QString& name, qreal side, const QColor& tint, qreal devicePixelRatio) {
    const auto* symbol = find(name.toStdString());
    const int pixels = static_cast<int>(std::ceil(side * devicePixelRatio));
    if (!symbol || pixels <= 0) return {};
    const QString key = QStringLiteral("quentrel.symbol:%1:%2:%3").arg(name).arg(pixels).arg(tint.rgba64(), 0, 16);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) return cached;

    ensureResources();
    QSvgRenderer renderer(qtext(symbol->resource));
    if (!renderer.isValid()) return {};
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
        // Keep the glyph's coverage, replace its colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), tint);
    }
    QPixmap result = QPixmap::fromImage(std::move(image));
    result.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, result);
    return result;
}

namespace {
// Renders nothing until the icon is drawn; a mode other than normal gets the style's look for it
// (a disabled menu item's icon is dimmed), as an icon made from a pixmap would.
class SymbolIconEngine final : public QIconEngine {
public:
    SymbolIconEngine(QString name, QColor tint) : name_(std::move(name)), tint_(tint) {}

    QIconEngine* clone() const override { return new SymbolIconEngine(name_, tint_); }
    QString key() const override { return QStringLiteral("quentrel.symbol"); }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        QPixmap glyph = ObserverSymbols::pixmap(name_, std::min(size.width(), size.height()), tint_, scale);
        if (glyph.isNull() || mode == QIcon::Normal || mode == QIcon::Active) return glyph;
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, glyph, &option);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, ratio));
    }

private:
    QString name_;
    QColor tint_;
};
}  // namespace

QIcon icon(const QString& name, const QColor& tint) {
    if (!contains(name)) return {};
    return QIcon(new SymbolIconEngine(name, tint));
}

void paint(QPainter& painter, const QRectF& box, const QString& name, const QColor& tint) {
    const qreal side = std::min(box.width(), box.height());
    if (side <= 0) return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap glyph = pixmap(name, side, tint, ratio);
    if (glyph.isNull()) return;
    const QRectF target(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    painter.drawPixmap(target, glyph, QRectF(glyph.rect()));
}

void tag(QObject& object, const QString& name) { object.setProperty(property, name); }

}  // namespace quentrel::ObserverSymbols
