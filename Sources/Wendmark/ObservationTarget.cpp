#include "ObservationTarget.h"

#include <algorithm>
#include <utility>

namespace wendmark {

ObservationTarget::ObservationTarget(std::string model, std::optional<std::uint64_t> capacity,
                                     std::set<std::string> volumeUUIDs, std::string displayName,
                                     platform::Date registeredAt)
    : model_(std::move(model)),
      capacity_(capacity),
      volumeUUIDs_(std::move(volumeUUIDs)),
      displayName_(std::move(displayName)),
      registeredAt_(registeredAt) {}

std::optional<ObservationTarget> ObservationTarget::fromDevice(const DeviceSnapshot& device, platform::Date date) {
    std::set<std::string> uuids;
    for (const auto& volume : device.volumes)
        if (volume.volumeUUID) uuids.insert(*volume.volumeUUID);
    if (uuids.empty()) return std::nullopt;
    return ObservationTarget(device.model, device.capacity, std::move(uuids), device.displayName(), date);
}

std::vector<std::string> ObservationTarget::matchingIDs(const std::vector<DeviceSnapshot>& devices) const {
    std::vector<std::string> ids;
    for (const auto& device : devices) {
        if (device.model != model_ || device.capacity != capacity_) continue;
        bool shares = std::any_of(device.volumes.begin(), device.volumes.end(), [this](const VolumeSnapshot& v) {
            return v.volumeUUID && volumeUUIDs_.contains(*v.volumeUUID);
        });
        if (shares) ids.push_back(device.id);
    }
    return ids;
}

void ObservationTarget::encode(platform::json::ObjectEncoder& e) const {
    e.field("model", model_)
        .field("capacity", capacity_)
        .field("volumeUUIDs", std::vector<std::string>(volumeUUIDs_.begin(), volumeUUIDs_.end()))
        .field("displayName", displayName_)
        .field("registeredAt", registeredAt_);
}

ObservationTarget ObservationTarget::decode(const platform::json::ObjectDecoder& d) {
    auto model = d.required<std::string>("model");
    auto capacity = d.optional<std::uint64_t>("capacity");
    auto uuids = d.required<std::vector<std::string>>("volumeUUIDs");
    auto displayName = d.required<std::string>("displayName");
    auto registeredAt = d.required<platform::Date>("registeredAt");
    return ObservationTarget(std::move(model), capacity, std::set<std::string>(uuids.begin(), uuids.end()),
                             std::move(displayName), registeredAt);
}

}  // namespace wendmark
