#include "RecentEventLog.h"

#include <string>
#include <utility>

#include <sys/stat.h>

#include "Platform/Dispatch/WorkItem.h"
#include "Platform/Foundation/FileManager.h"
#include "Quentrel/Support/GraphemeText.h"

namespace quentrel {

namespace fs = std::filesystem;
using platform::Date;

namespace {

bool existsFollowingLinks(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The compact JSON array of the events, without its oldest (last) events as long as it is larger
// than the cap. Throws EncodingError.
std::string encodeWithinCap(const std::vector<RecentEvent>& events, std::size_t cap) {
    std::vector<std::string> encoded;
    encoded.reserve(events.size());
    std::size_t size = 2;  // "[]"
    for (const RecentEvent& event : events) {
        encoded.push_back(platform::json::encode(event));
        size += encoded.back().size() + (encoded.size() > 1 ? 1 : 0);
    }
    while (size > cap && !encoded.empty()) {
        size -= encoded.back().size() + (encoded.size() > 1 ? 1 : 0);
        encoded.pop_back();
    }
    std::string bytes;
    bytes.reserve(size);
    bytes.push_back('[');
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (i > 0) bytes.push_back(',');
        bytes += encoded[i];
    }
    bytes.push_back(']');
    return bytes;
}

}  // namespace

// Everything the queue touches. Work items hold it weakly, so dropping the log drops what is pending.
struct RecentEventLog::State {
    State(std::optional<fs::path> url, FileWriter write, DestinationTest test, StoreRuntime run)
        : fileURL(std::move(url)), writer(std::move(write)), destinationAllowed(std::move(test)), runtime(std::move(run)) {}

    const std::optional<fs::path> fileURL;
    const FileWriter writer;
    const DestinationTest destinationAllowed;
    const StoreRuntime runtime;

    // Only on the queue after construction:
    std::shared_ptr<platform::WorkItem> pending;
    std::optional<std::vector<RecentEvent>> pendingEvents;
    StatusHandler handler;
    EventStorageStatus status = EventStorageStatus::memoryOnly;

    void cancelPending() {
        if (pending) pending->cancel();
        pending.reset();
    }

