#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// Where the device major:minor is mounted: the first entry that mounts the file system's own root,
// else the first entry for the device at all (a bind mount).
std::optional<std::string> mountPointOf(const std::vector<MountEntry>& entries, unsigned major, unsigned minor);

}  // namespace platform
