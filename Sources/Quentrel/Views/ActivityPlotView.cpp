#include "ActivityPlotView.h"

#include <QPainter>
#include <QPen>

#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {
using G = ActivityPlotGeometry;

// Qt measures dashes in multiples of the line width; the geometry gives them in points.
QPen stroke(const QColor& colour, double width, std::optional<std::pair<double, double>> dash) {
    QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    if (dash) pen.setDashPattern({dash->first / width, dash->second / width});
    return pen;
}

const QPen& readPen() {
    static const QPen pen = stroke(ObserverTheme::accent, G::readLineWidth, std::nullopt);
    return pen;
}
const QPen& writePen() {
    static const QPen pen = stroke(ObserverTheme::text, G::writeLineWidth, std::pair{G::writeDashOn, G::writeDashOff});
    return pen;
}
const QPen& markerPen() {
    static const QPen pen = stroke(ObserverTheme::withOpacity(ObserverTheme::muted, G::markerOpacity),
                                   G::markerLineWidth, std::pair{G::markerDashOn, G::markerDashOff});
    return pen;
}
}  // namespace

ActivityPlotView::ActivityPlotView(QWidget* parent) : QWidget(parent), referenceDate_(platform::Date::now()) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

bool ActivityPlotView::setInputs(const std::vector<wendmark::ActivityInterval>& intervals,
                                 platform::Date referenceDate, std::optional<platform::Date> selectedDate) {
    if (intervals_ == intervals && referenceDate_ == referenceDate && selectedDate_ == selectedDate) return false;
    intervals_ = intervals;
    referenceDate_ = referenceDate;
    selectedDate_ = selectedDate;
    ++displayRequests_;
    update();
    return true;
}

void ActivityPlotView::draw(QPainter& painter, const ActivityPlotGeometry& geometry, QSizeF size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(QRectF(QPointF(0, 0), size));
    painter.setBrush(Qt::NoBrush);
    // Each interval's write segment goes over its read segment, a later interval over an earlier.
    std::optional<G::Line> current;
    for (const auto& segment : geometry.segments) {
        if (segment.line != current) {
            painter.setPen(segment.line == G::Line::read ? readPen() : writePen());
            current = segment.line;
        }
        painter.drawLine(QLineF(segment.x1, segment.y, segment.x2, segment.y));
    }
    if (geometry.markerX) {
        painter.setPen(markerPen());
        painter.drawLine(QLineF(*geometry.markerX, 0, *geometry.markerX, size.height()));
    }
    painter.restore();
}

void ActivityPlotView::paintEvent(QPaintEvent*) {
    ActivityPlotGeometry::make(intervals_, referenceDate_, selectedDate_, width(), height(), geometry_);
    QPainter painter(this);
    draw(painter, geometry_, QSizeF(size()));
}

}  // namespace quentrel
