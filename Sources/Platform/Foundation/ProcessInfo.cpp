#include "ProcessInfo.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <charconv>
#include <map>
#include <string_view>
#include <system_error>

#include "BoundedRead.h"

namespace platform {

namespace {

// One value of an os-release assignment: unquoted, or in single or double quotes, where a
// backslash escapes the next character inside double quotes.
std::string unquote(const std::string& raw) {
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
        const char quote = raw.front();
        std::string out;
        for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
            if (quote == '"' && raw[i] == '\\' && i + 2 < raw.size()) ++i;
            out.push_back(raw[i]);
        }
        return out;
    }
    return raw;
}

std::string_view textOf(const Data& bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// os-release is a few hundred bytes; anything far larger is not one.
constexpr std::size_t maximumOSReleaseSize = 65536;

std::map<std::string, std::string> readOSRelease(const std::filesystem::path& path) {
    std::map<std::string, std::string> fields;
    // /etc/os-release is a symbolic link to /usr/lib/os-release on most systems.
    BoundedRead contents = readBounded(path, maximumOSReleaseSize, FinalLink::follow);
    std::string_view rest = textOf(contents.bytes);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string line(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        auto equals = line.find('=', first);
        if (equals == std::string::npos) continue;
        auto value = line.substr(equals + 1);
        auto last = value.find_last_not_of(" \t");
        value.erase(last == std::string::npos ? 0 : last + 1);
        fields[line.substr(first, equals - first)] = unquote(value);
    }
    return fields;
}

std::string field(const std::map<std::string, std::string>& fields, const char* key) {
    auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
}

// A stat line is some 50 numbers and a process's short name: far less than this.
constexpr std::size_t maximumStatSize = 4096;

std::string_view withoutLeadingSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return text.substr(first == std::string_view::npos ? text.size() : first);
}

}  // namespace

std::int32_t processIdentifier() { return ::getpid(); }

std::optional<std::int32_t> parentProcessIdentifierInStat(std::string_view stat) {
    const std::size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string_view::npos) return std::nullopt;
    // The state, one character, then the parent.
    const std::string_view state = withoutLeadingSpaces(stat.substr(nameEnd + 1));
    if (state.empty()) return std::nullopt;
    const std::string_view parent = withoutLeadingSpaces(state.substr(1));
    std::int32_t value = 0;
    if (std::from_chars(parent.data(), parent.data() + parent.size(), value).ec != std::errc()) return std::nullopt;
    return value;
}

std::optional<std::int32_t> parentProcessIdentifier(std::int32_t process) {
    const BoundedRead stat = readBounded("/proc/" + std::to_string(process) + "/stat", maximumStatSize);
    if (stat.status != BoundedReadStatus::read) return std::nullopt;
    return parentProcessIdentifierInStat(textOf(stat.bytes));
}

std::optional<KernelVersion> currentKernelVersion() {
    utsname names{};
    if (::uname(&names) != 0) return std::nullopt;
    return KernelVersion{names.sysname, names.release};
}

std::string operatingSystemVersionString(const std::filesystem::path& osRelease,
                                         const std::optional<KernelVersion>& kernel) {
    auto fields = readOSRelease(osRelease);
    std::string system = field(fields, "PRETTY_NAME");
    if (system.empty()) {
        system = field(fields, "NAME");
        std::string version = field(fields, "VERSION");
        if (!version.empty()) system += system.empty() ? version : " " + version;
    }
    if (system.empty()) system = "Linux";  // the os-release default

    if (kernel) {
        std::string text = kernel->name;
        if (!kernel->release.empty()) text += text.empty() ? kernel->release : " " + kernel->release;
        if (!text.empty()) system += " (" + text + ")";
    }
    return system;
}

std::string operatingSystemVersionString() {
    std::error_code error;
    std::filesystem::path path = "/etc/os-release";
    if (!std::filesystem::exists(path, error)) path = "/usr/lib/os-release";
    return operatingSystemVersionString(path, currentKernelVersion());
}

}  // namespace platform
