#include "LaunchContext.h"

namespace wendmark {

AppLaunchCause LaunchContext::currentCause() { return cause(platform::currentLaunchEvent()); }

AppLaunchCause LaunchContext::cause(const std::optional<platform::LaunchEvent>& event) {
    if (!event || event->eventClass != "aevt" || event->eventID != "oapp" || !event->launchedAs)
        return AppLaunchCause::manualOrUnknown;
    if (*event->launchedAs == "lgit") return AppLaunchCause::loginItem;
    if (*event->launchedAs == "svit") return AppLaunchCause::serviceItem;
    return AppLaunchCause::manualOrUnknown;
}

}  // namespace wendmark
