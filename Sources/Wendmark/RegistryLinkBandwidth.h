#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "Platform/Disks/Registry.h"
#include "Wendmark/LinkBandwidth.h"

namespace wendmark {

// Reads the link speed of one storage device by walking the registry upwards from its
// block-storage driver and collecting the USB and Thunderbolt links on the way. Keeps no state;
// every handle it takes is released before it returns.
class RegistryLinkBandwidth {
public:
    RegistryLinkBandwidth() = delete;

    // The slowest link between the host and the device whose driver has the registry id
    // `driverID`; absent when the path cannot be read completely and consistently.
    static std::optional<LinkBandwidth> read(platform::Registry& registry, std::uint64_t driverID);

private:
    // A property that is a number (never a Boolean), finite, integral and in [0, 2^63).
    static std::optional<std::int64_t> integer(platform::Registry& registry, const platform::RegistryObject& entry,
                                               std::string_view key);
    // The one parent in the service plane; absent with several, none, or a changed registry.
    static std::optional<platform::RegistryObject> uniqueParent(platform::Registry& registry,
                                                                const platform::RegistryObject& entry);
    // The slowest counted port link between a Thunderbolt service and its controller.
    static std::optional<LinkBandwidth> thunderboltPath(platform::Registry& registry,
                                                        const platform::RegistryObject& service);
};

}  // namespace wendmark
