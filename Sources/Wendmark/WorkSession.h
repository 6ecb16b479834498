#pragma once

#include <cstdint>
#include <optional>

#include "Platform/Foundation/JSONCoding.h"
#include "SessionEndReason.h"

namespace wendmark {

// One continuous stretch of observed activity on the selected device. Dates are wall-clock;
// elapsedSeconds is measured on the monotonic clock.
struct WorkSession {
    platform::UUID id;
    platform::Date startedAt;  // start of the first interval
    platform::Date updatedAt;  // date of the last change
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;
    double observedSeconds = 0;  // sum of the lengths of the intervals counted
    double elapsedSeconds = 0;   // never below observedSeconds, never decreasing
    std::optional<SessionEndReason> endReason;  // absent while open

    // elapsed - observed, or 0 when that is negative or not a number.
    double gapSeconds() const;
    // observed / elapsed, at most 1, or 0 when elapsed is not greater than 0.
    double coverage() const;

    friend bool operator==(const WorkSession&, const WorkSession&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static WorkSession decode(const platform::json::ObjectDecoder& d);
};

}  // namespace wendmark
