// Snapshot intake and the device selection.

#include <algorithm>
#include <string_view>

#include "ObserverStorePrivate.h"

namespace quentrel {

using platform::Date;
using wendmark::DeviceSnapshot;
using wendmark::InventorySnapshot;
using wendmark::SessionEndReason;

namespace {

const DeviceSnapshot* findDevice(const InventorySnapshot& snapshot, std::string_view id) {
    for (const auto& device : snapshot.devices)
        if (device.id == id) return &device;
    return nullptr;
}

// Keeps the first device of each id. The inventory builds one record per id, so this only guards
// against a faulty source; without duplicates nothing is copied or moved.
void dropDuplicateIDs(std::vector<DeviceSnapshot>& devices) {
    for (std::size_t i = 1; i < devices.size();) {
        bool seen = false;
        for (std::size_t j = 0; j < i && !seen; ++j) seen = devices[j].id == devices[i].id;
        if (seen) {
            devices.erase(devices.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

bool mountsBSDName(const DeviceSnapshot& device, const std::string& bsdName) {
    for (const auto& volume : device.volumes)
        if (volume.isMounted && volume.bsdName == bsdName) return true;
    return false;
}

// Whether the two devices have the same set of mounted BSD names.
bool sameMountedVolumes(const DeviceSnapshot& a, const DeviceSnapshot& b) {
    for (const auto& volume : a.volumes)
        if (volume.isMounted && !mountsBSDName(b, volume.bsdName)) return false;
    for (const auto& volume : b.volumes)
        if (volume.isMounted && !mountsBSDName(a, volume.bsdName)) return false;
    return true;
}

}  // namespace

void ObserverStorePrivate::receive(InventorySnapshot incoming) {
    // An older snapshot that overtook a newer one on its way here.
    if (incoming.revision && snapshot_.revision && *incoming.revision < *snapshot_.revision) return;

    ChangeBatch batch(*this);
    dropDuplicateIDs(incoming.devices);

    if (initialSnapshotReceived_ && snapshot_.sessionAvailable && incoming.sessionAvailable) {
        logDeviceEvents(snapshot_, incoming);
    }

    // The session of a device that vanished; an unavailable disk session says nothing about that.
    if (const auto& deviceID = sessionAccumulator_.deviceID();
        deviceID && incoming.sessionAvailable && !findDevice(incoming, *deviceID)) {
        finishSession(SessionEndReason::disconnected, incoming.capturedAt);
    }

    publish();
    snapshot_ = std::move(incoming);
    historyReferenceDate_ = snapshot_.capturedAt;

    std::vector<std::string> matches;
    if (rememberedTarget_) matches = rememberedTarget_->matchingIDs(snapshot_.devices);
    if (!rememberedTarget_) {
        targetStatus_ = ObserverStore::noTargetStatus;
    } else if (matches.size() == 1) {
        targetStatus_ = ObserverStore::targetFoundStatus;
    } else if (matches.empty()) {
        targetStatus_ = ObserverStore::targetWaitingStatus;
    } else {
        targetStatus_ = ObserverStore::targetAmbiguousStatus;
    }

    // Without a disk session the device list is empty or stale: the selection stays as it is, so
    // that no work session ends because the session was lost.
    if (snapshot_.sessionAvailable) selectAutomatically(matches);
    initialSnapshotReceived_ = true;

    updateConnectionMonitoring(snapshot_);
    updateSessionSelection(snapshot_.capturedAt);

    const std::vector<wendmark::ObservedInterval> intervals = activityHistory_.ingest(
        snapshot_, selectedID_ ? std::optional<std::string_view>(*selectedID_) : std::nullopt);
    ++historyGeneration_;  // wraps at 2^64

    for (const auto& interval : intervals) {
        const double now = monotonicNow_();
        if (auto ended = sessionAccumulator_.ingest(interval, now)) {
            retainSession(*ended);
            checkpoint();
        }
    }
    sessionAccumulator_.advance(snapshot_.capturedAt, monotonicNow_());

    // Written so that a NaN difference is not due.
    if (currentSession() && monotonicNow_() - lastCheckpoint_ >= ObserverStore::checkpointInterval) checkpoint();

    if (sampling_.enabled && !snapshot_.devices.empty()) {
        Date latest = snapshot_.devices.front().activity.measuredAt;
        for (const auto& device : snapshot_.devices) latest = std::max(latest, device.activity.measuredAt);
        if (latest != lastPolicySample_) {
            kindScratch_.clear();
            for (const auto& device : snapshot_.devices) kindScratch_.push_back(device.activity.kind);
            policy_.observe(kindScratch_);
            lastPolicySample_ = latest;
            updateSampling(false);
        }
    }
}

void ObserverStorePrivate::logDeviceEvents(const InventorySnapshot& held, const InventorySnapshot& incoming) {
    for (const auto& device : held.devices)
        if (!findDevice(incoming, device.id)) addEvent(ObserverStore::deviceDisappearedEvent);
    for (const auto& device : incoming.devices)
        if (!findDevice(held, device.id)) addEvent(ObserverStore::deviceAppearedEvent);
    for (const auto& device : held.devices) {
        const DeviceSnapshot* now = findDevice(incoming, device.id);
        if (now && !sameMountedVolumes(device, *now)) addEvent(ObserverStore::volumeStateChangedEvent);
    }
}

void ObserverStorePrivate::selectAutomatically(const std::vector<std::string>& matches) {
    const bool automatic = selectedID_ == automaticallySelectedID_;
    if (rememberedTarget_ && matches.size() != 1 && automatic) {
        selectedID_.reset();
        automaticallySelectedID_.reset();
    }
    if (selectedID_ && findDevice(snapshot_, *selectedID_)) return;
    if (!rememberedTarget_) {
        selectedID_ = snapshot_.devices.size() == 1 ? std::optional(snapshot_.devices.front().id) : std::nullopt;
    } else {
        selectedID_ = matches.size() == 1 ? std::optional(matches.front()) : std::nullopt;
    }
    automaticallySelectedID_ = selectedID_;
}

void ObserverStorePrivate::selectDevice(const std::string& id) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::select(id));
        return;
    }
    if (!findDevice(snapshot_, id)) return;
    automaticallySelectedID_.reset();
    publish();
    selectedID_ = id;
    updateSessionSelection(currentDate());
}

void ObserverStorePrivate::updateSessionSelection(Date date) {
    const double now = monotonicNow_();
    // An unchanged selection leaves the accumulator as it is: nothing to publish.
    if (selectedID_ != sessionAccumulator_.deviceID()) publish();
    if (auto ended = sessionAccumulator_.select(selectedID_, date, now)) {
        retainSession(*ended);
        checkpoint();
    }
}

}  // namespace quentrel
