#pragma once

#include <optional>

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace quentrel {

// Where one top-level window goes in its screen's available area, the window manager's frame
// included, as what happens to the window unfolds: told each event, it answers whether the window
// is to be placed anew, and a placement answers the largest size the window may take and where
// its frame then goes. The window opens centred where it fits and capped at the area (its content
// scrolls). The window manager's frame is known only once it has framed the window: the window is
// placed again then, centred if nothing else has moved it meanwhile. From then on a window that
// grows past the area's edges, or whose area changes, moves back inside. Pure, so that each rule
// holds whatever the window shows.
class WindowPlacer {
public:
    // A window about to open in `area`, counting `likelyFrame` until its own frame is known.
    WindowPlacer(const QRect& area, const QMargins& likelyFrame);

    // What happens to the window. Placed anew after each resize, after an area change and when
    // framed() says so.
    void shown();
    // The frame drawn around the window now (none until the window manager has framed it).
    bool framed(const QMargins& drawn);
    // Its frame's top-left corner is at `topLeft` now: moved by someone else if not placed there.
    void moved(const QPoint& topLeft);
    void areaChanged(const QRect& area);

    // A placement: the window takes at most the largest size (its frame left out; none without an
    // area, and the window stays as it is), then its frame's top-left corner goes where placed()
    // puts it at the size it took.
    std::optional<QSize> largest() const;
    QPoint placed(const QPoint& topLeft, const QSize& size);

    // The frame it counts: the one drawn around the window, else the likely one.
    const QMargins& frame() const { return frame_; }

private:
    enum class Stage {
        opening,        // not shown yet: each placement centres it
        awaitingFrame,  // shown, its frame not yet known: knowing it centres the window again
        centringOnce,   // framed while awaiting: the next placement centres it
        kept,           // moved back inside at each placement
    };

    QRect area_;
    QMargins frame_;
    QMargins counted_;  // the frame the last placement counted
    QPoint placedAt_;   // where that placement put the window
    Stage stage_ = Stage::opening;
};

}  // namespace quentrel
