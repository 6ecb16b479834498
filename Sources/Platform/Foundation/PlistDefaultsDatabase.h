#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "FileLocations.h"
#include "MemoryDefaultsDatabase.h"
#include "Platform/Dispatch/SerialQueue.h"

namespace platform {

// The defaults database of one domain, kept in one binary property-list file (XML is read too).
// The file is read once at construction; a missing, unreadable, oversized, too deeply nested or
// corrupt file starts the domain empty and stays untouched until the next change. Opening it
// removes the temporary files of this file that killed writers left (beside the file, and beside
// the file a link leads to); other files' temporaries are not ours and stay.
//
// The file may be a symbolic link (a dotfiles manager keeps it so): it is read through the link,
// and written atomically beside the file the link leads to, which keeps the link. A dangling link
// reads as an empty domain and its target is created by the first write, when the target's folder
// exists; a link to anything but a regular file reads as empty and is never written through.
//
// Reads answer from memory. Changes are written behind on the database's own serial queue: the
// first change schedules one atomic write of the whole domain `writeDelaySeconds` later, which
// takes every change made until it runs. A failed write is logged and the domain is written again
// at the next change or flush; the same failure again is not logged again until a write has
// succeeded. Registered defaults are never written.
class PlistDefaultsDatabase final : public DefaultsDatabase {
public:
    static constexpr std::size_t maximumFileSize = 4 * 1024 * 1024;
    static constexpr double writeDelaySeconds = 0.1;

    // Without a file the database lives in memory only. Writes run on `queue`; without one, on a
    // thread queue of the database's own.
    PlistDefaultsDatabase(std::string domain, std::optional<std::filesystem::path> file, SerialQueuePtr queue = nullptr);
    // Writes what is pending first.
    ~PlistDefaultsDatabase() override;

    PlistDefaultsDatabase(const PlistDefaultsDatabase&) = delete;
    PlistDefaultsDatabase& operator=(const PlistDefaultsDatabase&) = delete;

    // `<config directory>/<domain>.plist`; absent without a config directory, or for a domain that
    // is not a plain file name.
    static std::optional<std::filesystem::path> fileForDomain(std::string_view domain, const FileLocations& locations);

    // The program's standard database, created on first use: the domain is the main bundle's
    // identifier, else the executable's file name. It is never destroyed, so nothing is written at
    // exit: the program flushes it when it stops.
    static PlistDefaultsDatabase& standard();

    std::optional<PropertyValue> object(std::string_view key) const override;
    void set(PropertyValue value, std::string_view key) override;
    void removeObject(std::string_view key) override;
    void registerDefaults(const PropertyDictionary& defaults) override;
    std::optional<PropertyDictionary> persistentDomain(std::string_view name) const override;
    // Writes the changes not yet written (also those whose write failed) now, on the queue, and
    // waits for it. Must not be called from the database's queue.
    void flush() override;

    const std::string& domain() const;
    const std::optional<std::filesystem::path>& file() const;
    // The failure of the last write, empty after a successful one and before the first. A failed
    // write keeps the new value in memory, so the program goes on with it.
    std::error_code lastWriteError() const;

    struct State;

private:
    std::shared_ptr<State> state_;
    SerialQueuePtr queue_;
};

}  // namespace platform
