#pragma once

#include <optional>

#include "AppLaunchCause.h"
#include "Platform/Foundation/LaunchEvent.h"

namespace wendmark {

// Tells from the launching event whether the system started the program.
struct LaunchContext {
    // The cause of this process's launch; never fails.
    static AppLaunchCause currentCause();

    // An "aevt"/"oapp" event whose "prdt" code is "lgit" is a login item, "svit" a service item;
    // everything else, and no event at all, is manual or unknown.
    static AppLaunchCause cause(const std::optional<platform::LaunchEvent>& event);
};

}  // namespace wendmark
