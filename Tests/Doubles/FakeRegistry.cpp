#include "Doubles/FakeRegistry.h"

#include <algorithm>

using platform::Dictionary;
using platform::ParentIterator;
using platform::PropertiesResult;
using platform::RegistryObject;
using platform::Value;

FakeRegistry::FakeRegistry() { entries_[rootID] = Entry{"IORegistryEntry", {}, {}, {}}; }

void FakeRegistry::add(std::uint64_t id, Entry entry) {
    if (id == 0) return;
    std::lock_guard lock(mutex_);
    entries_[id] = std::move(entry);
    highestID_ = std::max(highestID_, id);
    generation_->fetch_add(1);
}

void FakeRegistry::add(std::uint64_t id, std::string className, std::vector<std::uint64_t> parents,
                       Dictionary properties, std::vector<std::string> superclasses) {
    add(id, Entry{std::move(className), std::move(superclasses), std::move(properties), std::move(parents)});
}

std::uint64_t FakeRegistry::add(Entry entry) {
    std::lock_guard lock(mutex_);
    auto id = ++highestID_;
    entries_[id] = std::move(entry);
    generation_->fetch_add(1);
    return id;
}

void FakeRegistry::remove(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    entries_.erase(id);
    generation_->fetch_add(1);
}

void FakeRegistry::setProperty(std::uint64_t id, std::string key, Value value) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(id);
    if (it != entries_.end()) it->second.properties.insert_or_assign(std::move(key), std::move(value));
}

void FakeRegistry::removeProperty(std::uint64_t id, const std::string& key) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(id);
    if (it != entries_.end()) it->second.properties.erase(key);
}

void FakeRegistry::setParents(std::uint64_t id, std::vector<std::uint64_t> parents) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(id);
    if (it != entries_.end()) it->second.parents = std::move(parents);
    generation_->fetch_add(1);
}

void FakeRegistry::setFaults(std::uint64_t id, Faults faults) {
    std::lock_guard lock(mutex_);
    faults_[id] = faults;
}

bool FakeRegistry::contains(std::uint64_t id) const {
    std::lock_guard lock(mutex_);
    return find(id) != nullptr;
}

std::size_t FakeRegistry::allPropertiesCalls() const {
    std::lock_guard lock(mutex_);
    std::size_t total = 0;
    for (const auto& [id, calls] : propertiesCalls_) total += calls;
    return total;
}

std::size_t FakeRegistry::allPropertiesCalls(std::uint64_t id) const {
    std::lock_guard lock(mutex_);
    auto it = propertiesCalls_.find(id);
    return it == propertiesCalls_.end() ? 0 : it->second;
}

const FakeRegistry::Entry* FakeRegistry::find(std::uint64_t id) const {
    auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : &it->second;
}

FakeRegistry::Faults FakeRegistry::faultsOf(std::uint64_t id) const {
    auto it = faults_.find(id);
    return it == faults_.end() ? Faults{} : it->second;
}

std::optional<RegistryObject> FakeRegistry::matchingEntryID(std::uint64_t entryID) {
    std::lock_guard lock(mutex_);
    if (!find(entryID) || faultsOf(entryID).notMatchable) return std::nullopt;
    return makeHandle(entryID);
}

std::optional<std::uint64_t> FakeRegistry::entryID(const RegistryObject& entry) {
    std::lock_guard lock(mutex_);
    if (!find(entry.reference()) || faultsOf(entry.reference()).entryIDUnreadable) return std::nullopt;
    return entry.reference();
}

bool FakeRegistry::conformsTo(const RegistryObject& entry, std::string_view className) {
    std::lock_guard lock(mutex_);
    auto found = find(entry.reference());
    if (!found) return false;
    if (className == "IORegistryEntry") return true;
    if (entry.reference() == rootID) return false;
    return className == found->className || className == "IOService" ||
           std::find(found->superclasses.begin(), found->superclasses.end(), className) != found->superclasses.end();
}

std::optional<std::string> FakeRegistry::className(const RegistryObject& entry) {
    std::lock_guard lock(mutex_);
    auto found = find(entry.reference());
    if (!found || faultsOf(entry.reference()).classNameUnreadable) return std::nullopt;
    return found->className;
}

std::optional<Value> FakeRegistry::property(const RegistryObject& entry, std::string_view key) {
    std::lock_guard lock(mutex_);
    auto found = find(entry.reference());
    if (!found) return std::nullopt;
    auto it = found->properties.find(key);
    if (it == found->properties.end()) return std::nullopt;
    return it->second;
}

PropertiesResult FakeRegistry::allProperties(const RegistryObject& entry) {
    if (propertiesHook_) propertiesHook_(entry.reference());
    std::lock_guard lock(mutex_);
    ++propertiesCalls_[entry.reference()];
    auto found = find(entry.reference());
    if (!found) return {platform::ReturnCode::noDevice, std::nullopt};
    auto faults = faultsOf(entry.reference());
    if (faults.propertiesCode) return {*faults.propertiesCode, std::nullopt};
    if (faults.propertiesWithoutDictionary) return {platform::ReturnCode::success, std::nullopt};
    return {platform::ReturnCode::success, found->properties};
}

std::optional<ParentIterator> FakeRegistry::parentIterator(const RegistryObject& entry, std::string_view plane) {
    std::lock_guard lock(mutex_);
    auto found = find(entry.reference());
    auto faults = faultsOf(entry.reference());
    if (plane != platform::servicePlane || !found || faults.parentIteratorFails) return std::nullopt;
    std::vector<RegistryObject> parents;
    for (auto id : found->parents) parents.push_back(makeHandle(id));
    auto start = generation_->load();
    return ParentIterator(std::move(parents), [generation = generation_, start, limit = faults.iteratorInvalidAfter](
                                                  std::size_t taken) {
        return generation->load() == start && (!limit || taken < *limit);
    });
}

std::optional<RegistryObject> FakeRegistry::parentEntry(const RegistryObject& entry, std::string_view plane) {
    std::lock_guard lock(mutex_);
    auto found = find(entry.reference());
    if (plane != platform::servicePlane || !found || faultsOf(entry.reference()).parentIteratorFails ||
        found->parents.empty())
        return std::nullopt;
    return makeHandle(found->parents.front());
}
