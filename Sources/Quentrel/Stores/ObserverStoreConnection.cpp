// The remembered drive's connection: presence per snapshot, the one deadline task, and notices.

#include <algorithm>
#include <utility>

#include "ObserverStore.h"
#include "ObserverStoreInternal.h"

namespace quentrel {

using wendmark::ConnectionNotice;
using wendmark::InventorySnapshot;
using wendmark::TargetPresence;

void ObserverStore::resetConnectionMonitoring() {
    cancelConnectionDeadline();
    publish();
    connectionStability_ = wendmark::ConnectionStability();
    connectionMonitor_ = wendmark::ConnectionMonitor();
    trackedConnectionID_.reset();
    connectionNotifications_->cancelPending();
    if (isSystemSleeping_) {
        connectionMonitor_.sleep();
        connectionStability_.sleep(monotonicNow_());
    }
}

void ObserverStore::updateConnectionMonitoring(const InventorySnapshot& snapshot) {
    if (!rememberedTarget_) return;
    const std::vector<std::string> matches = rememberedTarget_->matchingIDs(snapshot.devices);

    TargetPresence presence = TargetPresence::unknown();
    if (!snapshot.sessionAvailable || matches.size() >= 2) {
        presence = TargetPresence::unknown();
    } else if (matches.size() == 1) {
        trackedConnectionID_ = matches.front();
        presence = TargetPresence::present(matches.front());
    } else if (std::any_of(snapshot.devices.begin(), snapshot.devices.end(),
                           [](const auto& device) { return !device.topologyVerified; })) {
        // An unverified device may be the target with its volumes not yet readable.
        presence = TargetPresence::unknown();
    } else if (trackedConnectionID_ &&
               std::any_of(snapshot.devices.begin(), snapshot.devices.end(),
                           [&](const auto& device) { return device.id == *trackedConnectionID_; })) {
        // The drive once matched is still attached, for example with its volumes unmounted.
        presence = TargetPresence::present(*trackedConnectionID_);
    } else {
        presence = TargetPresence::absent();
    }

    connectionStability_.receive(presence, snapshot.capturedAt, monotonicNow_());
    const std::vector<ConnectionNotice> notices = connectionMonitor_.receive(presence, monotonicNow_());
    deliverConnectionNotices(notices);
    scheduleConnectionDeadline();
}

void ObserverStore::cancelConnectionDeadline() {
    if (connectionDeadline_) connectionDeadline_->cancel();
    connectionDeadline_.reset();
    scheduledConnectionDeadline_.reset();
}

void ObserverStore::scheduleConnectionDeadline() {
    std::optional<double> next;
    for (const std::optional<double>& candidate : {connectionMonitor_.nextDeadline(), connectionStability_.nextDeadline()}) {
        if (candidate) next = next ? std::min(*next, *candidate) : *candidate;
    }
    if (!next && !scheduledConnectionDeadline_) return;
    // The same deadline keeps the task that already waits for it.
    if (next && scheduledConnectionDeadline_ && *scheduledConnectionDeadline_ == *next) return;

    cancelConnectionDeadline();
    scheduledConnectionDeadline_ = next;
    if (!next) return;

    double delay = *next - monotonicNow_();
    if (!(delay > minimumDeadlineDelay)) delay = minimumDeadlineDelay;  // also a NaN delay
    // The delay runs on the main queue's clock, which stops in sleep; that is safe because sleep
    // cancels this task and wake plans it anew.
    connectionDeadline_ = platform::WorkItem::make([weak = weak_from_this()] {
        if (auto store = weak.lock()) store->connectionDeadlineReached();
    });
    mainQueue_->asyncAfter(delay, connectionDeadline_);
}

void ObserverStore::connectionDeadlineReached() {
    scheduledConnectionDeadline_.reset();
    connectionDeadline_.reset();
    ChangeBatch batch(*this);
    connectionStability_.advance(monotonicNow_());
    const std::vector<ConnectionNotice> notices = connectionMonitor_.advance(monotonicNow_());
    deliverConnectionNotices(notices);
    scheduleConnectionDeadline();
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
            // The connection stability record is visible and may change with the new baseline.
            ChangeBatch batch(*store);
            store->connectionMonitor_ = wendmark::ConnectionMonitor();
            if (store->isSystemSleeping_) store->connectionMonitor_.sleep();
            store->updateConnectionMonitoring(store->snapshot_);
        }
        if (done) done();
    });
}

}  // namespace quentrel
