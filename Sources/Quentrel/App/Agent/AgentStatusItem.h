#pragma once

#include <functional>
#include <optional>

#include "QuickViewAnchor.h"

namespace quentrel {

// The agent's status item as its delegate sees it. Main queue only.
class AgentStatusItem {
public:
    // What the item reports to its delegate; it may report during its own construction.
    struct Events {
        // A click on the icon (the status item's action).
        std::function<void()> activated;
        // No status item can be shown, as no tray is there: reported at most once, never once the
        // icon is shown. A tray that starts later still gets the icon.
        std::function<void()> unavailable;
    };

    virtual ~AgentStatusItem() = default;

    // The icon's frame in bottom-left-origin global points while it is shown; absent while it is
    // not, and empty when the tray does not tell where it is.
    virtual std::optional<ScreenRect> buttonFrame() const = 0;
};

}  // namespace quentrel
