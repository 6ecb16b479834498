#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// One file-system volume of a device, identified by the BSD name of the disk or partition holding it.
struct VolumeSnapshot {
    std::string bsdName;
    std::string name;
    std::optional<std::string> fileSystem;
    bool isMounted = false;  // exactly when mountPath is present
    std::optional<std::string> mountPath;
    std::optional<std::string> volumeUUID;
    std::optional<std::uint64_t> capacity;

    const std::string& id() const { return bsdName; }

    friend bool operator==(const VolumeSnapshot&, const VolumeSnapshot&) = default;

    void encode(platform::json::ObjectEncoder& e) const {
        e.field("bsdName", bsdName)
            .field("name", name)
            .field("fileSystem", fileSystem)
            .field("isMounted", isMounted)
            .field("mountPath", mountPath)
            .field("volumeUUID", volumeUUID)
            .field("capacity", capacity);
    }
    static VolumeSnapshot decode(const platform::json::ObjectDecoder& d) {
        return {d.required<std::string>("bsdName"),         d.required<std::string>("name"),
                d.optional<std::string>("fileSystem"),      d.required<bool>("isMounted"),
                d.optional<std::string>("mountPath"),       d.optional<std::string>("volumeUUID"),
                d.optional<std::uint64_t>("capacity")};
    }
};

}  // namespace wendmark
