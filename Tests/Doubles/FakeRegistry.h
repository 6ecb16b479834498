#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Disks/Registry.h"

// An in-memory device registry with fault injection. It starts with the root entry
// (class "IORegistryEntry", id rootID, no parents). Every other entry conforms to its class, its
// listed superclasses, "IOService" and "IORegistryEntry". Changing the graph (add, remove,
// setParents) turns parent iterators made before invalid.
class FakeRegistry final : public platform::Registry {
public:
    static constexpr std::uint64_t rootID = 1;

    struct Entry {
        std::string className;
        std::vector<std::string> superclasses;
        platform::Dictionary properties;
        std::vector<std::uint64_t> parents;  // service plane, in this order
    };

    struct Faults {
        bool entryIDUnreadable = false;
        bool classNameUnreadable = false;
        bool notMatchable = false;         // matchingEntryID does not find it
        bool parentIteratorFails = false;  // parentIterator and parentEntry give nothing
        std::optional<std::size_t> iteratorInvalidAfter;  // the iterator turns invalid after k parents
        std::optional<std::int32_t> propertiesCode;       // allProperties fails with this code
        bool propertiesWithoutDictionary = false;         // allProperties succeeds with no dictionary
    };

    FakeRegistry();

    // Adds or replaces the entry `id` (never 0).
    void add(std::uint64_t id, Entry entry);
    void add(std::uint64_t id, std::string className, std::vector<std::uint64_t> parents,
             platform::Dictionary properties = {}, std::vector<std::string> superclasses = {});
    // Adds with an id never used before, and returns it.
    std::uint64_t add(Entry entry);
    void remove(std::uint64_t id);
    void setProperty(std::uint64_t id, std::string key, platform::Value value);
    void removeProperty(std::uint64_t id, const std::string& key);
    void setParents(std::uint64_t id, std::vector<std::uint64_t> parents);
    void setFaults(std::uint64_t id, Faults faults);
    bool contains(std::uint64_t id) const;

    // Runs at the start of every allProperties call, with the entry's id (a test's stalled read).
    void setPropertiesHook(std::function<void(std::uint64_t id)> hook) { propertiesHook_ = std::move(hook); }

    // Calls of allProperties, in all and for one entry.
    std::size_t allPropertiesCalls() const;
    std::size_t allPropertiesCalls(std::uint64_t id) const;

    std::optional<platform::RegistryObject> matchingEntryID(std::uint64_t entryID) override;
    std::optional<std::uint64_t> entryID(const platform::RegistryObject& entry) override;
    bool conformsTo(const platform::RegistryObject& entry, std::string_view className) override;
    std::optional<std::string> className(const platform::RegistryObject& entry) override;
    std::optional<platform::Value> property(const platform::RegistryObject& entry, std::string_view key) override;
    platform::PropertiesResult allProperties(const platform::RegistryObject& entry) override;
    std::optional<platform::ParentIterator> parentIterator(const platform::RegistryObject& entry,
                                                           std::string_view plane) override;
    std::optional<platform::RegistryObject> parentEntry(const platform::RegistryObject& entry,
                                                        std::string_view plane) override;

private:
    const Entry* find(std::uint64_t id) const;  // with mutex_ held
    Faults faultsOf(std::uint64_t id) const;    // with mutex_ held

    mutable std::mutex mutex_;
    std::map<std::uint64_t, Entry> entries_;
    std::map<std::uint64_t, Faults> faults_;
    std::map<std::uint64_t, std::size_t> propertiesCalls_;
    std::uint64_t highestID_ = rootID;
    std::function<void(std::uint64_t)> propertiesHook_;  // set before use, read without the lock
    std::shared_ptr<std::atomic<std::uint64_t>> generation_ = std::make_shared<std::atomic<std::uint64_t>>(0);
};
