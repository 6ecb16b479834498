#include "DeviceSnapshot.h"

#include <algorithm>

namespace wendmark {

const std::string& DeviceSnapshot::displayName() const {
    for (const auto& volume : volumes)
        if (volume.isMounted) return volume.name;
    return model;
}

std::int64_t DeviceSnapshot::mountedCount() const {
    return std::count_if(volumes.begin(), volumes.end(), [](const VolumeSnapshot& v) { return v.isMounted; });
}

void DeviceSnapshot::encode(platform::json::ObjectEncoder& e) const {
    e.field("id", id)
        .field("model", model)
        .field("protocolName", protocolName)
        .field("capacity", capacity)
        .field("isSolidState", isSolidState)
        .field("volumes", volumes)
        .field("counters", counters)
        .field("activity", activity)
        .field("topologyVerified", topologyVerified)
        .field("statisticsSource", statisticsSource)
        .field("observedAt", observedAt)
        .field("statisticsAccess", statisticsAccess)
        .field("linkBandwidth", linkBandwidth);
}

DeviceSnapshot DeviceSnapshot::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<std::string>("id"),
            d.required<std::string>("model"),
            d.optional<std::string>("protocolName"),
            d.optional<std::uint64_t>("capacity"),
            d.optional<bool>("isSolidState"),
            d.required<std::vector<VolumeSnapshot>>("volumes"),
            d.optional<IOCounters>("counters"),
            d.required<ActivitySample>("activity"),
            d.required<bool>("topologyVerified"),
            d.required<std::string>("statisticsSource"),
            d.required<platform::Date>("observedAt"),
            d.optional<StatisticsAccess>("statisticsAccess"),
            d.optional<LinkBandwidth>("linkBandwidth")};
}

}  // namespace wendmark
