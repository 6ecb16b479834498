#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Reads a sysfs tree below a root (the real /sys, or a fixture a test built). Paths handed in and
// out are absolute and canonical; reads are bounded. Within a read batch (SysfsReadBatch) on the
// calling thread, each attribute, link, status and listing is read once.
class SysfsTree {
public:
    explicit SysfsTree(std::string root);

    const std::string& root() const { return root_; }

    struct FileRead {
        std::optional<std::string> text;
        int error = 0;  // errno when text is absent
    };
    // At most `cap` bytes; a longer file is refused (EFBIG). Always read afresh.
    static FileRead readFile(const std::string& path, std::size_t cap = 4096);

    // The attribute file `name` in `dir`, trimmed of surrounding white space.
    std::optional<std::string> attribute(const std::string& dir, std::string_view name) const;
    std::optional<std::uint64_t> unsignedAttribute(const std::string& dir, std::string_view name) const;
    std::map<std::string, std::string, std::less<>> uevent(const std::string& dir) const;
    // The name of the bus or class a device directory belongs to ("usb", "pci", ...).
    std::optional<std::string> subsystem(const std::string& dir) const;

    bool exists(const std::string& path) const;
    bool isDirectory(const std::string& path) const;
    std::optional<std::string> canonical(const std::string& path) const;
    // Entry names of a directory, sorted; empty when it cannot be read.
    std::vector<std::string> list(const std::string& dir) const;
    // Whether the block class can be listed at all.
    bool readable() const;

    // The device directory of block device `name`, from the block class.
    std::optional<std::string> blockPath(std::string_view name) const;
    // The block device with number major:minor.
    std::optional<std::string> blockNameOf(unsigned major, unsigned minor) const;
    // The nearest ancestor directory that is a device (has a uevent file), below devices/.
    std::optional<std::string> parentDevice(const std::string& dir) const;
    // Under devices/virtual: loop, ram, zram, device mapper, software RAID.
    bool isVirtual(const std::string& path) const;
    // For an unlocked encrypted volume (a device-mapper disk of the crypt target over exactly one
    // device), the block directory of that device; absent for every other disk.
    std::optional<std::string> cryptBacking(const std::string& diskPath) const;
    // For a partition directory, its disk's directory; for a disk, itself.
    std::string wholeDiskPath(const std::string& blockPath) const;
    bool isPartition(const std::string& blockPath) const;

    // A kernel device name: no path separators, not "." or "..", and UTF-8. A disk's name is its
    // identity and is reported as it is, so a name in other bytes (root may name a software array
    // anything) cannot be mended: such a disk is not one of ours.
    static bool isKernelName(std::string_view name);
    static std::string baseName(const std::string& path);
    static std::string parentPath(const std::string& path);

private:
    bool inside(const std::string& path) const;
    static FileRead readText(const std::string& path);
    // As realpath(3) resolves an absolute path: one readlink per component.
    static std::optional<std::string> resolve(const std::string& path);

    std::string root_;
    std::string devices_;
};

}  // namespace platform
