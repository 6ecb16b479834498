#include "WindowPlacer.h"

#include <optional>
#include <vector>

#include <gtest/gtest.h>

// On a 1366 × 768 screen under a 28-pixel panel, a 480 × 600 window that the window manager frames
// with 2 pixels on each side, 24 on top and 4 below.
TEST(WindowPlacer, eachEventPlacesTheWindowWhereItsFrameFitsTheArea) {
    enum Event { opened, shown, framed, noFrame, moved, resized, areaChanged };
    // Something that happens to the window, with the window as it is then (its frame's top-left
    // corner, its size; `area`: the area it changes to), and the placer's answers: where a placement
    // puts it (none: no placement) and, where given, the most size the window may take then.
    struct Step { Event event; QRect window; std::optional<QPoint> placedAt; QSize most{}; QRect area{}; };
    const QRect area(0, 28, 1366, 740), fresh(0, 0, 480, 600), bare(443, 98, 480, 600), centred(441, 84, 480, 600);
    const QMargins drawn(2, 24, 2, 4);
    const struct Case { const char* name; QMargins likely; std::vector<Step> steps; } cases[] = {
        {"framed after mapping, moved only by itself: centred again, then grown past the bottom: up just enough", {},
         {{opened, fresh, bare.topLeft(), {1366, 740}}, {shown, bare, {}}, {moved, bare, {}},
          {framed, bare, centred.topLeft(), {1362, 712}}, {resized, {441, 84, 480, 700}, QPoint(441, 40)}}},
        {"moved by someone else before it was framed: it stays there", {},
         {{opened, fresh, bare.topLeft()}, {shown, bare, {}}, {moved, {10, 40, 480, 600}, {}},
          {framed, {10, 40, 480, 600}, QPoint(10, 40)}}},
        {"the likely frame counts until it is framed, and was its frame: not placed again", drawn,
         {{opened, fresh, centred.topLeft()}, {shown, centred, {}}, {noFrame, centred, {}}, {framed, centred, {}}}},
        {"before it is shown, a frame counts only once it is placed, and a resize centres it at its new size", {},
         {{opened, fresh, bare.topLeft()}, {framed, bare, {}}, {resized, {443, 98, 480, 400}, QPoint(441, 184)}}},
        {"its area shrinks: kept inside, then capped at it; no area: left as it is", drawn,
         {{opened, fresh, centred.topLeft()}, {shown, centred, {}},
          {areaChanged, centred, QPoint(441, 22), {1362, 622}, {0, 0, 1366, 650}},
          {areaChanged, {441, 22, 480, 572}, QPoint(441, 0), {1362, 572}, {0, 0, 1366, 600}},
          {areaChanged, {441, 0, 480, 572}, {}, {}, {}}}},
    };
    for (const Case& c : cases) {
        quentrel::WindowPlacer placer(area, c.likely);
        for (const Step& s : c.steps) {
            if (s.event == shown) placer.shown();
            if (s.event == moved) placer.moved(s.window.topLeft());
            if (s.event == areaChanged) placer.areaChanged(s.area);
            // Placed anew on opening, after a resize or an area change, and when its frame asks for it.
            bool places = s.event != shown && s.event != moved;
            if (s.event == framed || s.event == noFrame) places = placer.framed(s.event == framed ? drawn : QMargins());
            const std::optional<QSize> largest = places ? placer.largest() : std::nullopt;
            const auto at = largest ? std::optional(placer.placed(s.window.topLeft(), s.window.size())) : std::nullopt;
            EXPECT_TRUE(at == s.placedAt && (s.most.isEmpty() || largest == s.most))
                << c.name << ", step " << &s - c.steps.data();
        }
    }
}
