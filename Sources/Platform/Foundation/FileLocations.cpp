#include "FileLocations.h"

#include <cstdlib>
#include <utility>

namespace platform {

EnvironmentLookup processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    };
}

FileLocations::FileLocations(EnvironmentLookup environment) : environment_(std::move(environment)) {}

std::optional<std::filesystem::path> FileLocations::applicationSupportDirectory() const {
    return base("XDG_DATA_HOME", ".local/share");
}

std::optional<std::filesystem::path> FileLocations::configDirectory() const {
    return base("XDG_CONFIG_HOME", ".config");
}

std::optional<std::filesystem::path> FileLocations::base(const std::string& variable, const char* underHome) const {
    auto absolute = [this](const std::string& name) -> std::optional<std::filesystem::path> {
        std::optional<std::string> value = environment_ ? environment_(name) : std::nullopt;
        if (!value || value->empty() || value->front() != '/') return std::nullopt;
        std::filesystem::path path = std::filesystem::path(*value).lexically_normal();
        if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();  // "/a/b/" -> "/a/b"
        return path;
    };
    if (auto explicitPath = absolute(variable)) return explicitPath;
    if (auto home = absolute("HOME")) return (*home / underHome).lexically_normal();
    return std::nullopt;
}

}  // namespace platform
