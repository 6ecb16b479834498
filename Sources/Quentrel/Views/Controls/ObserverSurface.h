#pragma once

#include <QWidget>

class QPainter;

namespace quentrel {

// The card look: a rounded surface with an outline that follows the increased-contrast setting.
// Content goes into the card's layout; the card takes the content's size.
class ObserverSurface : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal cornerRadius = 22;
    static constexpr qreal outlineWidth = 1;
    static constexpr qreal outlineOpacity = 0.8;
    static constexpr qreal increasedContrastOutlineWidth = 2;
    // Half of the widest outline lies outside the card's shape; the shape is inset by this much
    // so that no part of the outline is cut off at the widget's edge.
    static constexpr qreal outlineOverhang = increasedContrastOutlineWidth / 2;

    explicit ObserverSurface(QWidget* parent = nullptr);

    // Draws the card (fill, then outline) on `shape`, for widgets that paint their own cards.
    static void paintCard(QPainter& painter, const QRectF& shape, bool increasedContrast);
    // The card's shape inside a widget of `size`.
    static QRectF cardShape(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace quentrel
