#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "Platform/Foundation/FileLocations.h"

namespace quentrel {

// Whether the volume that holds a path is the computer's internal storage; absent when that
// cannot be told.
using VolumeQuery = std::function<std::optional<bool>(const std::filesystem::path&)>;

// The answer of this system. The path's volume (that of its nearest existing ancestor while the
// path does not exist yet) is external when the block device behind its file system hangs below a
// USB device or a port marked removable (Thunderbolt and USB4), also through the devices under a
// device-mapper or RAID volume; otherwise it is internal. A file system without a block device of
// its own (tmpfs, btrfs subvolumes, network file systems) counts as internal. Absent when not
// even the root of the path can be examined.
std::optional<bool> systemVolumeIsInternal(const std::filesystem::path& path);

// The sysfs part of that answer for block device `major`:`minor`, under `sysfsRoot` ("/sys").
bool blockDeviceIsInternal(const std::filesystem::path& sysfsRoot, unsigned major, unsigned minor);

// The platform queries the two JSON stores make to find and check their folder.
struct StorageEnvironment {
    // The folder of both JSON files inside the Application Support directory.
    static constexpr std::string_view folderName = "QuentrelProduct";

    // The user's Application Support directories, best first; empty when there is none.
    std::function<std::vector<std::filesystem::path>()> applicationSupportDirectories;
    VolumeQuery volumeIsInternal;

    // Application Support from the XDG rules ($XDG_DATA_HOME, else ~/.local/share).
    static StorageEnvironment with(platform::FileLocations locations, VolumeQuery volumeIsInternal = systemVolumeIsInternal);
    // The process environment and this system's volume answer.
    static StorageEnvironment system();
};

// `path` made absolute with "." and ".." removed and without a trailing separator; symbolic links
// are not touched.
std::filesystem::path standardizedPath(const std::filesystem::path& path);

// `path` with every symbolic link in its existing part resolved, then standardized; absent when a
// component cannot be examined.
std::optional<std::filesystem::path> resolvingSymlinks(const std::filesystem::path& path);

}  // namespace quentrel
