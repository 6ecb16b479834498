// The remembered drive's connection: its records fed by every snapshot, the deadline task, and
// the notices.

#include <utility>

#include "ObserverStorePrivate.h"

namespace quentrel {

using wendmark::ConnectionNotice;
using wendmark::InventorySnapshot;

void ObserverStorePrivate::resetConnectionMonitoring() {
    publish();
    rememberedConnection_.reset(isSystemSleeping_);
    connectionNotifications_->cancelPending();
}

void ObserverStorePrivate::updateConnectionMonitoring(const InventorySnapshot& snapshot) {
    if (!rememberedTarget_) return;
    const std::vector<ConnectionNotice> notices = rememberedConnection_.receive(*rememberedTarget_, snapshot);
    deliverConnectionNotices(notices);
    rememberedConnection_.scheduleDeadline();
}

void ObserverStorePrivate::connectionDeadlineReached() {
    ChangeBatch batch(*this);
    const std::vector<ConnectionNotice> notices = rememberedConnection_.advance();
    deliverConnectionNotices(notices);
    rememberedConnection_.scheduleDeadline();
}

void ObserverStorePrivate::deliverConnectionNotices(const std::vector<ConnectionNotice>& notices) {
    for (ConnectionNotice notice : notices) {
        addEvent(notice == ConnectionNotice::disconnected ? ObserverStore::targetDisconnectedEvent
                                                          : ObserverStore::targetRepeatedChangesEvent);
        // Posted only if, when the task runs, the system is awake and a drive is still remembered.
        mainQueue_->async([weak = q_.weak_from_this(), notice] {
            auto store = weak.lock();
            if (!store || store->d_->isSystemSleeping_ || !store->d_->rememberedTarget_) return;
            store->d_->connectionNotifications_->submit(notice);
        });
    }
}

void ObserverStorePrivate::setConnectionNotifications(bool on, std::function<void()> done) {
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
    connectionNotifications_->setEnabled(on, [weak = q_.weak_from_this(), done = std::move(done)] {
        if (auto store = weak.lock()) {
            ObserverStorePrivate& d = *store->d_;
            // The connection stability record is visible and may change with the new baseline.
            ChangeBatch batch(d);
            d.rememberedConnection_.restartMonitor(d.isSystemSleeping_);
            d.updateConnectionMonitoring(d.snapshot_);
        }
        if (done) done();
    });
}

}  // namespace quentrel
