#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "ActivityHistory.h"
#include "Platform/Foundation/UUID.h"
#include "WorkSession.h"

namespace wendmark {

// Builds the open work session of the selected device from the intervals the activity history
// accepts. `now` is always a reading of the store's monotonic clock in seconds; a `now` that is
// not finite, or smaller than the last one accepted, moves no time forward.
class SessionAccumulator {
public:
    explicit SessionAccumulator(platform::UUIDGenerator makeID = &platform::UUID::random);

    const std::optional<WorkSession>& current() const { return current_; }
    const std::optional<std::string>& deviceID() const { return deviceID_; }

    // The selected device is now `id` (absent: none). Returns the session this ended, if any.
    std::optional<WorkSession> select(const std::optional<std::string>& id, platform::Date date, double now);
    // Ends the open session, if any, with `reason`. Intervals that began before `date` are not
    // counted afterwards, also when no session was open.
    std::optional<WorkSession> finish(SessionEndReason reason, platform::Date date, double now);
    // Brings the open session's elapsed time and updatedAt up to now.
    void advance(platform::Date date, double now);
    // Counts one interval. Returns a session only when this interval ended it (counterOverflow).
    std::optional<WorkSession> ingest(const ObservedInterval& interval, double now);

private:
    static constexpr double startTolerance = 0.01;

    // True for a finite `now` no smaller than the last accepted one, which it then becomes.
    bool accept(double now);

    std::optional<WorkSession> current_;
    std::optional<std::string> deviceID_;
    platform::Date selectedAt_ = platform::Date::distantFuture();
    double monotonicStart_ = 0;
    std::uint64_t lastSequence_ = 0;
    double lastNow_ = -std::numeric_limits<double>::infinity();
    platform::UUIDGenerator makeID_;
};

}  // namespace wendmark
