#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "PropertyValue.h"

namespace platform {

// A program's bundle: `<Name>.app/Contents/MacOS/<executable>` with `Contents/Info.plist`.
struct BundleInfo {
    static constexpr std::size_t maximumInfoSize = 1024 * 1024;

    std::optional<std::filesystem::path> bundlePath;  // the `.app` folder
    std::optional<std::string> bundleIdentifier;
    PropertyDictionary infoDictionary;  // empty when there is no readable Info.plist

    // The information-dictionary value of `key`, of whatever type it is stored with; nullptr when absent.
    const PropertyValue* object(std::string_view key) const;

    // Reads `<bundlePath>/Contents/Info.plist`. A missing, oversized or corrupt file, or one whose
    // root is not a dictionary, gives an empty dictionary; the identifier is "CFBundleIdentifier"
    // when that is a non-empty string.
    static BundleInfo load(const std::filesystem::path& bundlePath);
    // `<X>.app` for an executable at `<X>.app/Contents/MacOS/<name>`, else absent.
    static std::optional<std::filesystem::path> bundlePathForExecutable(const std::filesystem::path& executable);
    // The bundle around the executable; no path, no identifier and an empty dictionary outside a bundle.
    static BundleInfo forExecutable(const std::filesystem::path& executable);
};

// The program that a process's executable link (/proc/<pid>/exe) names. The kernel adds " (deleted)"
// to the path of a program whose file was replaced or removed since it started (an upgrade renames a
// new file over it): the program is then the one now at that path, and absent when no regular file
// is there. A file whose name really ends so, and any other path, is the link itself.
std::optional<std::filesystem::path> programAtExecutableLink(const std::filesystem::path& link);

// This program's executable (/proc/self/exe, as programAtExecutableLink reads it).
std::optional<std::filesystem::path> currentExecutablePath();

using BundleInfoProvider = std::function<std::shared_ptr<const BundleInfo>()>;

// The running program's bundle. By default it is found once from the executable's path; a provider
// set here answers instead (tests), and an empty provider restores the default.
std::shared_ptr<const BundleInfo> mainBundle();
void setMainBundleProvider(BundleInfoProvider provider);

// Makes `mainBundle()` answer with the given bundle for the guard's lifetime (tests).
class ScopedMainBundle {
public:
    explicit ScopedMainBundle(BundleInfo bundle);
    ~ScopedMainBundle();
    ScopedMainBundle(const ScopedMainBundle&) = delete;
    ScopedMainBundle& operator=(const ScopedMainBundle&) = delete;
};

}  // namespace platform
