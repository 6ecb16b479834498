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
// (key volumePath) for each device whose mount point changed. When udev events were lost, the
// block devices are scanned again and the differences against the disks known to the session are
// reported. Made by UdevDiskArbitration.
class UdevDiskSession final : public DiskSession {
public:
    DiskPtr diskFromBSDName(const std::string& name) override;
    DiskPtr diskFromVolumePath(const std::string& path) override;

    // Called by the monitor thread, or by tests that drive the session themselves.
    // Reads what waits at the udev source (at most maximumDrain messages).
    void handleUdevReadable();
    void handleDeviceEvent(const UdevEvent& event);
    // Events were lost: every block device present is compared with the disks known. New ones
    // appear, missing and replaced ones disappear (and their registry entries are retired).
    void rescan();
    // False when the mount table could not be read.
    bool handleMountTableChange();

    static constexpr int maximumDrain = 4096;

    using MountTable = std::map<std::pair<unsigned, unsigned>, std::string>;
    UdevDiskSession(std::shared_ptr<const UdevDiskContext> context, MountTable mounts);  // use the arbitration
    ~UdevDiskSession() override;
    void setMonitor(std::unique_ptr<DiskEventMonitor> monitor);

    static std::optional<MountTable> readMountTable(const UdevDiskContext& context);

protected:
    std::vector<DiskPtr> presentDisks() override;

private:
    void noteKnown(const std::string& name, std::uint64_t mediaID);
    void forgetKnown(const std::string& name);

    std::shared_ptr<const UdevDiskContext> context_;
    std::mutex mountsMutex_;
    MountTable mounts_;
    std::mutex knownMutex_;
    std::map<std::string, std::uint64_t> known_;  // disks reported as present, with their media ids
    std::unique_ptr<DiskEventMonitor> monitor_;
};

}  // namespace platform
