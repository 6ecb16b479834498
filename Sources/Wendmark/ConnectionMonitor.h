#pragma once

#include <cstddef>
#include <limits>
#include <map>
#include <optional>
#include <vector>

#include "ConnectionNotice.h"
#include "TargetPresence.h"

namespace wendmark {

// Decides when the user is told about the remembered drive: `disconnected` once a loss has lasted
// the confirmation delay, `repeatedChanges` when three connection changes fall within the change
// window; both rate-limited. Around sleep it stops judging, and after a wake it only watches for
// the grace period so that the drive's return after sleep is never taken for a change.
// Every `now` is monotonic seconds; a non-finite or backwards `now` is ignored by receive/advance.
class ConnectionMonitor {
public:
    static constexpr double confirmationDelay = 3.0;
    static constexpr double wakeGrace = 3.0;
    static constexpr double changeWindow = 600.0;
    static constexpr std::size_t changesForRepeatedChanges = 3;
    static constexpr double repeatedChangesGuard = 600.0;
    static constexpr double disconnectedGuard = 60.0;

    ConnectionMonitor() = default;

    // When advance(now:) is due: the end of the wake grace, else the confirmation of a pending loss.
    std::optional<double> nextDeadline() const;

    void sleep();
    void wake(double now);
    // Feeds one presence; returns the notices to deliver, in order.
    std::vector<ConnectionNotice> receive(const TargetPresence& presence, double now);
    // Lets time pass without a new presence; returns the notices that became due.
    std::vector<ConnectionNotice> advance(double now);

    const std::optional<TargetPresence>& baseline() const { return baseline_; }
    std::optional<double> pendingSince() const { return pendingSince_; }
    const std::vector<double>& losses() const { return losses_; }
    const std::map<ConnectionNotice, double>& sent() const { return sent_; }
    double lastTime() const { return lastTime_; }
    bool sleeping() const { return sleeping_; }
    std::optional<double> wakeUntil() const { return wakeUntil_; }
    const TargetPresence& wakePresence() const { return wakePresence_; }

    friend bool operator==(const ConnectionMonitor&, const ConnectionMonitor&) = default;

private:
    bool accepts(double now) const;
    // Whether a notice of this kind was produced less than `guard` seconds before `now`.
    bool sentWithin(ConnectionNotice notice, double guard, double now) const;

    std::optional<TargetPresence> baseline_;  // never unknown
    std::optional<double> pendingSince_;
    std::vector<double> losses_;  // oldest first, at most changesForRepeatedChanges
    std::map<ConnectionNotice, double> sent_;
    double lastTime_ = -std::numeric_limits<double>::infinity();
    bool sleeping_ = false;
    std::optional<double> wakeUntil_;
    TargetPresence wakePresence_ = TargetPresence::unknown();
};

}  // namespace wendmark
