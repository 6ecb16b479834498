#include "MountInfo.h"

#include "SysfsText.h"

namespace platform {

namespace {

// The fields of a mountinfo line, as proc(5) lays them out: six fixed ones, then zero or more
// optional fields ("shared:1", "master:2", ...) ended by one "-", then three more. Fields are
// separated by single spaces; a space inside one is written as an octal escape (\040).
struct MountInfoField {
    enum : std::size_t {
        mountID,
        parentID,
        device,  // major:minor
        root,
        mountPoint,
        mountOptions,
        firstOptional,
    };
    // Counted from the "-" that ends the optional fields; the super options after them are not read.
    enum : std::size_t { fileSystemTypeAfterSeparator = 1, sourceAfterSeparator = 2 };
    // The fixed fields, the separator, the type and the source.
    static constexpr std::size_t minimumCount = std::size_t{firstOptional} + sourceAfterSeparator + 1;
};
constexpr std::string_view optionalFieldsEnd = "-";

std::optional<MountEntry> parseLine(std::string_view line) {
    using Field = MountInfoField;
    auto fields = sysfs::pieces(line, ' ');
    if (fields.size() < Field::minimumCount) return std::nullopt;
    if (!sysfs::parseUnsigned(fields[Field::mountID]) || !sysfs::parseUnsigned(fields[Field::parentID]))
        return std::nullopt;
    auto device = fields[Field::device];
    auto colon = device.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    auto major = sysfs::parseUnsigned(device.substr(0, colon));
    auto minor = sysfs::parseUnsigned(device.substr(colon + 1));
    if (!major || !minor || *major > UINT32_MAX || *minor > UINT32_MAX) return std::nullopt;

    std::size_t separator = Field::firstOptional;
    while (separator < fields.size() && fields[separator] != optionalFieldsEnd) ++separator;
    if (separator + Field::sourceAfterSeparator >= fields.size()) return std::nullopt;

    MountEntry entry;
    entry.major = static_cast<unsigned>(*major);
    entry.minor = static_cast<unsigned>(*minor);
    entry.root = unescapeMountField(fields[Field::root]);
    entry.mountPoint = unescapeMountField(fields[Field::mountPoint]);
    entry.fileSystemType = unescapeMountField(fields[separator + Field::fileSystemTypeAfterSeparator]);
    entry.source = unescapeMountField(fields[separator + Field::sourceAfterSeparator]);
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
