#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "DiskEventMonitor.h"
#include "Platform/Disks/DiskSession.h"
#include "UdevDisk.h"

namespace platform {

// A disk session on Linux: udev's block-device events become appeared, disappeared and
// description-changed deliveries, and a change of the mount table becomes a description change
// (key volumePath) for each device whose mount point changed. Made by UdevDiskArbitration.
class UdevDiskSession final : public DiskSession {
public:
    DiskPtr diskFromBSDName(const std::string& name) override;
    DiskPtr diskFromVolumePath(const std::string& path) override;

    // Called by the monitor thread, or by tests that drive the session themselves.
    void handleDeviceEvent(const UdevEvent& event);
    void handleMountTableChange();

    using MountTable = std::map<std::pair<unsigned, unsigned>, std::string>;
    UdevDiskSession(std::shared_ptr<const UdevDiskContext> context, MountTable mounts);  // use the arbitration
    ~UdevDiskSession() override;
    void setMonitor(std::unique_ptr<DiskEventMonitor> monitor);

    static std::optional<MountTable> readMountTable(const std::string& mountInfoPath);

protected:
    std::vector<DiskPtr> presentDisks() override;

private:
    std::shared_ptr<const UdevDiskContext> context_;
    std::mutex mountsMutex_;
    MountTable mounts_;
    std::unique_ptr<DiskEventMonitor> monitor_;
};

}  // namespace platform
