#include "DiskInventory.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

#include "Platform/Dispatch/ThreadSerialQueue.h"

namespace wendmark {

using platform::DescriptionKey;

// Construction and operations

std::shared_ptr<DiskInventory> DiskInventory::make(Handler handler) { return make(std::move(handler), {}); }

std::shared_ptr<DiskInventory> DiskInventory::make(Handler handler, Environment environment) {
    return std::shared_ptr<DiskInventory>(new DiskInventory(std::move(handler), std::move(environment)));
}

DiskInventory::DiskInventory(Handler handler, Environment environment)
    : queue_(environment.queue ? std::move(environment.queue) : platform::ThreadSerialQueue::make(queueLabel)),
      handler_(std::move(handler)),
      arbitration_(environment.arbitration ? std::move(environment.arbitration) : platform::DiskArbitration::shared()),
      registry_(arbitration_->registry()),
      now_(environment.now ? std::move(environment.now) : &platform::Date::now),
      uptime_(environment.uptime ? std::move(environment.uptime) : &platform::systemUptime) {}

void DiskInventory::submit(void (DiskInventory::*work)()) {
    // The block keeps the inventory alive until it has run, also when it releases the callback
    // context (stop).
    queue_->async([self = shared_from_this(), work] { ((*self).*work)(); });
}

void DiskInventory::start() { submit(&DiskInventory::startOnQueue); }

void DiskInventory::stop() { submit(&DiskInventory::stopOnQueue); }

void DiskInventory::setSampling(bool enabled, double interval) {
    queue_->async([self = shared_from_this(), enabled, interval] { self->setSamplingOnQueue(enabled, interval); });
}

void DiskInventory::refresh() {
    queue_->async([self = shared_from_this()] {
        if (self->running_) self->rebuild(self->samplingEnabled_);
    });
}

void DiskInventory::refreshMetadata() { submit(&DiskInventory::refreshMetadataOnQueue); }

void DiskInventory::resetActivity() { submit(&DiskInventory::resetActivityOnQueue); }

// Session callbacks

void DiskInventory::diskAppeared(const platform::Disk& disk, void* context) {
    if (!context) return;
    // The context is registered only while the callback context holds the inventory.
    auto inventory = static_cast<DiskInventory*>(context)->shared_from_this();
    inventory->appeared(disk);
}

void DiskInventory::diskDisappeared(const platform::Disk& disk, void* context) {
    if (!context) return;
    auto inventory = static_cast<DiskInventory*>(context)->shared_from_this();
    inventory->disappeared(disk);
}

void DiskInventory::diskDescriptionChanged(const platform::Disk& disk, const std::vector<DescriptionKey>& keys,
                                           void* context) {
    (void)keys;
    if (!context) return;
    auto inventory = static_cast<DiskInventory*>(context)->shared_from_this();
    inventory->appeared(disk);
}

// Work on the queue

void DiskInventory::startOnQueue() {
    if (running_) return;
    platform::DiskSessionPtr session = arbitration_->createSession();
    if (!session) {
        if (handler_)
            handler_(InventorySnapshot{{}, now_(), sessionFailedStatus, false, 0, std::nullopt, std::nullopt});
        return;
    }

    session_ = std::move(session);
    running_ = true;
    callbackContext_ = shared_from_this();
    void* context = callbackContext_.get();
    session_->registerDiskAppeared(&diskAppeared, context);
    session_->registerDiskDisappeared(&diskDisappeared, context);
    session_->registerDiskDescriptionChanged(&diskDescriptionChanged, context);
    // Every disk already present is reported through the appeared callback now.
    session_->setDispatchQueue(queue_);

    configureTimer();
    // Also when no disk is present, a first snapshot comes 200 ms after the last event of the start.
    scheduleRebuild();
}

void DiskInventory::stopOnQueue() {
    running_ = false;
    if (timer_) timer_->cancel();
    timer_.reset();
    if (pendingRebuild_) pendingRebuild_->cancel();
    pendingRebuild_.reset();

    if (session_ && callbackContext_) {
        void* context = callbackContext_.get();
        session_->unregisterCallback(&diskAppeared, context);
        session_->unregisterCallback(&diskDisappeared, context);
        session_->unregisterCallback(&diskDescriptionChanged, context);
        session_->setDispatchQueue(nullptr);
        session_.reset();
        // The block running this still holds the inventory until it returns.
        callbackContext_.reset();
    }

    records_.clear();
    tracker_.reset();
    latestSamples_.clear();
    latestCounters_.clear();
    latestAccess_.clear();
}

void DiskInventory::setSamplingOnQueue(bool enabled, double interval) {
    // At least one second; NaN also gives one second.
    const double newInterval = interval >= minimumInterval ? interval : minimumInterval;
    const bool switched = enabled != samplingEnabled_;
    if (switched) {
        tracker_.reset();
    } else if (newInterval == interval_) {
        return;  // the timer keeps running unchanged
    }
    samplingEnabled_ = enabled;
    interval_ = newInterval;
    configureTimer();
    // The first reading only sets the baselines.
    if (switched && enabled) rebuild(true);
}

void DiskInventory::refreshMetadataOnQueue() {
    if (!running_ || !session_) return;
    std::vector<std::string> names;
    names.reserve(records_.size());
    for (const auto& entry : records_) names.push_back(entry.first);
    {
        // The captures of the drives' disks share what they read of the device tree.
        const std::unique_ptr<platform::ReadBatch> batch = arbitration_->beginReadBatch();
        for (const auto& name : names) {
            platform::DiskPtr disk = session_->diskFromBSDName(name);
            std::optional<MediaRecord> record = disk ? capture(*registry_, *disk, name) : std::nullopt;
            if (record)
                records_.insert_or_assign(name, std::move(*record));
            else
                records_.erase(name);
        }
    }
    rebuild(false);
}

void DiskInventory::resetActivityOnQueue() {
    tracker_.reset();
    latestSamples_.clear();
    latestCounters_.clear();
    latestAccess_.clear();
}

void DiskInventory::appeared(const platform::Disk& disk) {
    if (!running_) return;
    std::optional<std::string> bsd = disk.bsdName();
    if (!bsd) return;
    // The walks of one capture pass the same entries.
    const std::unique_ptr<platform::ReadBatch> batch = arbitration_->beginReadBatch();
    if (std::optional<MediaRecord> record = capture(*registry_, disk, *bsd))
        records_.insert_or_assign(*bsd, std::move(*record));
    else
        records_.erase(*bsd);
    scheduleRebuild();
}

void DiskInventory::disappeared(const platform::Disk& disk) {
    std::optional<std::string> bsd = disk.bsdName();
    if (!bsd) return;
    records_.erase(*bsd);
    std::unordered_set<std::string> keys;
    for (const auto& entry : records_) keys.insert(entry.second.groupID());
    tracker_.retainDevices(keys);
    auto gone = [&](const auto& entry) { return !keys.contains(entry.first); };
    std::erase_if(latestSamples_, gone);
    std::erase_if(latestCounters_, gone);
    std::erase_if(latestAccess_, gone);
    scheduleRebuild();
}

void DiskInventory::scheduleRebuild() {
    if (pendingRebuild_) pendingRebuild_->cancel();
    pendingRebuild_ = platform::WorkItem::make([weak = weak_from_this()] {
        if (auto self = weak.lock(); self && self->running_) self->rebuild(self->samplingEnabled_);
    });
    queue_->asyncAfter(rebuildDelay, pendingRebuild_);
}

void DiskInventory::configureTimer() {
    if (timer_) timer_->cancel();
    timer_.reset();
    if (!running_ || !samplingEnabled_) return;

    auto timer = platform::TimerSource::make(queue_);
    // An infinite or huge interval saturates inside the timer: it then never fires.
    timer->schedule(interval_, interval_, interval_ < 30.0 ? 0.1 : 1.0);
    timer->setEventHandler([weak = weak_from_this()] {
        if (auto self = weak.lock()) self->rebuild(true);
    });
    timer_ = timer;
    timer->resume();
}

// Snapshot building

void DiskInventory::rebuild(bool sampleCounters) {
    if (!running_) return;
    // Both clocks are read together, before the counters: a sample's interval then ends at its
    // measurement time, and time spent reading the counters (a stalled device, a loaded machine)
    // cannot shift one against the other and break the sample's continuity with the one before.
    const auto [now, uptime] = readClocks();

    // The records map is ordered by BSD name, so every group lists its records that way too.
    std::map<std::string, std::vector<const MediaRecord*>> groups;
    for (const auto& entry : records_) groups[entry.second.groupID()].push_back(&entry.second);

    std::unordered_set<std::string> keys;
    for (const auto& group : groups) keys.insert(group.first);
    tracker_.retainDevices(keys);

    std::vector<DeviceSnapshot> devices;
    devices.reserve(groups.size());
    for (const auto& [key, group] : groups) devices.push_back(buildDevice(key, group, sampleCounters, now, uptime));
    std::stable_sort(devices.begin(), devices.end(), [this](const DeviceSnapshot& a, const DeviceSnapshot& b) {
        return displayOrder_.compare(a.displayName(), b.displayName()) < 0;
    });

    ++revision_;
    InventorySnapshot snapshot;
    snapshot.status = devices.empty() ? noDeviceStatus : observingStatus;
    snapshot.devices = std::move(devices);
    snapshot.capturedAt = now;
    snapshot.sessionAvailable = true;
    snapshot.externalMediaCount = static_cast<std::int64_t>(records_.size());
    snapshot.statisticsQueryCount = statisticsQueryCount_;
    snapshot.revision = revision_;
    if (handler_) handler_(snapshot);
}

std::pair<platform::Date, double> DiskInventory::readClocks() const {
    // The wall clock is read between two uptimes, so a stall between the clocks shows as uptimes
    // apart; then the pair is read again. Of a few tries the closest pair is kept.
    constexpr double agreement = 0.005;
    constexpr int attempts = 4;
    std::pair<platform::Date, double> best;
    double bestSpread = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const double before = uptime_();
        const platform::Date now = now_();
        const double after = uptime_();
        const double spread = std::abs(after - before);
        if (attempt == 0 || std::isnan(bestSpread) || spread < bestSpread) {
            best = {now, before + (after - before) / 2};
            bestSpread = spread;
        }
        if (spread <= agreement) break;
    }
    return best;
}

