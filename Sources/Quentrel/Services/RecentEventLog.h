#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "EventStorageStatus.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "RecentEvent.h"
#include "StorageEnvironment.h"
#include "StoreFile.h"

namespace quentrel {

// Keeps the recent events across launches in "recent-events.json" (a JSON array, newest first)
// and reports whether the file can be used. It never changes its owner's list; it only trims what
// it writes and what it reads back. Writes run on the log's own serial queue, 500 ms after the
// last save; replaceImmediately() and flush() write synchronously and must not be called from
// that queue. The status handler is always called on the queue.
class RecentEventLog {
public:
    static constexpr std::size_t maximumEvents = 100;
    static constexpr double maximumAgeSeconds = 604800;  // 7 days
    static constexpr double futureToleranceSeconds = 60;
    static constexpr std::size_t maximumFileSize = 65536;
    static constexpr std::size_t maximumMessageLength = 256;  // user-perceived characters
    static constexpr double writeDelaySeconds = 0.5;
    static constexpr std::string_view queueLabel = "local.mirosal.Quentrel.history";
    static constexpr std::string_view fileName = "recent-events.json";

    // Ephemeral: memory only. Otherwise the file in the Application Support folder "QuentrelProduct"
    // when the location passes its tests (see fileLocation), the atomic writer and
    // isSafeInternalDestination as the destination test.
    explicit RecentEventLog(bool ephemeral, const StorageEnvironment& environment = StorageEnvironment::system(),
                            StoreRuntime runtime = {});
    // Loads the file synchronously on the calling thread. An empty writer is the atomic write;
    // without a location the log is memory-only.
    RecentEventLog(std::optional<std::filesystem::path> fileURL, FileWriter writer, DestinationTest destinationAllowed,
                   StoreRuntime runtime = {});
    ~RecentEventLog();

    RecentEventLog(const RecentEventLog&) = delete;
    RecentEventLog& operator=(const RecentEventLog&) = delete;

    // What was loaded at construction, already bounded, and the status then.
    const std::vector<RecentEvent>& initialEvents() const { return initialEvents_; }
    EventStorageStatus initialStatus() const { return initialStatus_; }
    const std::optional<std::filesystem::path>& fileURL() const;

    // Asynchronously on the queue: stores the handler (replacing an earlier one) and calls it once
    // with the current status; afterwards it hears every change.
    void setStatusHandler(StatusHandler handler);
    // Debounced write of the whole list: a newer save within 500 ms replaces the older list.
    void save(const std::vector<RecentEvent>& events);
    // Writes the list now and answers the status after the attempt (memoryOnly without a file).
    EventStorageStatus replaceImmediately(const std::vector<RecentEvent>& events);
    // Writes whatever is pending, now.
    void flush();

    // Events dated within the last 7 days (exclusive) up to 60 s ahead (inclusive), the first 100
    // of them in the given order, each message cut to its first 256 characters.
    static std::vector<RecentEvent> bounded(const std::vector<RecentEvent>& events, platform::Date now);

    // The folder holding `url` has no symbolic link in its path, is on an internal volume and is a
    // directory; at `url` there is a regular file or nothing at all (not even a dangling link).
    static bool isSafeInternalDestination(const std::filesystem::path& url,
                                          const VolumeQuery& volumeIsInternal = systemVolumeIsInternal);

    // Where the non-ephemeral log keeps its file; creates the folder. Absent when the Application
    // Support directory or the folder is not on an internal volume, the folder cannot be created,
    // or a symbolic link sits at the file's place.
    static std::optional<std::filesystem::path> fileLocation(const StorageEnvironment& environment);

    struct State;

private:
    std::shared_ptr<State> state_;
    platform::SerialQueuePtr queue_;
    std::vector<RecentEvent> initialEvents_;
    EventStorageStatus initialStatus_ = EventStorageStatus::memoryOnly;
};

}  // namespace quentrel
