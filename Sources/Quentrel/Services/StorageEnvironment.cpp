#include "StorageEnvironment.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "Platform/Foundation/BoundedRead.h"

namespace quentrel {

namespace fs = std::filesystem;

namespace {

bool isWithin(const fs::path& path, const fs::path& root) {
    auto [rootEnd, pathEnd] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end();
}

// sysfs reports every attribute file as one page long.
constexpr std::size_t maximumAttributeSize = 4096;

// The first line of a small file; empty when it cannot be read.
std::string firstLine(const fs::path& file) {
    platform::BoundedRead contents = platform::readBounded(file, maximumAttributeSize, platform::FinalLink::follow);
    std::string line(contents.bytes.begin(), contents.bytes.end());
    line.erase(std::min(line.find('\n'), line.size()));
    return line;
}

// A device below a USB device or a removable port, or one built on such a device.
bool isExternalDevice(const fs::path& devicesRoot, const fs::path& device, int depth) {
    std::error_code error;
    for (fs::path dir = device; isWithin(dir, devicesRoot) && dir != devicesRoot; dir = dir.parent_path()) {
        fs::path subsystem = fs::canonical(dir / "subsystem", error);
        if (!error && subsystem.filename() == "usb") return true;
        if (firstLine(dir / "removable") == "removable") return true;
    }
    // Device-mapper, RAID and loop-free stacks list the devices they are made of.
    if (depth < 8) {
        for (fs::directory_iterator it(device / "slaves", error), end; !error && it != end; it.increment(error)) {
            fs::path lower = fs::canonical(it->path(), error);
            if (!error && isExternalDevice(devicesRoot, lower, depth + 1)) return true;
            error.clear();
        }
    }
    return false;
}

}  // namespace

bool blockDeviceIsInternal(const fs::path& sysfsRoot, unsigned major, unsigned minor) {
    std::error_code error;
    fs::path device = fs::canonical(sysfsRoot / "dev" / "block" / (std::to_string(major) + ":" + std::to_string(minor)), error);
    if (error) return true;  // no block device of its own
    fs::path devicesRoot = fs::canonical(sysfsRoot / "devices", error);
    if (error) return true;
    return !isExternalDevice(devicesRoot, device, 0);
}

std::optional<bool> systemVolumeIsInternal(const fs::path& path) {
    fs::path existing = standardizedPath(path);
    struct stat st {};
    while (::stat(existing.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) return std::nullopt;
        fs::path parent = existing.parent_path();
        if (parent == existing || parent.empty()) return std::nullopt;
        existing = std::move(parent);
    }
    return blockDeviceIsInternal("/sys", ::major(st.st_dev), ::minor(st.st_dev));
}

StorageEnvironment StorageEnvironment::with(platform::FileLocations locations, VolumeQuery volumeIsInternal) {
    return StorageEnvironment{
        [locations = std::move(locations)] {
            std::vector<fs::path> directories;
            if (std::optional<fs::path> directory = locations.applicationSupportDirectory()) {
                directories.push_back(*directory);
            }
            return directories;
        },
        std::move(volumeIsInternal)};
}

StorageEnvironment StorageEnvironment::system() { return with(platform::FileLocations()); }

fs::path standardizedPath(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) absolute = path;
    fs::path normal = absolute.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
    return normal;
}

std::optional<fs::path> resolvingSymlinks(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(standardizedPath(path), error);
    if (error) return std::nullopt;
    return standardizedPath(resolved);
}

}  // namespace quentrel
