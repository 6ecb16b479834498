#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Dispatch/WorkItem.h"
#include "Wendmark/ConnectionMonitor.h"
#include "Wendmark/ConnectionNotice.h"
#include "Wendmark/ConnectionStability.h"
#include "Wendmark/InventorySnapshot.h"
#include "Wendmark/ObservationTarget.h"

namespace quentrel {

// The remembered drive's connection: its presence in each snapshot, fed to the stability record
// (which the views show) and to the monitor (which decides the notices), and the one task that
// wakes both at their next deadline. It neither logs nor posts the notices nor sends a signal: its
// owner does, around each call. Main queue only; every time is a reading of the monotonic clock.
class RememberedConnection {
public:
    RememberedConnection(platform::SerialQueuePtr mainQueue, std::function<double()> monotonicNow);
    // Cancels the pending task; the handler it would run may outlive this object.
    ~RememberedConnection();
    RememberedConnection(const RememberedConnection&) = delete;
    RememberedConnection& operator=(const RememberedConnection&) = delete;

    // What the pending task runs on the main queue when its deadline comes; it is expected to call
    // advance() and then scheduleDeadline(). The owner holds itself weakly in it.
    void setDeadlineHandler(std::function<void()> handler) { deadlineHandler_ = std::move(handler); }

    const wendmark::ConnectionStability& stability() const { return connectionStability_; }
    const wendmark::ConnectionMonitor& monitor() const { return connectionMonitor_; }
    // The deadline the pending task waits for, and that task.
    std::optional<double> scheduledDeadline() const { return scheduledConnectionDeadline_; }
    const platform::WorkItem* deadlineTask() const { return connectionDeadline_.get(); }
    // The device last matched to the target; kept through snapshots without a match.
    const std::optional<std::string>& trackedID() const { return trackedConnectionID_; }

    // Both records afresh, in their sleeping state while the system sleeps; nothing tracked, no task.
    void reset(bool sleeping);
    // A fresh monitor (the stability record is kept): the next snapshot sets its baseline.
    void restartMonitor(bool sleeping);
    // Feeds the presence of `target` in `snapshot` to both records; returns the notices that became
    // due, in order.
    std::vector<wendmark::ConnectionNotice> receive(const wendmark::ObservationTarget& target,
                                                    const wendmark::InventorySnapshot& snapshot);
    // The deadline task's step: forgets the task that ran and advances both records to now; returns
    // the notices that became due.
    std::vector<wendmark::ConnectionNotice> advance();
    // The system sleeps (the task is cancelled) or has woken.
    void sleep();
    void wake();
    // Keeps one task waiting for the earliest deadline of the two records: a task waiting for that
    // deadline already is kept, any other one is replaced or, with no deadline left, cancelled.
    void scheduleDeadline();
    void cancelDeadline();

    // The UI app's copy of the agent's record.
    void applyMirror(const wendmark::ConnectionStability& stability) { connectionStability_ = stability; }

private:
    wendmark::TargetPresence presence(const wendmark::ObservationTarget& target,
                                      const wendmark::InventorySnapshot& snapshot);

    platform::SerialQueuePtr mainQueue_;
    std::function<double()> monotonicNow_;
    std::function<void()> deadlineHandler_;
    wendmark::ConnectionStability connectionStability_;
    wendmark::ConnectionMonitor connectionMonitor_;
    std::shared_ptr<platform::WorkItem> connectionDeadline_;
    std::optional<double> scheduledConnectionDeadline_;
    std::optional<std::string> trackedConnectionID_;
};

}  // namespace quentrel
