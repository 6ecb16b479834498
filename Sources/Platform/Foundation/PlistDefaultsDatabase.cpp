#include "PlistDefaultsDatabase.h"

#include <cstdint>
#include <mutex>
#include <utility>

#include "AtomicFile.h"
#include "BoundedRead.h"
#include "BundleInfo.h"
#include "FileManager.h"
#include "Platform/Dispatch/ThreadSerialQueue.h"
#include "Platform/Dispatch/WorkItem.h"
#include "Platform/Log/Logger.h"
#include "PropertyList.h"

namespace platform {

namespace {

PropertyDictionary load(const std::optional<std::filesystem::path>& file) {
    if (!file) return {};
    BoundedRead contents = readBounded(*file, PlistDefaultsDatabase::maximumFileSize, FinalLink::follow);
    if (contents.status != BoundedReadStatus::read) return {};
    std::optional<PropertyValue> root = PropertyList::parse(contents.bytes);
    if (!root || !root->is<PropertyDictionary>()) return {};
    return *root->get<PropertyDictionary>();
}

}  // namespace

// What the queue's work touches; it holds the state weakly.
struct PlistDefaultsDatabase::State {
    State(std::string domain, std::optional<std::filesystem::path> path)
        : file(std::move(path)), values(std::move(domain), load(file)), log(values.domain(), "Settings") {}

    const std::optional<std::filesystem::path> file;
    MemoryDefaultsDatabase values;
    const Logger log;

    // Changes count up; the domain on disk is that of `written` changes.
    mutable std::mutex mutex;
    std::uint64_t changes = 0;
    std::uint64_t written = 0;
    bool writeScheduled = false;
    std::error_code lastWriteError;
    std::string lastFailure;  // what the last failed write logged; empty after a successful one

    // Called with `mutex` held after a change of the stored values.
    void changed(const std::shared_ptr<State>& self, SerialQueue* queue) {
        ++changes;
        if (!queue || writeScheduled) return;
        writeScheduled = true;
        queue->asyncAfter(writeDelaySeconds, WorkItem::make([weak = std::weak_ptr<State>(self)] {
                              if (std::shared_ptr<State> state = weak.lock()) state->writeChanges();
                          }));
    }

    // On the queue: writes the domain as it is now, if any change is not on disk yet.
    void writeChanges() {
        PropertyDictionary stored;
        std::uint64_t generation = 0;
        {
            std::lock_guard lock(mutex);
            writeScheduled = false;
            if (written == changes) return;
            stored = values.persistentDomain(values.domain()).value_or(PropertyDictionary{});
            generation = changes;
        }
        std::error_code error;
        std::string what;
        try {
            const Data bytes = PropertyList::serialize(PropertyValue(std::move(stored)), PropertyListFormat::binary);
            AtomicFile::writeThroughLinks(*file, bytes);
        } catch (const AtomicFileError& failure) {
            error = failure.code();
            what = failure.what();
        } catch (const PropertyListError& failure) {
            error = std::make_error_code(std::errc::invalid_argument);
            what = failure.what();
        }
        bool repeated = false;
        {
            std::lock_guard lock(mutex);
            lastWriteError = error;
            if (!error) written = generation;
            repeated = what == lastFailure;
            lastFailure = what;
        }
        // The same failure again (each change retries) is logged once, until a write succeeds.
        if (error && !repeated)
            log.error("settings not written to " + file->string() + ": " + what + "; written again at the next change");
    }
};

PlistDefaultsDatabase::PlistDefaultsDatabase(std::string domain, std::optional<std::filesystem::path> file,
                                             SerialQueuePtr queue) {
    if (file) {
        // Writes go beside the file that a link at the path leads to, and are named after it.
        AtomicFile::removeStaleTemporaries(*file);
        std::error_code error;
        const auto target = FileManager::followingFinalLinks(*file, error);
        if (target && *target != *file) AtomicFile::removeStaleTemporaries(*target);
    }
    state_ = std::make_shared<State>(std::move(domain), std::move(file));
    if (state_->file) queue_ = queue ? std::move(queue) : ThreadSerialQueue::make(state_->values.domain() + ".defaults");
}

PlistDefaultsDatabase::~PlistDefaultsDatabase() { flush(); }

std::optional<std::filesystem::path> PlistDefaultsDatabase::fileForDomain(std::string_view domain,
                                                                          const FileLocations& locations) {
    if (domain.empty() || domain == "." || domain == ".." || domain.find('/') != std::string_view::npos ||
        domain.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> folder = locations.configDirectory();
    if (!folder) return std::nullopt;
    return *folder / (std::string(domain) + ".plist");
}

PlistDefaultsDatabase& PlistDefaultsDatabase::standard() {
    static PlistDefaultsDatabase* const database = [] {
        std::string domain;
        if (std::shared_ptr<const BundleInfo> bundle = mainBundle(); bundle->bundleIdentifier) {
            domain = *bundle->bundleIdentifier;
        } else if (std::optional<std::filesystem::path> executable = currentExecutablePath()) {
            domain = executable->filename().string();
        }
        return new PlistDefaultsDatabase(domain, fileForDomain(domain, FileLocations()));
    }();
    return *database;
}

std::optional<PropertyValue> PlistDefaultsDatabase::object(std::string_view key) const {
    return state_->values.object(key);
}

void PlistDefaultsDatabase::set(PropertyValue value, std::string_view key) {
    std::lock_guard lock(state_->mutex);
    state_->values.set(std::move(value), key);
    state_->changed(state_, queue_.get());
}

void PlistDefaultsDatabase::removeObject(std::string_view key) {
    std::lock_guard lock(state_->mutex);
    state_->values.removeObject(key);
    state_->changed(state_, queue_.get());
}

void PlistDefaultsDatabase::registerDefaults(const PropertyDictionary& defaults) {
    state_->values.registerDefaults(defaults);
}

std::optional<PropertyDictionary> PlistDefaultsDatabase::persistentDomain(std::string_view name) const {
    return state_->values.persistentDomain(name);
}

void PlistDefaultsDatabase::flush() {
    if (queue_) queue_->sync([state = state_] { state->writeChanges(); });
}

const std::string& PlistDefaultsDatabase::domain() const { return state_->values.domain(); }
const std::optional<std::filesystem::path>& PlistDefaultsDatabase::file() const { return state_->file; }

std::error_code PlistDefaultsDatabase::lastWriteError() const {
    std::lock_guard lock(state_->mutex);
    return state_->lastWriteError;
}

}  // namespace platform
