#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One udev event of the block subsystem.
struct UdevEvent {
    std::string action;  // "add", "remove", "change", ...
    std::string name;    // kernel name, e.g. sdb1
};

using UdevProperties = std::map<std::string, std::string, std::less<>>;

// What the Linux disk backend needs of udev. The real one is LibudevSource; tests supply their
// own so the backend runs on fixture trees without a udev daemon. Calls may come from the
// session's monitor thread and from the queue the session reports on.
class UdevSource {
public:
    virtual ~UdevSource() = default;

    // Kernel names of every block device (disks and partitions); absent when the scan fails.
    virtual std::optional<std::vector<std::string>> blockDevices() = 0;
    // The device's udev properties (ID_FS_TYPE, ID_MODEL_ENC, ...); empty when unknown.
    virtual UdevProperties properties(const std::string& name) = 0;
    // A descriptor that turns readable when events are waiting, or -1 when events are handed to
    // the session directly.
    virtual int monitorDescriptor() const = 0;
    // The events waiting now.
    virtual std::vector<UdevEvent> receiveEvents() = 0;
};

}  // namespace platform
