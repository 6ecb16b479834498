#include "UdevDiskSession.h"

namespace platform {

UdevDiskSession::UdevDiskSession(std::shared_ptr<const UdevDiskContext> context, MountTable mounts)
    : context_(std::move(context)), mounts_(std::move(mounts)) {}

// The monitor goes first: it stops before the rest of the session does.
UdevDiskSession::~UdevDiskSession() { monitor_.reset(); }

void UdevDiskSession::setMonitor(std::unique_ptr<DiskEventMonitor> monitor) { monitor_ = std::move(monitor); }

std::optional<UdevDiskSession::MountTable> UdevDiskSession::readMountTable(const UdevDiskContext& context) {
    auto entries = readMountEntries(context);
    if (!entries) return std::nullopt;
    // The same choice as mountPointOf: the first mount of the file system's root, else the first.
    MountTable table;
    std::map<std::pair<unsigned, unsigned>, bool> ofRoot;
    for (const auto& entry : *entries) {
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
    auto entries = path.empty() ? std::nullopt : readMountEntries(*context_);
    if (!entries) return nullptr;
    std::string wanted = path;
    while (wanted.size() > 1 && wanted.back() == '/') wanted.pop_back();
    // The last mount on a path is the one visible there.
    const MountEntry* visible = nullptr;
    for (const auto& entry : *entries)
        if (entry.mountPoint == wanted) visible = &entry;
    if (!visible) return nullptr;
    auto name = context_->tree.blockNameOf(visible->major, visible->minor);
    return name ? UdevDisk::make(context_, *name) : nullptr;
}

std::vector<DiskPtr> UdevDiskSession::presentDisks() {
    std::vector<DiskPtr> disks;
    auto names = context_->udev->blockDevices();
    if (!names) return disks;
    std::map<std::string, std::uint64_t> present;
    for (const auto& name : *names) {
        auto disk = UdevDisk::make(context_, name);
        if (!disk) continue;
        present.emplace(name, disk->mediaID());
        disks.push_back(std::move(disk));
    }
    std::lock_guard lock(knownMutex_);
    known_ = std::move(present);
    return disks;
}

void UdevDiskSession::noteKnown(const std::string& name, std::uint64_t mediaID) {
    std::lock_guard lock(knownMutex_);
    known_.insert_or_assign(name, mediaID);
}

void UdevDiskSession::forgetKnown(const std::string& name) {
    std::lock_guard lock(knownMutex_);
    known_.erase(name);
}

void UdevDiskSession::handleUdevReadable() {
    bool overflowed = false;
    for (int received = 0; received < maximumDrain; ++received) {
        auto receipt = context_->udev->receive();
        if (receipt.kind == UdevReceipt::Kind::drained) break;
        if (receipt.kind == UdevReceipt::Kind::overflowed) overflowed = true;
        if (receipt.kind == UdevReceipt::Kind::event) handleDeviceEvent(receipt.event);
    }
    if (overflowed) {
        context_->log.notice("udev events were dropped; the disks are scanned again");
        rescan();
    }
}

void UdevDiskSession::handleDeviceEvent(const UdevEvent& event) {
    if (!SysfsTree::isKernelName(event.name)) return;
    if (event.action == "remove") {
        // A device that comes back under this name is a new device with new entry ids.
        context_->registry->forgetDisk(event.name);
        forgetKnown(event.name);
        postDisappeared(UdevDisk::gone(context_, event.name));
        return;
    }
    context_->registry->noteDeviceTreeChanged();
    auto disk = UdevDisk::make(context_, event.name);
    if (!disk) {
        if (event.action != "add") {
            forgetKnown(event.name);
            postDisappeared(UdevDisk::gone(context_, event.name));
        }
        return;
    }
    noteKnown(event.name, disk->mediaID());
    if (event.action == "add")
        postAppeared(std::move(disk));
    else
        postDescriptionChanged(std::move(disk), {});
}

void UdevDiskSession::rescan() {
    auto names = context_->udev->blockDevices();
    if (!names) {
        context_->log.error("The block devices could not be listed after lost udev events");
        return;
    }
    context_->registry->noteDeviceTreeChanged();
    std::map<std::string, std::uint64_t> present;
    for (const auto& name : *names)
        if (auto disk = UdevDisk::make(context_, name)) present.emplace(name, disk->mediaID());

    std::vector<std::string> gone;
    std::vector<std::string> added;
    {
        std::lock_guard lock(knownMutex_);
        for (const auto& [name, mediaID] : known_) {
            auto now = present.find(name);
            if (now == present.end() || now->second != mediaID) gone.push_back(name);
        }
        for (const auto& [name, mediaID] : present) {
            auto before = known_.find(name);
            if (before == known_.end() || before->second != mediaID) added.push_back(name);
        }
    }
    for (const auto& name : gone) {
        context_->registry->forgetDisk(name);
        forgetKnown(name);
        postDisappeared(UdevDisk::gone(context_, name));
    }
    // Made again after the forgetting: a disk that replaced another under its name gets new ids.
    for (const auto& name : added) {
        auto disk = UdevDisk::make(context_, name);
        if (!disk) continue;
        noteKnown(name, disk->mediaID());
        postAppeared(std::move(disk));
    }
}

bool UdevDiskSession::handleMountTableChange() {
    auto table = readMountTable(*context_);
    if (!table) return false;
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
    return true;
}

}  // namespace platform
