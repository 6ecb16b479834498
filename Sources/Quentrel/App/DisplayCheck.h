#pragma once

#include "Quentrel/Support/DisplayPlatform.h"

namespace quentrel {

// The check of both programs before Qt starts: DisplayPlatform's rule, which asks X servers and
// Wayland compositors through the desktop layer's checks (X11DisplayCheck, WaylandDisplayCheck).
struct DisplayCheck {
    static DisplayPlatform::Reachable reachable(const DisplayPlatform::Environment& environment);
};

}  // namespace quentrel
