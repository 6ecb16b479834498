#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/Foundation/JSONCoding.h"
#include "TargetPresence.h"

namespace wendmark {

// The remembered drive's connection record for this run. Unlike ConnectionMonitor it counts every
// loss at once, without a confirmation delay, and keeps its counts until it is replaced.
// Monotonic times that are non-finite or go backwards, and non-finite capture dates, are ignored.
class ConnectionStability {
public:
    enum class State { waiting, connected, disconnected, unavailable, sleeping, settling };

    // One connection change; the newest is first in `changes`.
    class Change {
        platform::UUID id_;
        platform::Date date_;  // capture date of the snapshot that showed the change

    public:
        enum class Outcome { pending, recovered, interrupted, identityChanged };

        Change(platform::UUID id, platform::Date date, Outcome how, std::optional<platform::Date> recovered = std::nullopt,
               std::optional<double> gap = std::nullopt)
            : id_(id), date_(date), outcome(how), recoveredAt(recovered), gapSeconds(gap) {}

        const platform::UUID& id() const { return id_; }
        platform::Date date() const { return date_; }

        Outcome outcome;
        std::optional<platform::Date> recoveredAt;  // capture date of the snapshot with the return
        std::optional<double> gapSeconds;           // monotonic seconds from loss to return

        friend bool operator==(const Change&, const Change&) = default;

        void encode(platform::json::ObjectEncoder& e) const;
        static Change decode(const platform::json::ObjectDecoder& d);
    };

    static constexpr std::size_t maximumChanges = 30;
    static constexpr double settlingSeconds = 3.0;

    ConnectionStability() = default;

    // One snapshot's presence with its wall-clock capture date and the monotonic `now`.
    void receive(const TargetPresence& presence, platform::Date date, double now);
    // Ends the settling period when it is due.
    void advance(double now);
    void sleep(double now);
    // Settles until now + settlingSeconds, only watching presences.
    void wake(double now);

    State state() const { return state_; }
    std::optional<platform::Date> startedAt() const { return startedAt_; }
    std::optional<platform::Date> lastLossAt() const { return lastLossAt_; }
    std::int64_t lossCount() const { return lossCount_; }
    std::int64_t recoveryCount() const { return recoveryCount_; }
    std::int64_t identityChangeCount() const { return identityChangeCount_; }
    double confirmedGapSeconds() const { return confirmedGapSeconds_; }
    const std::vector<Change>& changes() const { return changes_; }
    // When the store must call advance(now:): the end of the settling period.
    std::optional<double> nextDeadline() const { return nextDeadline_; }
    const std::optional<TargetPresence>& baseline() const { return baseline_; }
    std::optional<double> pendingSince() const { return pendingSince_; }
    double lastTime() const { return lastTime_; }
    const TargetPresence& wakePresence() const { return wakePresence_; }

    friend bool operator==(const ConnectionStability&, const ConnectionStability&) = default;

    // Only the first eight fields are coded; a decoded record has the others at their initial values.
    void encode(platform::json::ObjectEncoder& e) const;
    static ConnectionStability decode(const platform::json::ObjectDecoder& d);

private:
    bool accepts(double now) const;
    void establish(const TargetPresence& presence);
    void interruptPendingLoss();
    void record(Change change);

    State state_ = State::waiting;
    std::optional<platform::Date> startedAt_;
    std::optional<platform::Date> lastLossAt_;
    std::int64_t lossCount_ = 0;
    std::int64_t recoveryCount_ = 0;
    std::int64_t identityChangeCount_ = 0;
    double confirmedGapSeconds_ = 0.0;
    std::vector<Change> changes_;  // while pendingSince_ is set, the first is that loss
    std::optional<double> nextDeadline_;
    std::optional<TargetPresence> baseline_;  // never unknown
    std::optional<double> pendingSince_;
    double lastTime_ = -std::numeric_limits<double>::infinity();
    TargetPresence wakePresence_ = TargetPresence::unknown();
};

}  // namespace wendmark

template <>
struct platform::json::EnumStrings<wendmark::ConnectionStability::State> {
    using E = wendmark::ConnectionStability::State;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::waiting, "waiting"},         {E::connected, "connected"}, {E::disconnected, "disconnected"},
        {E::unavailable, "unavailable"}, {E::sleeping, "sleeping"},   {E::settling, "settling"},
    };
};

template <>
struct platform::json::EnumStrings<wendmark::ConnectionStability::Change::Outcome> {
    using E = wendmark::ConnectionStability::Change::Outcome;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::pending, "pending"},
        {E::recovered, "recovered"},
        {E::interrupted, "interrupted"},
        {E::identityChanged, "identityChanged"},
    };
};
