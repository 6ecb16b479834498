#pragma once

#include <map>
#include <optional>

#include "Value.h"

namespace platform {

// The keys of a disk description and the kind of value each holds.
enum class DescriptionKey {
    deviceInternal,  // Boolean: the device sits inside the machine
    mediaWhole,      // Boolean: the whole disk, not a partition
    deviceModel,     // string, as the device reports it (may be padded)
    deviceProtocol,  // string: the bus, e.g. "USB"
    mediaSize,       // unsigned number: bytes
    volumeName,      // string
    volumeKind,      // string: the file-system type
    volumePath,      // URL: the mount point
    volumeUUID,      // UUID
    mediaContent,    // string: partition type or partition-scheme name
};

// One snapshot of what is known about a disk; keys that do not apply are absent.
class DiskDescription {
public:
    const Value* value(DescriptionKey key) const {
        auto it = values_.find(key);
        return it == values_.end() ? nullptr : &it->second;
    }
    void set(DescriptionKey key, Value value) { values_.insert_or_assign(key, std::move(value)); }
    void erase(DescriptionKey key) { values_.erase(key); }
    bool empty() const { return values_.empty(); }
    const std::map<DescriptionKey, Value>& values() const { return values_; }

    bool operator==(const DiskDescription&) const = default;

private:
    std::map<DescriptionKey, Value> values_;
};

}  // namespace platform
