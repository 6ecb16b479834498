#pragma once

#include <memory>

#include "Platform/Disks/DiskArbitration.h"
#include "LinuxDiskEnvironment.h"
#include "SysfsReadBatch.h"
#include "SysfsRegistry.h"
#include "UdevDiskSession.h"

namespace platform {

// The disk service on Linux: sessions over udev, sysfs and the mount table, and the registry
// synthesised from sysfs. Every session shares the one registry, so entry ids stay unique.
class UdevDiskArbitration final : public DiskArbitration {
public:
    static std::shared_ptr<UdevDiskArbitration> make(LinuxDiskEnvironment environment);

    // Null when the event source cannot be set up: no udev daemon, no udev connection, sysfs or
    // the mount table unreadable, the device scan failing, or no monitor thread.
    DiskSessionPtr createSession() override { return openSession(); }
    std::shared_ptr<UdevDiskSession> openSession();

    std::shared_ptr<Registry> registry() override { return registry_; }
    std::unique_ptr<ReadBatch> beginReadBatch() override { return SysfsReadBatch::open(); }
    const std::shared_ptr<SysfsRegistry>& sysfsRegistry() const { return registry_; }

    explicit UdevDiskArbitration(LinuxDiskEnvironment environment);  // use make()

private:
    LinuxDiskEnvironment environment_;
    SysfsTree tree_;
    std::shared_ptr<SysfsRegistry> registry_;
};

}  // namespace platform
