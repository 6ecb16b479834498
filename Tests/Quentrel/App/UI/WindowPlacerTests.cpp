#include "WindowPlacer.h"

#include <optional>
#include <vector>

#include <gtest/gtest.h>

using quentrel::WindowPlacer;

namespace {

enum class Event { opened, shown, framed, framedNotYet, moved, resized, areaChanged };

// One thing that happens to the window, with the window as it is then (its frame's top-left
// corner, its size), and what the placer answers: where a placement puts it (none: no placement)
// and, where given, the largest size that placement lets it take.
struct Step {
    Event event;
    QRect window;
    std::optional<QPoint> placedAt;
    QSize largest{};
    QRect area{};  // the area it changes to
};

}  // namespace

// On a 1366 × 768 screen under a 28-pixel panel, a 480 × 600 window that the window manager frames
// with 2 pixels on each side, 24 on top and 4 below.
TEST(WindowPlacer, eachEventPlacesTheWindowWhereItsFrameFitsTheArea) {
    const QRect area(0, 28, 1366, 740);
    const QMargins drawn(2, 24, 2, 4);
    struct Case {
        const char* name;
        QMargins likely;
        std::vector<Step> steps;
    } cases[] = {
        {"framed after mapping, moved only by itself: centred again; then grown past the bottom: up just enough", {},
         {{Event::opened, {0, 0, 480, 600}, QPoint(443, 98), {1366, 740}},
          {Event::shown, {443, 98, 480, 600}, {}},
          {Event::moved, {443, 98, 480, 600}, {}},
          {Event::framed, {443, 98, 480, 600}, QPoint(441, 84), {1362, 712}},
          {Event::resized, {441, 84, 480, 700}, QPoint(441, 40)}}},
        {"moved by someone else before it was framed: it stays there", {},
         {{Event::opened, {0, 0, 480, 600}, QPoint(443, 98)},
          {Event::shown, {443, 98, 480, 600}, {}},
          {Event::moved, {10, 40, 480, 600}, {}},
          {Event::framed, {10, 40, 480, 600}, QPoint(10, 40)}}},
        {"the likely frame counts until it is framed, and was its frame: not placed again", drawn,
         {{Event::opened, {0, 0, 480, 600}, QPoint(441, 84), {1362, 712}},
          {Event::shown, {441, 84, 480, 600}, {}},
          {Event::framedNotYet, {441, 84, 480, 600}, {}},
          {Event::framed, {441, 84, 480, 600}, {}}}},
        {"before it is shown its frame counts only when it is placed, and a resize centres it at its new size", {},
         {{Event::opened, {0, 0, 480, 600}, QPoint(443, 98)},
          {Event::framed, {443, 98, 480, 600}, {}},
          {Event::resized, {443, 98, 480, 400}, QPoint(441, 184)}}},
        {"its area shrinks: kept inside, then capped at it; no area: left as it is", drawn,
         {{Event::opened, {0, 0, 480, 600}, QPoint(441, 84)},
          {Event::shown, {441, 84, 480, 600}, {}},
          {Event::areaChanged, {441, 84, 480, 600}, QPoint(441, 22), {1362, 622}, {0, 0, 1366, 650}},
          {Event::areaChanged, {441, 22, 480, 572}, QPoint(441, 0), {1362, 572}, {0, 0, 1366, 600}},
          {Event::areaChanged, {441, 0, 480, 572}, {}, {}, {}}}},
    };
    for (const Case& c : cases) {
        WindowPlacer placer(area, c.likely);
        for (const Step& s : c.steps) {
            bool places = s.event == Event::opened || s.event == Event::resized || s.event == Event::areaChanged;
            if (s.event == Event::shown) placer.shown();
            if (s.event == Event::framed || s.event == Event::framedNotYet)
                places = placer.framed(s.event == Event::framed ? drawn : QMargins());
            if (s.event == Event::moved) placer.moved(s.window.topLeft());
            if (s.event == Event::areaChanged) placer.areaChanged(s.area);
            const std::optional<QSize> largest = places ? placer.largest() : std::nullopt;
            const auto at = largest ? std::optional(placer.placed(s.window.topLeft(), s.window.size())) : std::nullopt;
            const auto step = &s - c.steps.data();
            EXPECT_EQ(at, s.placedAt) << c.name << ", step " << step;
            EXPECT_TRUE(!s.largest.isValid() || largest == s.largest) << c.name << ", step " << step;
        }
    }
}
