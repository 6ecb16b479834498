#include "ConnectionMonitor.h"

#include <algorithm>
#include <cmath>

namespace wendmark {

namespace {
std::optional<TargetPresence> asBaseline(const TargetPresence& presence) {
    if (presence.isUnknown()) return std::nullopt;
    return presence;
}
}  // namespace

bool ConnectionMonitor::accepts(double now) const { return std::isfinite(now) && now >= lastTime_; }

bool ConnectionMonitor::sentWithin(ConnectionNotice notice, double guard, double now) const {
    auto it = sent_.find(notice);
    return it != sent_.end() && now - it->second < guard;
}

std::optional<double> ConnectionMonitor::nextDeadline() const {
    if (wakeUntil_) return wakeUntil_;
    if (pendingSince_) return *pendingSince_ + confirmationDelay;
    return std::nullopt;
}

void ConnectionMonitor::sleep() {
    sleeping_ = true;
    pendingSince_.reset();
    wakeUntil_.reset();
    losses_.clear();
}

void ConnectionMonitor::wake(double now) {
    sleeping_ = false;
    wakeUntil_ = now + wakeGrace;
    wakePresence_ = TargetPresence::unknown();
}

std::vector<ConnectionNotice> ConnectionMonitor::receive(const TargetPresence& presence, double now) {
    if (!accepts(now)) return {};
    lastTime_ = now;
    if (sleeping_) return {};

    if (wakeUntil_) {
        wakePresence_ = presence;
        if (now < *wakeUntil_) return {};
        // The presence that ends the grace is the new reference, not a change.
        wakeUntil_.reset();
        baseline_ = asBaseline(presence);
        pendingSince_.reset();
        return {};
    }

    if (presence.isUnknown()) {
        baseline_.reset();
        pendingSince_.reset();
        losses_.clear();
        return {};
    }
    if (!baseline_) {
        baseline_ = presence;
        return {};
    }

    bool loss = presence.isAbsent() && !baseline_->isAbsent();
    bool identityChange = presence.isPresent() && baseline_->isPresent() && presence.deviceID() != baseline_->deviceID();
    if (presence.isPresent() && !identityChange) pendingSince_.reset();

    std::vector<ConnectionNotice> result;
    if (loss || identityChange) {
        std::erase_if(losses_, [now](double t) { return now - t > changeWindow; });
        losses_.push_back(now);
        if (losses_.size() > changesForRepeatedChanges)
            losses_.erase(losses_.begin(), losses_.end() - changesForRepeatedChanges);

        if (loss)
            pendingSince_ = now;
        else
            pendingSince_.reset();

        if (losses_.size() == changesForRepeatedChanges &&
            !sentWithin(ConnectionNotice::repeatedChanges, repeatedChangesGuard, now)) {
            result.push_back(ConnectionNotice::repeatedChanges);
            sent_[ConnectionNotice::repeatedChanges] = now;
            // The loss that completed the run gives no disconnected of its own.
            pendingSince_.reset();
        }
    }

    baseline_ = presence;
    auto due = advance(now);  // a loss pending from before may be due now
    result.insert(result.end(), due.begin(), due.end());
    return result;
}

std::vector<ConnectionNotice> ConnectionMonitor::advance(double now) {
    if (!accepts(now) || sleeping_) return {};
    lastTime_ = now;

    if (wakeUntil_ && *wakeUntil_ <= now) {
        wakeUntil_.reset();
        baseline_ = asBaseline(wakePresence_);
        return {};
    }
    if (pendingSince_ && *pendingSince_ + confirmationDelay <= now) {
        pendingSince_.reset();
        if (!baseline_ || !baseline_->isAbsent()) return {};
        if (sentWithin(ConnectionNotice::disconnected, disconnectedGuard, now)) return {};
        sent_[ConnectionNotice::disconnected] = now;
        return {ConnectionNotice::disconnected};
    }
    return {};
}

}  // namespace wendmark
