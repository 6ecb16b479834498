#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace platform {

// Where a window's outer frame (the window manager's decoration included) goes in its screen's
// available area, in Qt's coordinates. Pure, so that each rule holds whatever the window shows.
struct WindowPlacement {
    // The top-left corner of a frame of `size` that opens in `area`: centred on each axis where it
    // fits, else at the area's top or left edge (what does not fit is capped or scrolls).
    static QPoint opening(const QSize& size, const QRect& area);
    // The top-left corner of `frame` moved the least way into `area`; a frame larger than the area
    // on an axis starts at the area's top or left edge.
    static QPoint inside(const QRect& frame, const QRect& area);
};

}  // namespace platform
