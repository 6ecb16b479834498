#include "ConnectionStability.h"

#include <cmath>

namespace wendmark {

using Outcome = ConnectionStability::Change::Outcome;

void ConnectionStability::Change::encode(platform::json::ObjectEncoder& e) const {
    e.field("id", id_)
        .field("date", date_)
        .field("outcome", outcome)
        .field("recoveredAt", recoveredAt)
        .field("gapSeconds", gapSeconds);
}

ConnectionStability::Change ConnectionStability::Change::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<platform::UUID>("id"), d.required<platform::Date>("date"), d.required<Outcome>("outcome"),
            d.optional<platform::Date>("recoveredAt"), d.optional<double>("gapSeconds")};
}

bool ConnectionStability::accepts(double now) const { return std::isfinite(now) && lastTime_ <= now; }

void ConnectionStability::establish(const TargetPresence& presence) {
    switch (presence.kind()) {
    case TargetPresence::Kind::present:
        baseline_ = presence;
        state_ = State::connected;
        break;
    case TargetPresence::Kind::absent:
        baseline_ = presence;
        state_ = pendingSince_ ? State::disconnected : State::waiting;
        break;
    case TargetPresence::Kind::unknown:
        baseline_.reset();
        state_ = State::unavailable;
        break;
    }
}

void ConnectionStability::interruptPendingLoss() {
    if (pendingSince_ && !changes_.empty()) changes_.front().outcome = Outcome::interrupted;
}

void ConnectionStability::record(Change change) {
    changes_.insert(changes_.begin(), std::move(change));
    if (changes_.size() > maximumChanges) changes_.erase(changes_.begin() + maximumChanges, changes_.end());
}

void ConnectionStability::receive(const TargetPresence& presence, platform::Date date, double now) {
    if (!accepts(now) || !std::isfinite(date.sinceReferenceDate)) return;
    lastTime_ = now;
    if (state_ == State::sleeping) return;
    if (!startedAt_) startedAt_ = date;

    if (nextDeadline_) {
        // Settling: watch only, count nothing.
        wakePresence_ = presence;
        if (*nextDeadline_ <= now) {
            nextDeadline_.reset();
            establish(presence);
        }
        return;
    }

    if (presence.isUnknown()) {
        interruptPendingLoss();
        pendingSince_.reset();
        baseline_.reset();
        state_ = State::unavailable;
        return;
    }

    if (baseline_) {
        if (baseline_->isAbsent() && presence.isPresent() && pendingSince_) {
            double gap = now - *pendingSince_;
            recoveryCount_ += 1;
            confirmedGapSeconds_ += gap;
            if (!changes_.empty()) {
                Change& loss = changes_.front();
                loss.outcome = Outcome::recovered;
                loss.recoveredAt = date;
                loss.gapSeconds = gap;
            }
            pendingSince_.reset();
        } else if (baseline_->isPresent() && presence.isAbsent()) {
            lossCount_ += 1;
            lastLossAt_ = date;
            pendingSince_ = now;
            record(Change(platform::UUID::random(), date, Outcome::pending));
        } else if (baseline_->isPresent() && presence.isPresent() && baseline_->deviceID() != presence.deviceID()) {
            identityChangeCount_ += 1;
            record(Change(platform::UUID::random(), date, Outcome::identityChanged));
        }
    }
    establish(presence);
}

void ConnectionStability::advance(double now) {
    if (!accepts(now)) return;
    lastTime_ = now;
    if (nextDeadline_ && *nextDeadline_ <= now) {
        nextDeadline_.reset();
        establish(wakePresence_);
    }
}

void ConnectionStability::sleep(double now) {
    if (!accepts(now)) return;
    lastTime_ = now;
    interruptPendingLoss();
    pendingSince_.reset();
    baseline_.reset();
    nextDeadline_.reset();
    state_ = State::sleeping;
}

void ConnectionStability::wake(double now) {
    if (!accepts(now)) return;
    lastTime_ = now;
    interruptPendingLoss();
    pendingSince_.reset();
    baseline_.reset();
    wakePresence_ = TargetPresence::unknown();
    nextDeadline_ = now + settlingSeconds;
    state_ = State::settling;
}

void ConnectionStability::encode(platform::json::ObjectEncoder& e) const {
    e.field("state", state_)
        .field("startedAt", startedAt_)
        .field("lastLossAt", lastLossAt_)
        .field("lossCount", lossCount_)
        .field("recoveryCount", recoveryCount_)
        .field("identityChangeCount", identityChangeCount_)
        .field("confirmedGapSeconds", confirmedGapSeconds_)
        .field("changes", changes_);
}

ConnectionStability ConnectionStability::decode(const platform::json::ObjectDecoder& d) {
    ConnectionStability s;
    s.state_ = d.required<State>("state");
    s.startedAt_ = d.optional<platform::Date>("startedAt");
    s.lastLossAt_ = d.optional<platform::Date>("lastLossAt");
    s.lossCount_ = d.required<std::int64_t>("lossCount");
    s.recoveryCount_ = d.required<std::int64_t>("recoveryCount");
    s.identityChangeCount_ = d.required<std::int64_t>("identityChangeCount");
    s.confirmedGapSeconds_ = d.required<double>("confirmedGapSeconds");
    s.changes_ = d.required<std::vector<Change>>("changes");
    return s;
}

}  // namespace wendmark
