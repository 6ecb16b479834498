#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ParentIterator.h"
#include "RegistryObject.h"
#include "ReturnCode.h"
#include "Value.h"

namespace platform {

// The plane in which an entry's parents are its providers.
inline constexpr std::string_view servicePlane = "IOService";

struct PropertiesResult {
    std::int32_t code = ReturnCode::success;
    std::optional<Dictionary> properties;  // may be absent even on success
};

// The device registry: a graph of entries, each with a registry entry id (never 0, never reused
// within a run), an exact class name, the classes it conforms to (its own, its superclasses,
// always "IOService" and "IORegistryEntry"; the root conforms to "IORegistryEntry" only), typed
// properties and an ordered list of parents in the service plane.
//
// All calls are safe from any thread. Lookups fail (absent) when the entry is gone.
class Registry {
public:
    virtual ~Registry() = default;

    virtual std::optional<RegistryObject> matchingEntryID(std::uint64_t entryID) = 0;
    virtual std::optional<std::uint64_t> entryID(const RegistryObject& entry) = 0;
    virtual bool conformsTo(const RegistryObject& entry, std::string_view className) = 0;
    virtual std::optional<std::string> className(const RegistryObject& entry) = 0;
    virtual std::optional<Value> property(const RegistryObject& entry, std::string_view key) = 0;
    // Every property at once; the code tells why a read failed.
    virtual PropertiesResult allProperties(const RegistryObject& entry) = 0;
    // Absent when the plane is not the service plane or the parents cannot be read.
    virtual std::optional<ParentIterator> parentIterator(const RegistryObject& entry, std::string_view plane) = 0;
    // The first parent only.
    virtual std::optional<RegistryObject> parentEntry(const RegistryObject& entry, std::string_view plane) = 0;

    // Handles made by this registry that are still alive.
    std::int64_t outstandingHandles() const { return handles_->load(std::memory_order_relaxed); }

protected:
    RegistryObject makeHandle(std::uint64_t reference) const { return RegistryObject(reference, handles_); }

private:
    RegistryObject::Counter handles_ = std::make_shared<std::atomic<std::int64_t>>(0);
};

}  // namespace platform
