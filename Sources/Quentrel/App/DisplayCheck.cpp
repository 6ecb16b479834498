#include "DisplayCheck.h"

#include "Platform/Desktop/Wayland/WaylandDisplayCheck.h"
#include "Platform/Desktop/X11/X11DisplayCheck.h"

namespace quentrel {

DisplayPlatform::Reachable DisplayCheck::reachable(const DisplayPlatform::Environment& environment) {
    using Environment = DisplayPlatform::Environment;
    using Deadline = platform::SocketRoundTrip::Deadline;
    return DisplayPlatform::reachable(
        environment,
        {.x11 = [](const Environment& display, Deadline deadline) {
             return platform::X11DisplayCheck::answers(display.display, deadline);
         },
         .wayland = [](const Environment& display, Deadline deadline) {
             return platform::WaylandDisplayCheck::answers(
                 {display.waylandDisplay, display.runtimeDirectory, display.waylandSocket}, deadline);
         }});
}

}  // namespace quentrel
