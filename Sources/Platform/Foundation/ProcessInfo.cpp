#include "ProcessInfo.h"

#include <sys/utsname.h>
#include <unistd.h>

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

// os-release is a few hundred bytes; anything far larger is not one.
constexpr std::size_t maximumOSReleaseSize = 65536;

std::map<std::string, std::string> readOSRelease(const std::filesystem::path& path) {
    std::map<std::string, std::string> fields;
    // /etc/os-release is a symbolic link to /usr/lib/os-release on most systems.
    BoundedRead contents = readBounded(path, maximumOSReleaseSize, FinalLink::follow);
    std::string_view rest(reinterpret_cast<const char*>(contents.bytes.data()), contents.bytes.size());
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

}  // namespace

std::int32_t processIdentifier() { return static_cast<std::int32_t>(::getpid()); }

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
