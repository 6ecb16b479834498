#include "RememberedConnection.h"

#include <algorithm>
#include <utility>

#include "ObserverStore.h"

namespace quentrel {

using wendmark::ConnectionNotice;
using wendmark::InventorySnapshot;
using wendmark::TargetPresence;

RememberedConnection::RememberedConnection(platform::SerialQueuePtr mainQueue, std::function<double()> monotonicNow)
    : mainQueue_(std::move(mainQueue)), monotonicNow_(std::move(monotonicNow)) {}

RememberedConnection::~RememberedConnection() {
    // The task would find its owner gone anyway; cancelled, the queue drops it early.
    if (connectionDeadline_) connectionDeadline_->cancel();
}

void RememberedConnection::reset(bool sleeping) {
    cancelDeadline();
    connectionStability_ = wendmark::ConnectionStability();
    connectionMonitor_ = wendmark::ConnectionMonitor();
    trackedConnectionID_.reset();
    if (sleeping) {
        connectionMonitor_.sleep();
        connectionStability_.sleep(monotonicNow_());
    }
}

void RememberedConnection::restartMonitor(bool sleeping) {
    connectionMonitor_ = wendmark::ConnectionMonitor();
    if (sleeping) connectionMonitor_.sleep();
}

TargetPresence RememberedConnection::presence(const wendmark::ObservationTarget& target,
                                              const InventorySnapshot& snapshot) {
    const std::vector<std::string> matches = target.matchingIDs(snapshot.devices);
    if (!snapshot.sessionAvailable || matches.size() >= 2) return TargetPresence::unknown();
    if (matches.size() == 1) {
        trackedConnectionID_ = matches.front();
        return TargetPresence::present(matches.front());
    }
    // An unverified device may be the target with its volumes not yet readable.
    if (std::any_of(snapshot.devices.begin(), snapshot.devices.end(),
                    [](const auto& device) { return !device.topologyVerified; })) {
        return TargetPresence::unknown();
    }
    // The drive once matched is still attached, for example with its volumes unmounted.
    if (trackedConnectionID_ && std::any_of(snapshot.devices.begin(), snapshot.devices.end(),
                                            [&](const auto& device) { return device.id == *trackedConnectionID_; })) {
        return TargetPresence::present(*trackedConnectionID_);
    }
    return TargetPresence::absent();
}

std::vector<ConnectionNotice> RememberedConnection::receive(const wendmark::ObservationTarget& target,
                                                            const InventorySnapshot& snapshot) {
    const TargetPresence current = presence(target, snapshot);
    connectionStability_.receive(current, snapshot.capturedAt, monotonicNow_());
    return connectionMonitor_.receive(current, monotonicNow_());
}

std::vector<ConnectionNotice> RememberedConnection::advance() {
    scheduledConnectionDeadline_.reset();
    connectionDeadline_.reset();
    connectionStability_.advance(monotonicNow_());
    return connectionMonitor_.advance(monotonicNow_());
}

void RememberedConnection::sleep() {
    cancelDeadline();
    connectionMonitor_.sleep();
    connectionStability_.sleep(monotonicNow_());
}

void RememberedConnection::wake() {
    connectionMonitor_.wake(monotonicNow_());
    connectionStability_.wake(monotonicNow_());
}

void RememberedConnection::cancelDeadline() {
    if (connectionDeadline_) connectionDeadline_->cancel();
    connectionDeadline_.reset();
    scheduledConnectionDeadline_.reset();
}

void RememberedConnection::scheduleDeadline() {
    std::optional<double> next;
    for (const std::optional<double>& candidate : {connectionMonitor_.nextDeadline(), connectionStability_.nextDeadline()}) {
        if (candidate) next = next ? std::min(*next, *candidate) : *candidate;
    }
    if (!next && !scheduledConnectionDeadline_) return;
    // The same deadline keeps the task that already waits for it.
    if (next && scheduledConnectionDeadline_ && *scheduledConnectionDeadline_ == *next) return;

    cancelDeadline();
    scheduledConnectionDeadline_ = next;
    if (!next) return;

    double delay = *next - monotonicNow_();
    if (!(delay > ObserverStore::minimumDeadlineDelay)) delay = ObserverStore::minimumDeadlineDelay;  // also a NaN delay
    // The delay runs on the main queue's clock, which stops in sleep; that is safe because sleep
    // cancels this task and wake plans it anew.
    connectionDeadline_ = platform::WorkItem::make([handler = deadlineHandler_] {
        if (handler) handler();
    });
    mainQueue_->asyncAfter(delay, connectionDeadline_);
}

}  // namespace quentrel
