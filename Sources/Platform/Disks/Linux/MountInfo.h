#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// One line of /proc/self/mountinfo, with the kernel's octal escapes (\040 and so on) undone.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string root;        // the mounted directory inside the file system
    std::string mountPoint;
    std::string fileSystemType;
    std::string source;

    bool operator==(const MountEntry&) const = default;
};

// Lines that do not have the mountinfo shape are skipped.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// Undoes a backslash followed by exactly three octal digits; other bytes pass unchanged.
std::string unescapeMountField(std::string_view field);

// The device number (major, minor) of the block device node at `path`; absent when it is none.
using BlockDeviceLookup = std::function<std::optional<std::pair<unsigned, unsigned>>(const std::string& path)>;

// btrfs reports its mounts with an anonymous device number (major 0) that no block device has.
// Such an entry takes the number of its source when that is a block device node under /dev. Other
// entries of major 0 (proc, tmpfs, network and FUSE file systems) stay as they are, and no other
// path is looked at: a stat of a path on a hung network mount would block.
void resolveAnonymousDevices(std::vector<MountEntry>& entries, const BlockDeviceLookup& lookup);

// Where the device major:minor is mounted: the first entry that mounts the file system's own root,
// else the first entry for the device at all (a bind mount).
std::optional<std::string> mountPointOf(const std::vector<MountEntry>& entries, unsigned major, unsigned minor);

}  // namespace platform
