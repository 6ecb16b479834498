#include "SessionSummaryStore.h"

#include <cmath>
#include <string>
#include <unordered_set>
#include <utility>

#include "Platform/Foundation/FileManager.h"
#include "RecentEventLog.h"

namespace quentrel {

namespace fs = std::filesystem;
using platform::Date;
using wendmark::SessionEndReason;
using wendmark::WorkSession;

// Everything the queue touches; queued work holds it weakly.
struct SessionSummaryStore::State {
    State(std::optional<fs::path> location, DestinationTest test, FileWriter write, StoreRuntime run)
        : url(std::move(location)), allowed(std::move(test)), writer(std::move(write)), runtime(std::move(run)) {}

    const std::optional<fs::path> url;
    const DestinationTest allowed;
    const FileWriter writer;
    const StoreRuntime runtime;

    // Only on the queue after construction:
    EventStorageStatus status = EventStorageStatus::memoryOnly;
    StatusHandler handler;

    // The one place that writes the file.
    EventStorageStatus persist(const std::vector<WorkSession>& sessions) {
        if (!url) return EventStorageStatus::memoryOnly;
        EventStorageStatus result = EventStorageStatus::writeFailed;
        try {
            if (allowed(*url)) {
                std::string bytes = platform::json::encode(bounded(sessions, runtime.currentDate()));
                if (bytes.size() <= maximumFileSize) {
                    writer(bytes, *url);
                    result = EventStorageStatus::available;
                }
            }
        } catch (...) {
            // Any failure of encoding or writing leaves writeFailed.
        }
        if (result != status) {
            status = result;
            if (handler) handler(status);
        }
        return result;
    }
};

SessionSummaryStore::SessionSummaryStore(bool ephemeral, const StorageEnvironment& environment, StoreRuntime runtime)
    : SessionSummaryStore(ephemeral ? std::nullopt : fileLocation(environment),
                          [query = environment.volumeIsInternal](const fs::path& url) {
                              return RecentEventLog::isSafeInternalDestination(url, query);
                          },
                          atomicFileWriter(), std::move(runtime)) {}

SessionSummaryStore::SessionSummaryStore(std::optional<fs::path> url, DestinationTest allowed, FileWriter writer,
                                         StoreRuntime runtime)
    : state_(std::make_shared<State>(std::move(url), std::move(allowed),
                                     writer ? std::move(writer) : atomicFileWriter(), std::move(runtime))),
      queue_(state_->runtime.queue(std::string(queueLabel))) {
    auto load = loadStoreList<WorkSession>(state_->url, state_->allowed, maximumFileSize, [&](const auto& sessions) {
        return bounded(sessions, state_->runtime.currentDate());
    });
    initialSessions_ = std::move(load.items);
    // A session read back was open when it was saved, so it ended by interruption.
    for (WorkSession& session : initialSessions_) {
        if (!session.endReason) session.endReason = SessionEndReason::interrupted;
    }
    initialStatus_ = load.status;
    state_->status = initialStatus_;
}

SessionSummaryStore::~SessionSummaryStore() = default;

const std::optional<fs::path>& SessionSummaryStore::url() const { return state_->url; }

void SessionSummaryStore::setStatusHandler(StatusHandler handler) {
    installStatusHandler(*queue_, state_, std::move(handler));
}

void SessionSummaryStore::save(const std::vector<WorkSession>& sessions) {
    queue_->async([weak = std::weak_ptr<State>(state_), sessions] {
        if (std::shared_ptr<State> state = weak.lock()) state->persist(sessions);
    });
}

EventStorageStatus SessionSummaryStore::replaceImmediately(const std::vector<WorkSession>& sessions) {
    EventStorageStatus result = EventStorageStatus::memoryOnly;
    queue_->sync([&] { result = state_->persist(sessions); });
    return result;
}

void SessionSummaryStore::flush() {
    queue_->sync([] {});
}

std::vector<WorkSession> SessionSummaryStore::bounded(const std::vector<WorkSession>& sessions, Date now) {
    const Date oldest = now.addingSeconds(-maximumAgeSeconds);
    const Date newest = now.addingSeconds(futureToleranceSeconds);
    std::vector<WorkSession> kept;
    std::unordered_set<platform::UUID> keptIDs;
    for (const WorkSession& session : sessions) {
        if (kept.size() == maximumSessions) break;
        if (!(session.updatedAt > oldest && session.updatedAt <= newest)) continue;
        if (!(std::isfinite(session.observedSeconds) && session.observedSeconds >= 0 &&
              std::isfinite(session.elapsedSeconds) && session.observedSeconds <= session.elapsedSeconds)) {
            continue;
        }
        if (!keptIDs.insert(session.id).second) continue;
        kept.push_back(session);
    }
    return kept;
}

std::optional<fs::path> SessionSummaryStore::fileLocation(const StorageEnvironment& environment) {
    std::vector<fs::path> directories =
        environment.applicationSupportDirectories ? environment.applicationSupportDirectories() : std::vector<fs::path>{};
    if (directories.empty()) return std::nullopt;
    std::optional<fs::path> base = resolvingSymlinks(directories.front());
    if (!base || !environment.volumeIsInternal) return std::nullopt;
    std::optional<bool> internal = environment.volumeIsInternal(*base);
    if (!internal || !*internal) return std::nullopt;

    const fs::path folder = *base / StorageEnvironment::folderName;
    const fs::path file = folder / fileName;
    std::optional<fs::path> resolvedFolder = resolvingSymlinks(folder);
    if (!resolvedFolder || *resolvedFolder != standardizedPath(folder)) return std::nullopt;
    (void)platform::FileManager::createDirectories(folder);  // a missing folder fails the test below
    if (!RecentEventLog::isSafeInternalDestination(file, environment.volumeIsInternal)) return std::nullopt;
    return file;
}

}  // namespace quentrel
