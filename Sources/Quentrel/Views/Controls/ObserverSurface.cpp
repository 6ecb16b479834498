#include "ObserverSurface.h"

#include <QPainter>
#include <QPen>

#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {
// The stroke style of the outline: butt caps, miter joins, miter limit 10, no dash.
constexpr qreal outlineMiterLimit = 10;
}  // namespace

ObserverSurface::ObserverSurface(QWidget* parent) : QWidget(parent) {}

QRectF ObserverSurface::cardShape(QSize size) {
    return QRectF(QPointF(0, 0), QSizeF(size)).adjusted(outlineOverhang, outlineOverhang, -outlineOverhang, -outlineOverhang);
}

void ObserverSurface::paintCard(QPainter& painter, const QRectF& shape, bool increasedContrast) {
    const QPainterPath path = ObserverTheme::continuousRoundedRect(shape, cornerRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, ObserverTheme::surface);
    QPen pen(increasedContrast ? ObserverTheme::muted : ObserverTheme::withOpacity(ObserverTheme::border, outlineOpacity),
             increasedContrast ? increasedContrastOutlineWidth : outlineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(outlineMiterLimit);
    painter.strokePath(path, pen);
    painter.restore();
}

void ObserverSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintCard(painter, cardShape(size()), ObserverTheme::increasedContrast());
}

}  // namespace quentrel
