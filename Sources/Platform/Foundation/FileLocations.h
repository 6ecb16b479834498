#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// Looks up one environment variable; absent when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The process environment (getenv).
EnvironmentLookup processEnvironment();

// The per-user base folders of the XDG base-directory rules. A variable that is unset, empty or
// not an absolute path is ignored and the default under $HOME is used; without an absolute $HOME
// there is no folder.
class FileLocations {
public:
    explicit FileLocations(EnvironmentLookup environment = processEnvironment());

    // The Application Support directory: $XDG_DATA_HOME, else $HOME/.local/share.
    std::optional<std::filesystem::path> applicationSupportDirectory() const;
    // Where the defaults database lives: $XDG_CONFIG_HOME, else $HOME/.config.
    std::optional<std::filesystem::path> configDirectory() const;

private:
    std::optional<std::filesystem::path> base(const std::string& variable, const char* underHome) const;

    EnvironmentLookup environment_;
};

}  // namespace platform