DeviceSnapshot DiskInventory::buildDevice(const std::string& key, const std::vector<const MediaRecord*>& group,
                                          bool sampleCounters, platform::Date now, double uptime) {
    const MediaRecord* whole = nullptr;
    for (const MediaRecord* record : group) {
        if (record->physicalMediaID && *record->physicalMediaID == record->registryID && record->isWhole) {
            whole = record;
            break;
        }
    }
    const std::optional<std::uint64_t> driver = whole ? whole->driverID : std::nullopt;
    // Without a whole record: the record with the smallest BSD name, the first of the group.
    const MediaRecord& primary = whole ? *whole : *group.front();

    std::optional<IOCounters> counters;
    if (auto it = latestCounters_.find(key); it != latestCounters_.end()) counters = it->second;

    if (sampleCounters) {
        if (driver) ++statisticsQueryCount_;
        auto [read, access] = readCounters(*registry_, driver, now);
        counters = read;
        latestAccess_.insert_or_assign(key, std::move(access));
        if (read)
            latestCounters_.insert_or_assign(key, *read);
        else
            latestCounters_.erase(key);
        const double maxGap = std::max(1.5 * interval_, 45.0);
        latestSamples_.insert_or_assign(key, tracker_.sample(key, read, uptime, now, maxGap));
    }

    std::optional<ActivitySample> activity;
    if (auto it = latestSamples_.find(key); it != latestSamples_.end()) activity = it->second;
    if (!activity) activity = ActivitySample::unmeasured(ActivityKind::preparing, notSampledReason, now);

    if (!driver) {
        latestCounters_.erase(key);
        latestSamples_.erase(key);
        latestAccess_.insert_or_assign(key,
                                       StatisticsAccess{StatisticsOutcome::notExposed, unverifiedAccessDetail, now});
        counters.reset();
        activity = ActivitySample::unmeasured(ActivityKind::unavailable, unverifiedReason, now);
    }

    std::vector<VolumeSnapshot> volumes;
    for (const MediaRecord* record : group)
        if (record->volume) volumes.push_back(*record->volume);
    // Plain code-point order: disk4s10 before disk4s2.
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const VolumeSnapshot& a, const VolumeSnapshot& b) { return a.bsdName < b.bsdName; });

    std::optional<StatisticsAccess> access;
    if (auto it = latestAccess_.find(key); it != latestAccess_.end()) access = it->second;

    DeviceSnapshot device{key,
                          primary.model,
                          primary.transport,
                          whole ? whole->size : std::nullopt,
                          primary.solidState,
                          std::move(volumes),
                          counters,
                          std::move(*activity),
                          driver.has_value(),
                          statisticsSource,
                          now,
                          std::move(access),
                          driver ? whole->linkBandwidth : std::nullopt};
    return device;
}

}  // namespace wendmark
