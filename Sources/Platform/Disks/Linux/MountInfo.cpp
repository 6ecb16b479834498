#include "MountInfo.h"

#include "SysfsText.h"

namespace platform {

namespace {

std::optional<MountEntry> parseLine(std::string_view line) {
    auto fields = sysfs::pieces(line, ' ');
    // mount id, parent id, major:minor, root, mount point, options, optional fields..., "-",
    // type, source, super options
    if (fields.size() < 9) return std::nullopt;
    if (!sysfs::parseUnsigned(fields[0]) || !sysfs::parseUnsigned(fields[1])) return std::nullopt;
    auto device = fields[2];
    auto colon = device.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    auto major = sysfs::parseUnsigned(device.substr(0, colon));
    auto minor = sysfs::parseUnsigned(device.substr(colon + 1));
    if (!major || !minor || *major > UINT32_MAX || *minor > UINT32_MAX) return std::nullopt;

    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (separator + 2 >= fields.size()) return std::nullopt;

    MountEntry entry;
    entry.major = static_cast<unsigned>(*major);
    entry.minor = static_cast<unsigned>(*minor);
    entry.root = unescapeMountField(fields[3]);
    entry.mountPoint = unescapeMountField(fields[4]);
    entry.fileSystemType = unescapeMountField(fields[separator + 1]);
    entry.source = unescapeMountField(fields[separator + 2]);
    return entry;
}

}  // namespace

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    while (!text.empty()) {
        auto end = text.find('\n');
        if (auto entry = parseLine(text.substr(0, end))) entries.push_back(std::move(*entry));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return entries;
}

std::string unescapeMountField(std::string_view field) {
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
            octal(field[i + 3])) {
            int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= 255) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

void resolveAnonymousDevices(std::vector<MountEntry>& entries, const BlockDeviceLookup& lookup) {
    if (!lookup) return;
    for (auto& entry : entries) {
        if (entry.major != 0 || !entry.source.starts_with("/dev/")) continue;
        if (auto device = lookup(entry.source)) {
            entry.major = device->first;
            entry.minor = device->second;
        }
    }
}

std::optional<std::string> mountPointOf(const std::vector<MountEntry>& entries, unsigned major, unsigned minor) {
    const MountEntry* first = nullptr;
    for (const auto& entry : entries) {
        if (entry.major != major || entry.minor != minor) continue;
        if (entry.root == "/") return entry.mountPoint;
        if (!first) first = &entry;
    }
    if (first) return first->mountPoint;
    return std::nullopt;
}

}  // namespace platform
