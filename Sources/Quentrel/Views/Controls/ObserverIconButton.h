#pragma once

#include <functional>

#include <QAbstractButton>

#include "ObserverFocusRing.h"

namespace quentrel {

// The square icon button: a symbol on a rounded square, accent when highlighted, with its title
// as tool tip and accessible name and its identifier as objectName. A click anywhere inside the
// rounded square counts.
class ObserverIconButton : public QAbstractButton, public FocusRingShape {
    Q_OBJECT
public:
    static constexpr int side = 38;
    static constexpr qreal cornerRadius = 11;
    static constexpr qreal symbolFontSize = 15;
    static constexpr qreal highlightedFillOpacity = 0.1;
    static constexpr qreal plainFillOpacity = 0.55;

    // `action` runs on the main thread for each click.
    ObserverIconButton(const QString& title, const QString& symbol, bool highlighted, bool enabled,
                       const QString& identifier, std::function<void()> action, QWidget* parent = nullptr);

    QString title() const { return title_; }
    void setTitle(const QString& title);
    QString symbol() const { return symbol_; }
    void setSymbol(const QString& symbol);
    // The glyph's font size; symbolFontSize unless set.
    qreal symbolSize() const { return symbolSize_; }
    void setSymbolSize(qreal size);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    void setAction(std::function<void()> action);

    QSize sizeHint() const override { return {side, side}; }
    QRectF focusRingRect() const override { return {0, 0, side, side}; }
    qreal focusRingRadius() const override { return cornerRadius; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    QString title_;
    QString symbol_;
    bool highlighted_;
    qreal symbolSize_ = symbolFontSize;
    std::function<void()> action_;
};

}  // namespace quentrel
