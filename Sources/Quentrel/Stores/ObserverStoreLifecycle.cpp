// Start, stop and the visibility of UI surfaces.

#include <string>
#include <utility>

#include "ObserverStorePrivate.h"

namespace quentrel {

using wendmark::InventorySnapshot;

void ObserverStorePrivate::start() {
    if (remoteCommand_ || started_) return;
    started_ = true;

    if (usesSystemServices_) {
        // Holds the store until the permission answer is in.
        mainQueue_->async(
            [self = q_.shared_from_this()] { self->d_->connectionNotifications_->refreshPermission([self] {}); });
    }

    std::weak_ptr<ObserverStore> weak = q_.weak_from_this();
    inventory_ = inventoryFactory_([weak, queue = mainQueue_](const InventorySnapshot& snapshot) {
        // Called on the inventory's queue: one main-queue task per snapshot.
        queue->async([weak, snapshot]() mutable {
            if (auto store = weak.lock()) store->receive(std::move(snapshot));
        });
    });
    inventory_->start();
    updateSampling(true);

    notificationTokens_.push_back(powerEvents_->subscribe({
        [weak] {
            if (auto store = weak.lock()) store->handleSystemSleep();
        },
        [weak] {
            if (auto store = weak.lock()) store->handleSystemWake();
        },
    }));

    addEvent(ObserverStore::appStartedEvent);
}

void ObserverStorePrivate::stop() {
    if (!started_) return;
    rememberedConnection_.cancelDeadline();
    connectionNotifications_->cancelPending();
    finishSession(wendmark::SessionEndReason::appQuit, currentDate());
    sessionStorage_->flush();
    if (inventory_) inventory_->stop();
    inventory_.reset();
    for (auto& token : notificationTokens_)
        if (token) token->cancel();
    notificationTokens_.clear();
    eventLog_->flush();
    // Settings are written behind; the last ones reach the file before the program ends.
    preferences_->flush();
    started_ = false;
}

void ObserverStorePrivate::surfaceVisibilityChanged(const platform::UUID& surface, bool visible) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::surface(surface, visible));
        return;
    }
    if (!visible) {
        visibleSurfaces_.erase(surface);
    } else if (visibleSurfaces_.contains(surface) || visibleSurfaces_.size() < ObserverStore::maximumVisibleSurfaces) {
        visibleSurfaces_.insert(surface);
    } else {
        return;
    }

    const auto count = static_cast<std::int64_t>(visibleSurfaces_.size());
    const std::int64_t old = visibleSurfaceCount_;
    if (count == old) return;
    publish();
    visibleSurfaceCount_ = count;
    publish();
    historyReferenceDate_ = currentDate();
    if ((count == 0) != (old == 0)) policy_ = wendmark::ObservationPolicy();
    logger_.info("Visible surfaces: " + std::to_string(count));
    updateSampling(false);
}

}  // namespace quentrel
