#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ActivitySample.h"
#include "IOCounters.h"
#include "LinkBandwidth.h"
#include "StatisticsAccess.h"
#include "VolumeSnapshot.h"

namespace wendmark {

// One physical external device at one capture. Only statisticsAccess and linkBandwidth change
// after construction.
struct DeviceSnapshot {
    std::string id;  // "driver:<registry id>" or "media:<registry id>:<BSD name>"
    std::string model;
    std::optional<std::string> protocolName;
    std::optional<std::uint64_t> capacity;
    std::optional<bool> isSolidState;
    std::vector<VolumeSnapshot> volumes;  // ascending BSD name
    std::optional<IOCounters> counters;
    ActivitySample activity;
    bool topologyVerified = false;
    std::string statisticsSource;
    platform::Date observedAt;
    std::optional<StatisticsAccess> statisticsAccess;
    std::optional<LinkBandwidth> linkBandwidth;

    // The name of the first mounted volume (also when empty), else the model.
    const std::string& displayName() const;
    std::int64_t mountedCount() const;

    friend bool operator==(const DeviceSnapshot&, const DeviceSnapshot&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static DeviceSnapshot decode(const platform::json::ObjectDecoder& d);
};

}  // namespace wendmark
