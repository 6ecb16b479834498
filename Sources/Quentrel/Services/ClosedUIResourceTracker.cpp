#include "ClosedUIResourceTracker.h"

#include <algorithm>

namespace quentrel {

namespace {
bool alive(const std::optional<WeakReference>& reference) { return reference && reference->isAlive(); }
}  // namespace

void ClosedUIResourceTracker::record(std::optional<WeakReference> controller, std::optional<WeakReference> view) {
    if (!controller && !view) return;
    prune();
    entries_.push_back({std::move(controller), std::move(view)});
    if (entries_.size() > capacity)
        entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(entries_.size() - capacity));
}

void ClosedUIResourceTracker::prune() {
    std::erase_if(entries_, [](const Entry& e) { return !alive(e.controller) && !alive(e.view); });
}

ClosedUIResourceTracker::Snapshot ClosedUIResourceTracker::snapshot() {
    prune();
    Snapshot counts;
    counts.trackedClosedUISurfaces = static_cast<std::int64_t>(entries_.size());
    for (const auto& entry : entries_) {
        if (alive(entry.controller)) ++counts.retainedClosedUIControllers;
        if (alive(entry.view)) ++counts.retainedClosedUIViews;
    }
    return counts;
}

ClosedUIResourceTracker& ObserverWindowResources::closedContents() {
    static ClosedUIResourceTracker tracker;
    return tracker;
}

}  // namespace quentrel
