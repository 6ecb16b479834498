#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MountInfo.h"
#include "Platform/Disks/Disk.h"
#include "Platform/Log/Logger.h"
#include "SysfsRegistry.h"
#include "SysfsTree.h"
#include "UdevSource.h"

namespace platform {

// What the disks of one Linux session read from.
struct UdevDiskContext {
    SysfsTree tree;
    std::string mountInfoPath;
    BlockDeviceLookup blockDeviceNumber;
    std::shared_ptr<UdevSource> udev;
    std::shared_ptr<SysfsRegistry> registry;
    Logger log;
};

// The entries of the mount table, with the device numbers of btrfs mounts resolved; absent when
// it cannot be read.
std::optional<std::vector<MountEntry>> readMountEntries(const UdevDiskContext& context);

// A block device seen through sysfs, udev and the mount table. The disk is bound to the device
// present when it was made, through its media entry: once that device is gone (or another one
// took its name), its description and media entry can no longer be read.
class UdevDisk final : public Disk {
public:
    // Null when there is no block device of that name.
    static std::shared_ptr<UdevDisk> make(std::shared_ptr<const UdevDiskContext> context, const std::string& name);
    // A disk that has already gone: it keeps only its name.
    static std::shared_ptr<UdevDisk> gone(std::shared_ptr<const UdevDiskContext> context, const std::string& name);

    std::optional<std::string> bsdName() const override { return name_; }
    std::optional<DiskDescription> copyDescription() const override;
    std::optional<RegistryObject> copyIOMedia() const override;
    // The id of its media entry when it was made (0 for a disk that has gone).
    std::uint64_t mediaID() const { return mediaID_; }

    UdevDisk(std::shared_ptr<const UdevDiskContext> context, std::string name, std::string path,
             std::uint64_t mediaID);  // use make()

private:
    bool stillPresent() const;

    std::shared_ptr<const UdevDiskContext> context_;
    std::string name_;
    std::string path_;  // empty for a disk that has gone
    std::uint64_t mediaID_;  // its media entry: retired when the device goes
};

}  // namespace platform
