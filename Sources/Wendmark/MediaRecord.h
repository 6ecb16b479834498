#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "LinkBandwidth.h"
#include "VolumeSnapshot.h"

namespace wendmark {

// One captured external disk or partition, kept by the inventory under its BSD name.
struct MediaRecord {
    std::string bsdName;
    std::uint64_t registryID = 0;                  // the disk's media entry
    std::optional<std::uint64_t> driverID;         // the one block-storage driver, when verified
    std::optional<std::uint64_t> physicalMediaID;  // the whole medium right below it, when verified
    bool isWhole = false;
    std::string model;
    std::optional<std::string> transport;
    std::optional<bool> solidState;
    std::optional<std::uint64_t> size;
    std::optional<VolumeSnapshot> volume;
    std::optional<LinkBandwidth> linkBandwidth;  // read only with a driver

    // The key of the physical device: "driver:<driver id>", or for a disk without a driver
    // "media:<registry id>:<BSD name>", so that such a disk is a device of its own.
    std::string groupID() const {
        if (driverID) return "driver:" + std::to_string(*driverID);
        return "media:" + std::to_string(registryID) + ":" + bsdName;
    }

    friend bool operator==(const MediaRecord&, const MediaRecord&) = default;
};

}  // namespace wendmark
