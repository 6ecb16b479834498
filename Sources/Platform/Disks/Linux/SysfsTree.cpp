#include "SysfsTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "SysfsText.h"

namespace platform {

namespace fs = std::filesystem;

namespace {
constexpr std::string_view cryptMappingPrefix = "CRYPT-";
}  // namespace

SysfsTree::SysfsTree(std::string root) {
    std::error_code error;
    auto canonicalRoot = fs::canonical(root, error);
    root_ = error ? root : canonicalRoot.string();
    while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
    devices_ = root_ + "/devices";
}

SysfsTree::FileRead SysfsTree::readFile(const std::string& path, std::size_t cap) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {std::nullopt, errno};
    std::string text;
    char buffer[4096];
    int error = 0;
    while (true) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        if (count == 0) break;
        if (text.size() + static_cast<std::size_t>(count) > cap) {
            error = EFBIG;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    if (error) return {std::nullopt, error};
    return {std::move(text), 0};
}

std::optional<std::string> SysfsTree::attribute(const std::string& dir, std::string_view name) const {
    auto read = readFile(dir + "/" + std::string(name));
    if (!read.text) return std::nullopt;
    return std::string(sysfs::trimmed(*read.text));
}

std::optional<std::uint64_t> SysfsTree::unsignedAttribute(const std::string& dir, std::string_view name) const {
    auto text = attribute(dir, name);
    return text ? sysfs::parseUnsigned(*text) : std::nullopt;
}

std::map<std::string, std::string, std::less<>> SysfsTree::uevent(const std::string& dir) const {
    auto read = readFile(dir + "/uevent");
    if (!read.text) return {};
    return sysfs::parseUevent(*read.text);
}

std::optional<std::string> SysfsTree::subsystem(const std::string& dir) const {
    std::error_code error;
    auto target = fs::read_symlink(dir + "/subsystem", error);
    if (error) return std::nullopt;
    return target.filename().string();
}

bool SysfsTree::exists(const std::string& path) const {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool SysfsTree::isDirectory(const std::string& path) const {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::string> SysfsTree::canonical(const std::string& path) const {
    std::error_code error;
    auto result = fs::canonical(path, error);
    if (error) return std::nullopt;
    return result.string();
}

std::vector<std::string> SysfsTree::list(const std::string& dir) const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool SysfsTree::readable() const {
    std::error_code error;
    fs::directory_iterator it(root_ + "/class/block", error);
    return !error;
}

std::optional<std::string> SysfsTree::blockPath(std::string_view name) const {
    if (!isKernelName(name)) return std::nullopt;
    auto path = canonical(root_ + "/class/block/" + std::string(name));
    if (!path || !inside(*path) || !isDirectory(*path)) return std::nullopt;
    return path;
}

std::optional<std::string> SysfsTree::blockNameOf(unsigned major, unsigned minor) const {
    auto path = canonical(root_ + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor));
    if (!path || !inside(*path)) return std::nullopt;
    return baseName(*path);
}

std::optional<std::string> SysfsTree::parentDevice(const std::string& dir) const {
    for (auto path = parentPath(dir); path.size() > devices_.size() && inside(path); path = parentPath(path))
        if (exists(path + "/uevent")) return path;
    return std::nullopt;
}

bool SysfsTree::isVirtual(const std::string& path) const { return path.starts_with(devices_ + "/virtual/"); }

std::optional<std::string> SysfsTree::cryptBacking(const std::string& diskPath) const {
    if (!isVirtual(diskPath)) return std::nullopt;
    // The crypt target names its mappings "CRYPT-<type>-<uuid>-<name>"; LVM's begin "LVM-".
    auto uuid = attribute(diskPath + "/dm", "uuid");
    if (!uuid || !uuid->starts_with(cryptMappingPrefix)) return std::nullopt;
    auto members = list(diskPath + "/slaves");
    if (members.size() != 1) return std::nullopt;
    return blockPath(members.front());
}

bool SysfsTree::isPartition(const std::string& blockPath) const { return exists(blockPath + "/partition"); }

std::string SysfsTree::wholeDiskPath(const std::string& blockPath) const {
    return isPartition(blockPath) ? parentPath(blockPath) : blockPath;
}

bool SysfsTree::isKernelName(std::string_view name) {
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string SysfsTree::baseName(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SysfsTree::parentPath(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

bool SysfsTree::inside(const std::string& path) const { return path.starts_with(devices_ + "/"); }

}  // namespace platform
