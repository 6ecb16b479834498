#pragma once

#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>

#include "FileLocations.h"
#include "MemoryDefaultsDatabase.h"

namespace platform {

// The defaults database of one domain, kept in one binary property-list file (XML is read too).
// The file is read once at construction; a missing, unreadable, oversized or corrupt file starts
// the domain empty and stays untouched until the next change. Every set or remove writes the
// whole domain atomically. Registered defaults are never written.
class PlistDefaultsDatabase final : public DefaultsDatabase {
public:
    static constexpr std::size_t maximumFileSize = 4 * 1024 * 1024;

    // Without a file the database lives in memory only.
    PlistDefaultsDatabase(std::string domain, std::optional<std::filesystem::path> file);

    // `<config directory>/<domain>.plist`; absent without a config directory, or for a domain that
    // is not a plain file name.
    static std::optional<std::filesystem::path> fileForDomain(std::string_view domain, const FileLocations& locations);

    // The program's standard database, created on first use: the domain is the main bundle's
    // identifier, else the executable's file name.
    static PlistDefaultsDatabase& standard();

    std::optional<PropertyValue> object(std::string_view key) const override;
    void set(PropertyValue value, std::string_view key) override;
    void removeObject(std::string_view key) override;
    void registerDefaults(const PropertyDictionary& defaults) override;
    std::optional<PropertyDictionary> persistentDomain(std::string_view name) const override;

    const std::string& domain() const { return values_.domain(); }
    const std::optional<std::filesystem::path>& file() const { return file_; }
    // The failure of the last write, empty after a successful one. A failed write keeps the new
    // value in memory, so the program goes on with it.
    std::error_code lastWriteError() const;

private:
    void write();

    const std::optional<std::filesystem::path> file_;
    MemoryDefaultsDatabase values_;
    mutable std::mutex writeMutex_;
    std::error_code lastWriteError_;
};

}  // namespace platform
