#include "MemoryDefaultsDatabase.h"

#include <utility>

#include "PropertyList.h"

namespace platform {

MemoryDefaultsDatabase::MemoryDefaultsDatabase(std::string domain, PropertyDictionary stored)
    : domain_(std::move(domain)), stored_(std::move(stored)) {}

std::optional<PropertyValue> MemoryDefaultsDatabase::object(std::string_view key) const {
    std::lock_guard lock(mutex_);
    if (auto found = stored_.find(key); found != stored_.end()) return found->second;
    if (auto found = registered_.find(key); found != registered_.end()) return found->second;
    return std::nullopt;
}

void MemoryDefaultsDatabase::set(PropertyValue value, std::string_view key) {
    if (key.find('\0') != std::string_view::npos) throw PropertyListError("property-list keys cannot hold NUL");
    PropertyList::check(value);
    std::lock_guard lock(mutex_);
    stored_.insert_or_assign(std::string(key), std::move(value));
}

void MemoryDefaultsDatabase::removeObject(std::string_view key) {
    std::lock_guard lock(mutex_);
    if (auto found = stored_.find(key); found != stored_.end()) stored_.erase(found);
}

void MemoryDefaultsDatabase::registerDefaults(const PropertyDictionary& defaults) {
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : defaults) registered_.insert_or_assign(key, value);
}

std::optional<PropertyDictionary> MemoryDefaultsDatabase::persistentDomain(std::string_view name) const {
    if (name != domain_) return std::nullopt;
    std::lock_guard lock(mutex_);
    return stored_;
}

}  // namespace platform
