#pragma once

#include <memory>
#include <optional>
#include <string>

#include "DiskDescription.h"
#include "RegistryObject.h"

namespace platform {

// One disk or partition as the disk session sees it.
class Disk {
public:
    virtual ~Disk() = default;

    // The kernel name (e.g. sdb1); absent for a disk that has none.
    virtual std::optional<std::string> bsdName() const = 0;
    // Read afresh at each call; absent when the disk is gone or cannot be read.
    virtual std::optional<DiskDescription> copyDescription() const = 0;
    // The disk's media entry in the arbitration's registry; absent when it cannot be found.
    virtual std::optional<RegistryObject> copyIOMedia() const = 0;
};

using DiskPtr = std::shared_ptr<const Disk>;

}  // namespace platform
