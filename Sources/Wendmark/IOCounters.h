#pragma once

#include <cstdint>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// The cumulative byte counters of one block-storage driver.
struct IOCounters {
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;

    friend bool operator==(const IOCounters&, const IOCounters&) = default;

    void encode(platform::json::ObjectEncoder& e) const {
        e.field("bytesRead", bytesRead).field("bytesWritten", bytesWritten);
    }
    static IOCounters decode(const platform::json::ObjectDecoder& d) {
        return {d.required<std::uint64_t>("bytesRead"), d.required<std::uint64_t>("bytesWritten")};
    }
};

}  // namespace wendmark
