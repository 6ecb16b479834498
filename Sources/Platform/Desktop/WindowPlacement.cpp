#include "WindowPlacement.h"

#include <algorithm>

namespace platform {

namespace {

int centred(int length, int start, int areaLength) {
    return length <= areaLength ? start + (areaLength - length) / 2 : start;
}

int clampedInto(int position, int length, int start, int areaLength) {
    return std::max(start, std::min(position, start + areaLength - length));
}

}  // namespace

QPoint WindowPlacement::opening(const QSize& size, const QRect& area) {
    // (Not from QRect::center(), which lies half a pixel up and left: a frame as tall as the area
    // would start a pixel above it.)
    return {centred(size.width(), area.x(), area.width()), centred(size.height(), area.y(), area.height())};
}

QPoint WindowPlacement::inside(const QRect& frame, const QRect& area) {
    return {clampedInto(frame.x(), frame.width(), area.x(), area.width()),
            clampedInto(frame.y(), frame.height(), area.y(), area.height())};
}

}  // namespace platform
