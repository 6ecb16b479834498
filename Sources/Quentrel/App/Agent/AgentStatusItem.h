#pragma once

#include <optional>

#include "QuickViewAnchor.h"

namespace quentrel {

// The agent's status item as its delegate sees it. Main queue only.
class AgentStatusItem {
public:
    virtual ~AgentStatusItem() = default;

    // The icon's frame in bottom-left-origin global points while it is shown; absent while it is
    // not, and empty when the tray does not tell where it is.
    virtual std::optional<ScreenRect> buttonFrame() const = 0;
};

}  // namespace quentrel
