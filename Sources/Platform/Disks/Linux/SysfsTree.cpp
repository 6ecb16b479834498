#include "SysfsTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <system_error>

#include "Platform/Foundation/UTF8.h"
#include "SysfsReadBatch.h"
#include "SysfsText.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view cryptMappingPrefix = "CRYPT-";
// As many links as the kernel follows in one path walk.
constexpr int maximumLinks = 40;

SysfsReadBatch::Link readLink(const std::string& path) {
    return SysfsReadBatch::remembered(&SysfsReadBatch::links, path, [&]() -> SysfsReadBatch::Link {
        char buffer[PATH_MAX];
        ssize_t count = ::readlink(path.c_str(), buffer, sizeof buffer);
        if (count < 0) return {std::nullopt, errno};
        if (static_cast<std::size_t>(count) == sizeof buffer) return {std::nullopt, ENAMETOOLONG};
        return {std::string(buffer, static_cast<std::size_t>(count)), 0};
    });
}

bool directoryAt(const std::string& path) {
    return SysfsReadBatch::remembered(&SysfsReadBatch::directories, path, [&] {
        struct stat info;
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    });
}

// Pushes the components of `path` so that the first one is taken next. A trailing slash becomes a
// "." at the end: what it follows must be a directory.
void pushComponents(std::vector<std::string>& pending, std::string_view path) {
    const std::size_t mark = pending.size();
    for (auto part : sysfs::pieces(path, '/')) pending.emplace_back(part);
    if (path.ends_with('/')) pending.emplace_back(".");
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(mark), pending.end());
}

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

SysfsTree::FileRead SysfsTree::readText(const std::string& path) {
    return SysfsReadBatch::remembered(&SysfsReadBatch::texts, path, [&] { return readFile(path); });
}

std::optional<std::string> SysfsTree::attribute(const std::string& dir, std::string_view name) const {
    auto read = readText(dir + "/" + std::string(name));
    if (!read.text) return std::nullopt;
    return std::string(sysfs::trimmed(*read.text));
}

std::optional<std::uint64_t> SysfsTree::unsignedAttribute(const std::string& dir, std::string_view name) const {
    auto text = attribute(dir, name);
    return text ? sysfs::parseUnsigned(*text) : std::nullopt;
}

std::map<std::string, std::string, std::less<>> SysfsTree::uevent(const std::string& dir) const {
    auto read = readText(dir + "/uevent");
    if (!read.text) return {};
    return sysfs::parseUevent(*read.text);
}

std::optional<std::string> SysfsTree::subsystem(const std::string& dir) const {
    auto link = readLink(dir + "/subsystem");
    if (!link.target) return std::nullopt;
    return baseName(*link.target);
}

bool SysfsTree::exists(const std::string& path) const {
    return SysfsReadBatch::remembered(&SysfsReadBatch::present, path, [&] {
        struct stat info;
        return ::lstat(path.c_str(), &info) == 0;
    });
}

bool SysfsTree::isDirectory(const std::string& path) const { return directoryAt(path); }

std::optional<std::string> SysfsTree::canonical(const std::string& path) const {
    return SysfsReadBatch::remembered(&SysfsReadBatch::canonicals, path, [&] { return resolve(path); });
}

std::optional<std::string> SysfsTree::resolve(const std::string& path) {
    if (!path.starts_with('/')) {
        std::error_code error;
        auto result = fs::canonical(path, error);
        if (error) return std::nullopt;
        return result.string();
    }
    std::string resolved;  // no trailing slash: empty for the root
    bool knownDirectory = true;  // `resolved` is one: the root, a link's folder, or a parent
    auto isDirectoryHere = [&] { return knownDirectory || directoryAt(resolved); };
    std::vector<std::string> pending;
    pushComponents(pending, path);
    int links = 0;
    while (!pending.empty()) {
        std::string part = std::move(pending.back());
        pending.pop_back();
        if (part == "." || part == "..") {
            if (!isDirectoryHere()) return std::nullopt;
            if (part == ".." && !resolved.empty()) resolved.erase(resolved.rfind('/'));
            knownDirectory = true;
            continue;
        }
        std::string next = resolved + "/" + part;
        auto link = readLink(next);
        if (link.target) {
            if (++links > maximumLinks) return std::nullopt;
            if (link.target->starts_with('/')) resolved.clear();
            knownDirectory = true;
            pushComponents(pending, *link.target);
            continue;
        }
        if (link.error != EINVAL) return std::nullopt;  // missing, or below something not a directory
        resolved = std::move(next);
        knownDirectory = false;
    }
    return resolved.empty() ? "/" : resolved;
}

std::vector<std::string> SysfsTree::list(const std::string& dir) const {
    return SysfsReadBatch::remembered(&SysfsReadBatch::listings, dir, [&] {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
            names.push_back(it->path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    });
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
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos && isUTF8(name);
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
