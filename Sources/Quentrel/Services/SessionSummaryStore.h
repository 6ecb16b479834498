#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "EventStorageStatus.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "StorageEnvironment.h"
#include "StoreFile.h"
#include "Wendmark/WorkSession.h"

namespace quentrel {

// Keeps the work sessions of the last seven days in "session-summaries.json" (a JSON array, newest
// first) next to the recent-event log's file, and reports whether the file can be used. Every save
// writes at once, in order, on the store's own serial queue; replaceImmediately() and flush() wait
// for the queue and must not be called from it. The status handler is always called on the queue.
class SessionSummaryStore {
public:
    static constexpr std::size_t maximumSessions = 30;
    static constexpr double maximumAgeSeconds = 604800;  // 7 days
    static constexpr double futureToleranceSeconds = 60;
    static constexpr std::size_t maximumFileSize = 262144;
    static constexpr std::string_view queueLabel = "local.mirosal.Quentrel.sessions";
    static constexpr std::string_view fileName = "session-summaries.json";

    // Ephemeral: memory only. Otherwise the file in the Application Support folder "QuentrelProduct"
    // when it passes its tests (see fileLocation), RecentEventLog::isSafeInternalDestination as the
    // destination test and the atomic writer.
    explicit SessionSummaryStore(bool ephemeral, const StorageEnvironment& environment = StorageEnvironment::system(),
                                 StoreRuntime runtime = {});
    // Loads the file synchronously on the calling thread. An empty writer is the atomic write;
    // without a location the store is memory-only.
    SessionSummaryStore(std::optional<std::filesystem::path> url, DestinationTest allowed, FileWriter writer = {},
                        StoreRuntime runtime = {});
    ~SessionSummaryStore();

    SessionSummaryStore(const SessionSummaryStore&) = delete;
    SessionSummaryStore& operator=(const SessionSummaryStore&) = delete;

    // What was loaded at construction, bounded, with sessions stored while open marked interrupted.
    const std::vector<wendmark::WorkSession>& initialSessions() const { return initialSessions_; }
    EventStorageStatus initialStatus() const { return initialStatus_; }
    const std::optional<std::filesystem::path>& url() const;

    // Asynchronously on the queue: stores the handler (replacing an earlier one) and calls it once
    // with the current status; afterwards it hears every change.
    void setStatusHandler(StatusHandler handler);
    // Queues one write of the whole list; saves are neither delayed nor merged.
    void save(const std::vector<wendmark::WorkSession>& sessions);
    // Writes the list now and answers the result of that write (memoryOnly without a file).
    EventStorageStatus replaceImmediately(const std::vector<wendmark::WorkSession>& sessions);
    // Waits until every save queued before it has been written or has failed.
    void flush();

    // Sessions updated within the last 7 days (exclusive) up to 60 s ahead (inclusive), with
    // finite, non-negative observed seconds not above finite elapsed seconds, the first of each
    // identifier among those; at most the first 30, in the given order.
    static std::vector<wendmark::WorkSession> bounded(const std::vector<wendmark::WorkSession>& sessions,
                                                      platform::Date now);

    // Where the non-ephemeral store keeps its file; creates the folder. Absent when the Application
    // Support directory is not on an internal volume, the folder's path holds a symbolic link, or
    // the file fails RecentEventLog::isSafeInternalDestination.
    static std::optional<std::filesystem::path> fileLocation(const StorageEnvironment& environment);

    struct State;

private:
    std::shared_ptr<State> state_;
    platform::SerialQueuePtr queue_;
    std::vector<wendmark::WorkSession> initialSessions_;
    EventStorageStatus initialStatus_ = EventStorageStatus::memoryOnly;
};

}  // namespace quentrel
