#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DeviceSnapshot.h"

namespace wendmark {

// The result of one inventory rebuild (or of a failed start, or the store's placeholder).
// Deliberately not equatable.
struct InventorySnapshot {
    std::vector<DeviceSnapshot> devices;  // ascending display name
    platform::Date capturedAt;
    std::string status;
    bool sessionAvailable = false;
    std::int64_t externalMediaCount = 0;
    std::optional<std::uint64_t> statisticsQueryCount;  // absent when no rebuild made the snapshot
    std::optional<std::uint64_t> revision;              // counts up from 1; absent likewise

    void encode(platform::json::ObjectEncoder& e) const {
        e.field("devices", devices)
            .field("capturedAt", capturedAt)
            .field("status", status)
            .field("sessionAvailable", sessionAvailable)
            .field("externalMediaCount", externalMediaCount)
            .field("statisticsQueryCount", statisticsQueryCount)
            .field("revision", revision);
    }
    static InventorySnapshot decode(const platform::json::ObjectDecoder& d) {
        return {d.required<std::vector<DeviceSnapshot>>("devices"), d.required<platform::Date>("capturedAt"),
                d.required<std::string>("status"),                  d.required<bool>("sessionAvailable"),
                d.required<std::int64_t>("externalMediaCount"),     d.optional<std::uint64_t>("statisticsQueryCount"),
                d.optional<std::uint64_t>("revision")};
    }
};

}  // namespace wendmark
