#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "DeviceSnapshot.h"
#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// The one drive the user asked to remember. A snapshot's device identifier lasts only one
// connection, so the drive is known by what survives reconnection: model, capacity and the
// UUIDs of its volumes.
class ObservationTarget {
public:
    // The target of `device`, or nothing when none of its volumes (mounted or not) has a UUID.
    static std::optional<ObservationTarget> fromDevice(const DeviceSnapshot& device, platform::Date date);

    // Identifiers of the devices that are this target, in input order: same model text, same
    // capacity (both absent or both equal) and at least one shared volume UUID.
    std::vector<std::string> matchingIDs(const std::vector<DeviceSnapshot>& devices) const;

    const std::string& model() const { return model_; }
    const std::optional<std::uint64_t>& capacity() const { return capacity_; }
    const std::set<std::string>& volumeUUIDs() const { return volumeUUIDs_; }
    const std::string& displayName() const { return displayName_; }
    platform::Date registeredAt() const { return registeredAt_; }

    friend bool operator==(const ObservationTarget&, const ObservationTarget&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static ObservationTarget decode(const platform::json::ObjectDecoder& d);

private:
    ObservationTarget(std::string model, std::optional<std::uint64_t> capacity, std::set<std::string> volumeUUIDs,
                      std::string displayName, platform::Date registeredAt);

    std::string model_;
    std::optional<std::uint64_t> capacity_;
    std::set<std::string> volumeUUIDs_;
    std::string displayName_;
    platform::Date registeredAt_;
};

}  // namespace wendmark
