#include "FittingLabel.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

#include "Quentrel/Support/ClampedInteger.h"

namespace quentrel {

namespace {
// The narrowest a label asks to be: room for "…" at the smallest scale.
constexpr int minimumCharacters = 1;
}  // namespace

FittingLabel::FittingLabel(const QFont& font, qreal minimumScale, QWidget* parent)
    : QWidget(parent), font_(font), minimumScale_(std::clamp(minimumScale, 0.1, 1.0)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setForegroundRole(QPalette::WindowText);
}

void FittingLabel::setText(const QString& text) {
    if (text == text_) return;
    // Measured before, a text of the same width (digits are as wide as each other) leaves the
    // layout as it is.
    const std::optional<qreal> before = naturalWidth_;
    text_ = text;
    naturalWidth_.reset();
    if (!before || std::ceil(*before) != std::ceil(naturalWidth())) updateGeometry();
    update();
}

void FittingLabel::setTextFont(const QFont& font) {
    if (font == font_) return;
    font_ = font;
    naturalWidth_.reset();
    minimumSize_.reset();
    updateGeometry();
    update();
}

qreal FittingLabel::naturalWidth() const {
    if (!naturalWidth_) naturalWidth_ = QFontMetricsF(font_).horizontalAdvance(text_);
    return *naturalWidth_;
}

void FittingLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QFont FittingLabel::scaledFont(qreal scale) const {
    QFont font = font_;
    if (scale < 1) {
        if (font.pixelSize() > 0)
            font.setPixelSize(std::max(1, clampedInteger<int>(std::floor(font.pixelSize() * scale))));
        else
            font.setPointSizeF(font.pointSizeF() * scale);
    }
    return font;
}

qreal FittingLabel::currentScale() const {
    const qreal natural = naturalWidth();
    if (natural <= width() || natural <= 0) return 1;
    return std::max(minimumScale_, width() / natural);
}

QSize FittingLabel::sizeHint() const {
    return {clampedInteger<int>(std::ceil(naturalWidth())), minimumSizeHint().height()};
}

QSize FittingLabel::minimumSizeHint() const {
    if (!minimumSize_) {
        const QFontMetricsF smallest(scaledFont(minimumScale_));
        const qreal ellipsis = smallest.horizontalAdvance(QStringLiteral("…")) * minimumCharacters;
        minimumSize_ = QSize(clampedInteger<int>(std::ceil(ellipsis)),
                             clampedInteger<int>(std::ceil(QFontMetricsF(font_).height())));
    }
    return *minimumSize_;
}

void FittingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFont font = scaledFont(currentScale());
    painter.setFont(font);
    painter.setPen(palette().color(foregroundRole()));
    const QString shown = QFontMetricsF(font).elidedText(text_, Qt::ElideRight, width());
    painter.drawText(rect(), static_cast<int>(alignment_) | Qt::TextSingleLine, shown);
}

}  // namespace quentrel
