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

// What one receive from the udev monitor gave.
struct UdevReceipt {
    enum class Kind {
        event,       // one event, in `event`
        ignored,     // a message that was dropped (not sent by udev, filtered out); more may wait
        overflowed,  // the receive buffer had overflowed: events were lost
        drained,     // nothing more waits
    };
    Kind kind = Kind::drained;
    UdevEvent event;
};

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
    // The next message waiting; never blocks.
    virtual UdevReceipt receive() = 0;
};

}  // namespace platform
