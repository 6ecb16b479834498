#include "PlistDefaultsDatabase.h"

#include <utility>

#include "AtomicFile.h"
#include "BoundedRead.h"
#include "BundleInfo.h"
#include "PropertyList.h"

namespace platform {

namespace {

PropertyDictionary load(const std::optional<std::filesystem::path>& file) {
    if (!file) return {};
    BoundedRead contents = readBounded(*file, PlistDefaultsDatabase::maximumFileSize);
    if (contents.status != BoundedReadStatus::read) return {};
    std::optional<PropertyValue> root = PropertyList::parse(contents.bytes);
    if (!root || !root->is<PropertyDictionary>()) return {};
    return *root->get<PropertyDictionary>();
}

}  // namespace

PlistDefaultsDatabase::PlistDefaultsDatabase(std::string domain, std::optional<std::filesystem::path> file)
    : file_(std::move(file)), values_(std::move(domain), load(file_)) {}

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
    static PlistDefaultsDatabase database = [] {
        std::string domain;
        if (std::shared_ptr<const BundleInfo> bundle = mainBundle(); bundle->bundleIdentifier) {
            domain = *bundle->bundleIdentifier;
        } else if (std::optional<std::filesystem::path> executable = currentExecutablePath()) {
            domain = executable->filename().string();
        }
        return PlistDefaultsDatabase(domain, fileForDomain(domain, FileLocations()));
    }();
    return database;
}

std::optional<PropertyValue> PlistDefaultsDatabase::object(std::string_view key) const { return values_.object(key); }

void PlistDefaultsDatabase::set(PropertyValue value, std::string_view key) {
    std::lock_guard lock(writeMutex_);
    values_.set(std::move(value), key);
    write();
}

void PlistDefaultsDatabase::removeObject(std::string_view key) {
    std::lock_guard lock(writeMutex_);
    values_.removeObject(key);
    write();
}

void PlistDefaultsDatabase::registerDefaults(const PropertyDictionary& defaults) { values_.registerDefaults(defaults); }

std::optional<PropertyDictionary> PlistDefaultsDatabase::persistentDomain(std::string_view name) const {
    return values_.persistentDomain(name);
}

std::error_code PlistDefaultsDatabase::lastWriteError() const {
    std::lock_guard lock(writeMutex_);
    return lastWriteError_;
}

void PlistDefaultsDatabase::write() {
    if (!file_) return;
    try {
        PropertyDictionary stored = values_.persistentDomain(values_.domain()).value_or(PropertyDictionary{});
        AtomicFile::write(*file_, PropertyList::serialize(PropertyValue(std::move(stored)), PropertyListFormat::binary));
        lastWriteError_ = {};
    } catch (const AtomicFileError& error) {
        lastWriteError_ = error.code();
    } catch (const PropertyListError&) {
        lastWriteError_ = std::make_error_code(std::errc::invalid_argument);
    }
}

}  // namespace platform
