#include "Quentrel/Views/Symbols/ObserverSymbols.h"

#include <functional>

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "ThemeTestSupport.h"

using namespace quentrel;

namespace {
// Every symbol that the status item, the views and the windows ask for.
const char* const namesTheViewsUse[] = {
    "arrow.clockwise", "arrow.counterclockwise", "arrow.down", "arrow.down.left", "arrow.triangle.2.circlepath",
    "arrow.up", "arrow.up.right", "arrow.uturn.backward", "bell.slash", "bolt.slash", "cable.connector",
    "chart.xyaxis.line", "checkmark", "checkmark.circle", "chevron.down", "chevron.right", "circle.dotted",
    "circle.fill", "clock", "clock.arrow.circlepath", "doc.on.doc", "doc.text.magnifyingglass", "ellipsis",
    "ellipsis.circle", "exclamationmark.circle", "exclamationmark.circle.fill", "externaldrive",
    "externaldrive.badge.checkmark", "externaldrive.badge.questionmark", "externaldrive.fill", "folder",
    "gearshape", "info.circle", "link", "lock.shield", "macwindow", "menubar.rectangle", "minus.circle", "moon",
    "moon.zzz", "pause.circle", "pause.fill", "pin", "pin.fill", "play.fill", "plus", "questionmark.circle",
    "rectangle.stack.badge.clock", "slider.horizontal.3", "sparkle", "sparkles", "square.and.arrow.down",
    "trash", "waveform", "waveform.path", "xmark",
};

QString name(const ObserverSymbol& symbol) {
    return QString::fromUtf8(symbol.name.data(), static_cast<qsizetype>(symbol.name.size()));
}

// The pixels of `square` in `image` that `isInk` takes for ink.
int inkIn(const QImage& image, const QRect& square, const std::function<bool(const QColor&)>& isInk) {
    int ink = 0;
    for (int y = square.top(); y <= square.bottom(); ++y)
        for (int x = square.left(); x <= square.right(); ++x) ink += isInk(image.pixelColor(x, y));
    return ink;
}

// The ink a glyph exceeds in its square: 2 % of it. Less is a blank or a speck.
int glyphInkFloor(const QRect& square) { return square.width() * square.height() / 50; }

class ObserverSymbolsTest : public ::testing::Test {
protected:
    void SetUp() override { quentrel::testing::applyTheme(); }
};
}  // namespace

TEST_F(ObserverSymbolsTest, TableHoldsEveryNameTheViewsUse) {
    for (const char* n : namesTheViewsUse) EXPECT_TRUE(ObserverSymbols::contains(QString::fromUtf8(n))) << n;
    EXPECT_EQ(ObserverSymbols::table().size(), std::size(namesTheViewsUse));
    EXPECT_FALSE(ObserverSymbols::contains(QStringLiteral("externaldrive.badge")));
    EXPECT_FALSE(ObserverSymbols::contains(QString()));
}

TEST_F(ObserverSymbolsTest, EveryGlyphDrawsInItsTintOnly) {
    const QColor tint(200, 40, 90);
    for (const auto& symbol : ObserverSymbols::table()) {
        const QImage image = ObserverSymbols::pixmap(name(symbol), 32, tint, 2).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(64, 64)) << symbol.name;
        const auto covers = [](const QColor& pixel) { return pixel.alpha() >= 128; };
        const auto offTint = [&](const QColor& pixel) {
            return covers(pixel) && (std::abs(pixel.red() - tint.red()) > 2 || std::abs(pixel.green() - tint.green()) > 2 ||
                                     std::abs(pixel.blue() - tint.blue()) > 2);
        };
        const int covered = inkIn(image, image.rect(), covers);
        // Not blank, not a filled square, and nothing but the tint.
        EXPECT_GT(covered, glyphInkFloor(image.rect())) << symbol.name;
        EXPECT_LT(covered, 64 * 64 * 3 / 4) << symbol.name;
        EXPECT_EQ(inkIn(image, image.rect(), offTint), 0) << symbol.name;
    }
}

TEST_F(ObserverSymbolsTest, SymbolViewKeepsItsNameAndAnUnknownNameDrawsNothing) {
    EXPECT_TRUE(ObserverSymbols::pixmap(QStringLiteral("no.such.symbol"), 16, Qt::white).isNull());
    ObserverSymbolView view(QStringLiteral("folder"), 15, ObserverTheme::muted);
    EXPECT_EQ(view.property("symbol").toString(), QStringLiteral("folder"));
    EXPECT_EQ(view.sizeHint(), QSize(18, 18));
    view.setSymbol(QStringLiteral("no.such.symbol"));
    EXPECT_EQ(view.property("symbol").toString(), QStringLiteral("no.such.symbol"));
}

TEST_F(ObserverSymbolsTest, SheetOfAllSymbols) {
    constexpr int columns = 8, cellWidth = 170, cellHeight = 78, glyph = 30;
    const auto symbols = ObserverSymbols::table();
    const int rows = static_cast<int>((symbols.size() + columns - 1) / columns);
    QImage sheet(columns * cellWidth, rows * cellHeight, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(ObserverTheme::background);
    QPainter painter(&sheet);
    painter.setFont(ObserverTheme::font(ObserverTheme::TextStyle::caption));
    std::vector<std::pair<QString, QRectF>> squares;  // where each glyph went, at both sizes
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const QRectF cell((i % columns) * cellWidth, (i / columns) * cellHeight, cellWidth, cellHeight);
        const QColor tint = i % 2 ? ObserverTheme::text : ObserverTheme::accent;
        squares.push_back({name(symbols[i]), QRectF(cell.center().x() - glyph / 2.0, cell.top() + 10, glyph, glyph)});
        ObserverSymbols::paint(painter, squares.back().second, name(symbols[i]), tint);
        // The same glyph at the icon buttons' size, to judge legibility where it is used.
        squares.push_back({name(symbols[i]), QRectF(cell.left() + 8, cell.top() + 8, 18, 18)});
        ObserverSymbols::paint(painter, squares.back().second, name(symbols[i]), ObserverTheme::muted);
        painter.setPen(ObserverTheme::muted);
        painter.drawText(cell.adjusted(2, 0, -2, -6), Qt::AlignHCenter | Qt::AlignBottom, name(symbols[i]));
    }
    painter.end();
    quentrel::testing::writeScreenshot(sheet, QStringLiteral("symbols"));
    // Every glyph drew in its square at both sizes.
    for (const auto& [symbol, square] : squares) {
        const QRect pixels = square.toAlignedRect();
        const int ink = inkIn(sheet, pixels, [](const QColor& pixel) { return pixel != ObserverTheme::background; });
        EXPECT_GT(ink, glyphInkFloor(pixels)) << symbol.toStdString() << " at " << square.width();
    }
}
