#pragma once

#include <algorithm>
#include <cstddef>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "EventStorageStatus.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Foundation/Base64.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/JSONCoding.h"

namespace quentrel {

// What the two JSON stores share: how they write, test and read their file, and what they take
// from their surroundings.

// Writes the encoded bytes to the file location; throws on failure.
using FileWriter = std::function<void(std::string_view bytes, const std::filesystem::path& location)>;
// Run before every read and every write of the file.
using DestinationTest = std::function<bool(const std::filesystem::path& location)>;
// A store's status callback; always called on the store's queue.
using StatusHandler = std::function<void(EventStorageStatus)>;

// The default writer: atomic replacement of the file (temporary file created exclusively in the
// same folder, written, synced, renamed over the destination, folder synced; user-only permissions).
FileWriter atomicFileWriter();

// A store's serial queue, made from the store's label, and its wall clock.
struct StoreRuntime {
    std::function<platform::SerialQueuePtr(const std::string& label)> makeQueue;  // empty: a thread queue
    std::function<platform::Date()> now;                                          // empty: the system clock

    platform::SerialQueuePtr queue(const std::string& label) const;
    platform::Date currentDate() const;
};

enum class StoreFileRead {
    missing,  // nothing at the path, also not a dangling symbolic link's target
    read,     // `bytes` holds the whole file
    failed,   // a symbolic link or other non-regular item, larger than the cap, or unreadable
};

struct StoreFileContents {
    StoreFileRead outcome = StoreFileRead::failed;
    platform::Data bytes;
};

// Opens the file once without following a final symbolic link; the open descriptor must be a
// regular file of at most `cap` bytes, and at most cap + 1 bytes are read, so a file that grows
// or is swapped in meanwhile is never read beyond the cap.
StoreFileContents readStoreFile(const std::filesystem::path& path, std::size_t cap);

// A JSON array of T; absent when the bytes are not one. JSON text never holds a raw NUL, and the
// parser would take one as the end of its input and ignore whatever follows.
template <class T>
std::optional<std::vector<T>> decodeStoreList(const platform::Data& bytes) {
    if (std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) return std::nullopt;
    try {
        return platform::json::decode<std::vector<T>>(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Installs a store's status handler on its queue and calls it at once with the current status.
// `State` holds `handler` and `status`, and is held weakly: a store already gone installs nothing.
template <class State>
void installStatusHandler(platform::SerialQueue& queue, const std::shared_ptr<State>& state, StatusHandler handler) {
    queue.async([weak = std::weak_ptr<State>(state), handler = std::move(handler)]() mutable {
        std::shared_ptr<State> alive = weak.lock();
        if (!alive) return;
        alive->handler = std::move(handler);
        if (alive->handler) alive->handler(alive->status);
    });
}

// Removes the temporary files of `location` that writers killed before their rename left beside
// it, and nothing else: not those of the other store in the same folder, nor any other program's;
// see AtomicFile.
void removeStaleTemporariesBeside(const std::filesystem::path& location);

template <class T>
struct StoreLoad {
    std::vector<T> items;
    EventStorageStatus status = EventStorageStatus::memoryOnly;
};

// The load at construction that both stores share: no location is memory only; a refused
// destination, an unreadable file or one that is not a list of T is readFailed and left as it is;
// a missing file is available and empty; otherwise the list passes through `bounded`. The stale
// temporaries of this file (of writers that are gone) are removed first, when its folder passed
// the test.
template <class T, class Bounded>
StoreLoad<T> loadStoreList(const std::optional<std::filesystem::path>& location, const DestinationTest& allowed,
                           std::size_t cap, Bounded bounded) {
    if (!location) return {{}, EventStorageStatus::memoryOnly};
    if (!allowed || !allowed(*location)) return {{}, EventStorageStatus::readFailed};
    removeStaleTemporariesBeside(*location);
    StoreFileContents contents = readStoreFile(*location, cap);
    if (contents.outcome == StoreFileRead::missing) return {{}, EventStorageStatus::available};
    if (contents.outcome == StoreFileRead::read) {
        if (auto decoded = decodeStoreList<T>(contents.bytes)) return {bounded(*decoded), EventStorageStatus::available};
    }
    return {{}, EventStorageStatus::readFailed};
}

}  // namespace quentrel
