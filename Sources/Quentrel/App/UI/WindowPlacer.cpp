#include "WindowPlacer.h"

#include "Platform/Desktop/WindowPlacement.h"

namespace quentrel {

WindowPlacer::WindowPlacer(const QRect& area, const QMargins& likelyFrame) : area_(area), frame_(likelyFrame) {}

void WindowPlacer::shown() {
    if (stage_ == Stage::opening) stage_ = Stage::awaitingFrame;
}

bool WindowPlacer::framed(const QMargins& drawn) {
    if (!drawn.isNull()) frame_ = drawn;
    if (stage_ == Stage::opening || frame_ == counted_) return false;
    // Placed again with its real frame: centred if nothing has moved it since it opened.
    if (stage_ == Stage::awaitingFrame) stage_ = Stage::centringOnce;
    return true;
}

void WindowPlacer::moved(const QPoint& topLeft) {
    // Moved by the user or the window manager: it stays there.
    if (topLeft != placedAt_ && stage_ == Stage::awaitingFrame) stage_ = Stage::kept;
}

void WindowPlacer::areaChanged(const QRect& area) { area_ = area; }

std::optional<QSize> WindowPlacer::largest() const {
    if (area_.isEmpty()) return std::nullopt;
    return area_.size().shrunkBy(frame_);
}

QPoint WindowPlacer::placed(const QPoint& topLeft, const QSize& size) {
    counted_ = frame_;
    const QRect outer(topLeft, size.grownBy(frame_));
    if (stage_ == Stage::opening || stage_ == Stage::centringOnce) {
        placedAt_ = platform::WindowPlacement::opening(outer.size(), area_);
        if (stage_ == Stage::centringOnce) stage_ = Stage::kept;
    } else {
        placedAt_ = platform::WindowPlacement::inside(outer, area_);
    }
    return placedAt_;
}

}  // namespace quentrel
