#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// Which one block-storage driver, and which whole medium directly below it, a disk lives on.
// Decided from registry entries that the caller hands over one at a time; anything but exactly
// one driver reached on every path leaves the disk without a driver.
struct StorageTopology {
    enum class Status { verified, unresolved, ambiguous, incomplete, unsupported };

    // One registry entry as the resolver sees it.
    struct Node {
        std::uint64_t id = 0;
        std::vector<std::uint64_t> parents;  // in the order the caller found them
        bool isStorageDriver = false;
        bool isWholeMedia = false;
        bool isComposite = false;   // software RAID, logical volume group
        bool parentsComplete = false;  // false when some parent could not be read

        friend bool operator==(const Node&, const Node&) = default;
    };

    // Called synchronously during resolve() and not kept; absent for an unknown id.
    using Lookup = std::function<std::optional<Node>(std::uint64_t id)>;

    Status status = Status::unresolved;
    std::optional<std::uint64_t> driverID;         // only when verified
    std::optional<std::uint64_t> physicalMediaID;  // only when verified

    friend bool operator==(const StorageTopology&, const StorageTopology&) = default;

    // Follows the parents upwards from the medium `start`.
    static StorageTopology resolve(std::uint64_t start, const Lookup& lookup);
};

}  // namespace wendmark

template <>
struct platform::json::EnumStrings<wendmark::StorageTopology::Status> {
    using E = wendmark::StorageTopology::Status;
    static constexpr std::pair<E, std::string_view> cases[] = {{E::verified, "verified"},
                                                               {E::unresolved, "unresolved"},
                                                               {E::ambiguous, "ambiguous"},
                                                               {E::incomplete, "incomplete"},
                                                               {E::unsupported, "unsupported"}};
};