    // The one place that writes the file.
    void persistPending() {
        if (!fileURL || !pendingEvents) return;
        std::vector<RecentEvent> events = std::move(*pendingEvents);
        pendingEvents.reset();
        pending.reset();

        EventStorageStatus result = EventStorageStatus::writeFailed;
        try {
            if (destinationAllowed(*fileURL)) {
                writer(encodeWithinCap(events, maximumFileSize), *fileURL);
                result = EventStorageStatus::available;
            }
        } catch (...) {
            // Any failure of encoding or writing leaves writeFailed.
        }
        if (result != status) {
            status = result;
            if (handler) handler(status);
        }
    }
};

RecentEventLog::RecentEventLog(bool ephemeral, const StorageEnvironment& environment, StoreRuntime runtime)
    : RecentEventLog(ephemeral ? std::nullopt : fileLocation(environment), atomicFileWriter(),
                     [query = environment.volumeIsInternal](const fs::path& url) {
                         return isSafeInternalDestination(url, query);
                     },
                     std::move(runtime)) {}

RecentEventLog::RecentEventLog(std::optional<fs::path> fileURL, FileWriter writer, DestinationTest destinationAllowed,
                               StoreRuntime runtime)
    : state_(std::make_shared<State>(std::move(fileURL), writer ? std::move(writer) : atomicFileWriter(),
                                     std::move(destinationAllowed), std::move(runtime))),
      queue_(state_->runtime.queue(std::string(queueLabel))) {
    auto load = loadStoreList<RecentEvent>(state_->fileURL, state_->destinationAllowed, maximumFileSize,
                                           [&](const auto& events) { return bounded(events, state_->runtime.currentDate()); });
    initialEvents_ = std::move(load.items);
    initialStatus_ = load.status;
    state_->status = initialStatus_;
}

RecentEventLog::~RecentEventLog() = default;

const std::optional<fs::path>& RecentEventLog::fileURL() const { return state_->fileURL; }

void RecentEventLog::setStatusHandler(StatusHandler handler) {
    installStatusHandler(*queue_, state_, std::move(handler));
}

void RecentEventLog::save(const std::vector<RecentEvent>& events) {
    if (!state_->fileURL) return;
    std::vector<RecentEvent> list = bounded(events, state_->runtime.currentDate());
    std::weak_ptr<State> weak = state_;
    queue_->async([weak, queue = std::weak_ptr<platform::SerialQueue>(queue_), list = std::move(list)]() mutable {
        std::shared_ptr<State> state = weak.lock();
        std::shared_ptr<platform::SerialQueue> serial = queue.lock();
        if (!state || !serial) return;
        state->cancelPending();
        state->pendingEvents = std::move(list);
        state->pending = platform::WorkItem::make([weak] {
            if (std::shared_ptr<State> alive = weak.lock()) alive->persistPending();
        });
        serial->asyncAfter(writeDelaySeconds, state->pending);
    });
}

EventStorageStatus RecentEventLog::replaceImmediately(const std::vector<RecentEvent>& events) {
    EventStorageStatus result = EventStorageStatus::memoryOnly;
    queue_->sync([&] {
        State& state = *state_;
        state.cancelPending();
        state.pendingEvents = bounded(events, state.runtime.currentDate());
        if (!state.fileURL) {
            state.pendingEvents.reset();
            result = EventStorageStatus::memoryOnly;
            return;
        }
        state.persistPending();
        result = state.status;
    });
    return result;
}

void RecentEventLog::flush() {
    queue_->sync([&] {
        state_->cancelPending();
        state_->persistPending();
    });
}

std::vector<RecentEvent> RecentEventLog::bounded(const std::vector<RecentEvent>& events, Date now) {
    const Date oldest = now.addingSeconds(-maximumAgeSeconds);
    const Date newest = now.addingSeconds(futureToleranceSeconds);
    std::vector<RecentEvent> kept;
    for (const RecentEvent& event : events) {
        if (kept.size() == maximumEvents) break;
        if (!(event.date > oldest && event.date <= newest)) continue;
        kept.push_back({event.date, graphemePrefix(event.message, maximumMessageLength)});
    }
    return kept;
}

bool RecentEventLog::isSafeInternalDestination(const fs::path& url, const VolumeQuery& volumeIsInternal) {
    const fs::path folder = standardizedPath(url).parent_path();
    std::optional<fs::path> resolved = resolvingSymlinks(folder);
    if (!resolved || *resolved != folder) return false;
    std::optional<bool> internal = volumeIsInternal ? volumeIsInternal(folder) : std::nullopt;
    if (!internal || !*internal) return false;
    std::optional<platform::FileAttributes> folderAttributes = platform::FileManager::attributesOfItem(folder);
    if (!folderAttributes || folderAttributes->type != platform::FileType::directory) return false;
    std::optional<platform::FileAttributes> item = platform::FileManager::attributesOfItem(url);
    if (existsFollowingLinks(url)) return item && item->type == platform::FileType::regular;
    return !item;
}

std::optional<fs::path> RecentEventLog::fileLocation(const StorageEnvironment& environment) {
    std::vector<fs::path> directories =
        environment.applicationSupportDirectories ? environment.applicationSupportDirectories() : std::vector<fs::path>{};
    if (directories.empty()) return std::nullopt;
    std::optional<fs::path> base = resolvingSymlinks(directories.front());
    if (!base || !environment.volumeIsInternal) return std::nullopt;
    std::optional<bool> baseInternal = environment.volumeIsInternal(*base);
    if (!baseInternal || !*baseInternal) return std::nullopt;

    const fs::path folder = *base / StorageEnvironment::folderName;
    const bool folderExists = existsFollowingLinks(folder);
    std::optional<fs::path> resolvedFolder = resolvingSymlinks(folder);
    std::optional<bool> folderInternal = resolvedFolder ? environment.volumeIsInternal(*resolvedFolder) : std::nullopt;
    if (folderExists && !(folderInternal && *folderInternal)) return std::nullopt;
    if (platform::FileManager::createDirectories(folder)) return std::nullopt;

    fs::path file = folder / fileName;
    std::optional<platform::FileAttributes> attributes = platform::FileManager::attributesOfItem(file);
    if (attributes && attributes->type == platform::FileType::symbolicLink) return std::nullopt;
    return file;
}

}  // namespace quentrel
