#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// One observed stretch of one device as the activity graph and the UI process see it.
struct ActivityInterval {
    std::uint64_t id = 0;  // the sequence number of the observed interval it came from
    platform::Date start;
    platform::Date end;
    double readBytesPerSecond = 0;
    double writeBytesPerSecond = 0;

    // The first interval, in list order, with start <= date <= end.
    static std::optional<ActivityInterval> containing(platform::Date date, std::span<const ActivityInterval> intervals);
    // The length in seconds of the union of the intervals.
    static double coveredSeconds(std::span<const ActivityInterval> intervals);

    friend bool operator==(const ActivityInterval&, const ActivityInterval&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static ActivityInterval decode(const platform::json::ObjectDecoder& d);
};

}  // namespace wendmark
