// The remembered drive's connection: its records fed by every snapshot, the deadline task, and
// the notices.

#include <utility>

#include "ObserverStore.h"
#include "ObserverStoreInternal.h"

namespace quentrel {

using wendmark::ConnectionNotice;
using wendmark::InventorySnapshot;

void ObserverStore::resetConnectionMonitoring() {
    publish();
    rememberedConnection_.reset(isSystemSleeping_);
    connectionNotifications_->cancelPending();
}

void ObserverStore::updateConnectionMonitoring(const InventorySnapshot& snapshot) {
    if (!rememberedTarget_) return;
    const std::vector<ConnectionNotice> notices = rememberedConnection_.receive(*rememberedTarget_, snapshot);
    deliverConnectionNotices(notices);
    rememberedConnection_.scheduleDeadline();
}

void ObserverStore::connectionDeadlineReached() {
    ChangeBatch batch(*this);
    const std::vector<ConnectionNotice> notices = rememberedConnection_.advance();
    deliverConnectionNotices(notices);
    rememberedConnection_.scheduleDeadline();
}

void ObserverStore::deliverConnectionNotices(const std::vector<ConnectionNotice>& notices) {
    for (ConnectionNotice notice : notices) {
        addEvent(notice == ConnectionNotice::disconnected ? targetDisconnectedEvent : targetRepeatedChangesEvent);
        // Posted only if, when the task runs, the system is awake and a drive is still remembered.
        mainQueue_->async([weak = weak_from_this(), notice] {
            auto store = weak.lock();
            if (!store || store->isSystemSleeping_ || !store->rememberedTarget_) return;
            store->connectionNotifications_->submit(notice);
        });
    }
}

void ObserverStore::setConnectionNotifications(bool on, std::function<void()> done) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::withFlag(ObserverUICommand::Case::notifications, on));
        if (done) done();
        return;
    }
    // Nothing to be notified about while no drive is remembered.
    if (on && !rememberedTarget_) {
        if (done) done();
        return;
    }
    connectionNotifications_->setEnabled(on, [weak = weak_from_this(), done = std::move(done)] {
        if (auto store = weak.lock()) {
            ObserverStore& d = *store;
            // The connection stability record is visible and may change with the new baseline.
            ChangeBatch batch(d);
            d.rememberedConnection_.restartMonitor(d.isSystemSleeping_);
            d.updateConnectionMonitoring(d.snapshot_);
        }
        if (done) done();
    });
}

}  // namespace quentrel
