#include "UdevDiskSession.h"

#include "MountInfo.h"

namespace platform {

UdevDiskSession::UdevDiskSession(std::shared_ptr<const UdevDiskContext> context, MountTable mounts)
    : context_(std::move(context)), mounts_(std::move(mounts)) {}

// The monitor goes first: it stops before the rest of the session does.
UdevDiskSession::~UdevDiskSession() { monitor_.reset(); }

void UdevDiskSession::setMonitor(std::unique_ptr<DiskEventMonitor> monitor) { monitor_ = std::move(monitor); }

std::optional<UdevDiskSession::MountTable> UdevDiskSession::readMountTable(const std::string& mountInfoPath) {
    auto read = SysfsTree::readFile(mountInfoPath, 16 * 1024 * 1024);
    if (!read.text) return std::nullopt;
    // The same choice as mountPointOf: the first mount of the file system's root, else the first.
    MountTable table;
    std::map<std::pair<unsigned, unsigned>, bool> ofRoot;
    for (const auto& entry : parseMountInfo(*read.text)) {
        std::pair device{entry.major, entry.minor};
        auto [it, inserted] = table.try_emplace(device, entry.mountPoint);
        bool root = entry.root == "/";
        if (inserted) {
            ofRoot[device] = root;
        } else if (root && !ofRoot[device]) {
            it->second = entry.mountPoint;
            ofRoot[device] = true;
        }
    }
    return table;
}

DiskPtr UdevDiskSession::diskFromBSDName(const std::string& name) { return UdevDisk::make(context_, name); }

DiskPtr UdevDiskSession::diskFromVolumePath(const std::string& path) {
    auto read = SysfsTree::readFile(context_->mountInfoPath, 16 * 1024 * 1024);
    if (!read.text || path.empty()) return nullptr;
    std::string wanted = path;
    while (wanted.size() > 1 && wanted.back() == '/') wanted.pop_back();
    // The last mount on a path is the one visible there.
    const MountEntry* visible = nullptr;
    auto entries = parseMountInfo(*read.text);
    for (const auto& entry : entries)
        if (entry.mountPoint == wanted) visible = &entry;
    if (!visible) return nullptr;
    auto name = context_->tree.blockNameOf(visible->major, visible->minor);
    return name ? UdevDisk::make(context_, *name) : nullptr;
}

std::vector<DiskPtr> UdevDiskSession::presentDisks() {
    std::vector<DiskPtr> disks;
    auto names = context_->udev->blockDevices();
    if (!names) return disks;
    for (const auto& name : *names)
        if (auto disk = UdevDisk::make(context_, name)) disks.push_back(std::move(disk));
    return disks;
}

void UdevDiskSession::handleDeviceEvent(const UdevEvent& event) {
    if (!SysfsTree::isKernelName(event.name)) return;
    if (event.action == "remove") {
        // A device that comes back under this name is a new device with new entry ids.
        context_->registry->forgetDisk(event.name);
        postDisappeared(UdevDisk::gone(context_, event.name));
        return;
    }
    context_->registry->noteDeviceTreeChanged();
    auto disk = UdevDisk::make(context_, event.name);
    if (event.action == "add") {
        if (disk) postAppeared(std::move(disk));
    } else if (disk) {
        postDescriptionChanged(std::move(disk), {});
    } else {
        postDisappeared(UdevDisk::gone(context_, event.name));
    }
}

void UdevDiskSession::handleMountTableChange() {
    auto table = readMountTable(context_->mountInfoPath);
    if (!table) return;
    std::vector<std::pair<unsigned, unsigned>> changed;
    {
        std::lock_guard lock(mountsMutex_);
        for (const auto& [device, mountPoint] : *table) {
            auto old = mounts_.find(device);
            if (old == mounts_.end() || old->second != mountPoint) changed.push_back(device);
        }
        for (const auto& [device, mountPoint] : mounts_)
            if (!table->count(device)) changed.push_back(device);
        mounts_ = std::move(*table);
    }
    for (auto [major, minor] : changed) {
        if (major == 0) continue;  // pseudo file systems
        auto name = context_->tree.blockNameOf(major, minor);
        if (!name) continue;
        if (auto disk = UdevDisk::make(context_, *name))
            postDescriptionChanged(std::move(disk), {DescriptionKey::volumePath});
    }
}

}  // namespace platform
