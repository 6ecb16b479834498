#include "DiskInventory.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_set>
#include <vector>

#include "RegistryLinkBandwidth.h"
#include "Platform/Dispatch/ThreadSerialQueue.h"

namespace wendmark {

using platform::DescriptionKey;
using platform::Registry;
using platform::RegistryObject;
using platform::Value;

namespace {

constexpr double twoToThe64 = 18446744073709551616.0;
constexpr std::size_t maximumTopologyNodes = 128;
constexpr std::size_t maximumWaitingEntries = 256;
constexpr std::size_t maximumParents = 128;
constexpr int maximumTopologyDepth = 32;
constexpr int maximumCharacteristicsEntries = 24;
constexpr const char* efiPartitionType = "C12A7328-F81F-11D2-BA4B-00A0C93EC93B";

// Without white space and line breaks (the Unicode White_Space characters) at either end.
std::string trimmed(std::string_view text) {
    if (text.size() > INT32_MAX) return std::string(text);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t start = 0;
    while (start < length) {
        std::int32_t next = start;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        start = next;
    }
    std::int32_t end = length;
    while (end > start) {
        std::int32_t previous = end;
        UChar32 c;
        U8_PREV(bytes, start, previous, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        end = previous;
    }
    return std::string(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

std::string asciiUppercased(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::optional<std::string> string(const Value* value) {
    if (!value || !value->stringValue()) return std::nullopt;
    return *value->stringValue();
}

// A number's Boolean value; false when missing or not a number.
bool flag(const Value* value) { return value && value->isNumberLike() && value->boolValue() == true; }

// A byte count: a finite whole number in [0, 2^64), else nothing.
std::optional<std::uint64_t> wholeCount(const Value* value) {
    if (!value || !value->isNumberLike()) return std::nullopt;
    if (value->kind() == Value::Kind::real) {
        double d = *value->doubleValue();
        if (!std::isfinite(d) || d < 0 || d >= twoToThe64 || d != std::trunc(d)) return std::nullopt;
    }
    return value->uint64Value();  // integers exactly; negative ones give nothing
}

}  // namespace

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

// Capture

std::optional<MediaRecord> DiskInventory::capture(Registry& registry, const platform::Disk& disk,
                                                  const std::string& bsd) {
    std::optional<platform::DiskDescription> description = disk.copyDescription();
    if (!description) return std::nullopt;

    // External only when the device says so: a number whose Boolean value is false.
    const Value* internal = description->value(DescriptionKey::deviceInternal);
    if (!internal || !internal->isNumberLike() || internal->boolValue() != false) return std::nullopt;

    std::optional<RegistryObject> media = disk.copyIOMedia();
    if (!media) return std::nullopt;
    std::optional<std::uint64_t> registryID = registry.entryID(*media);
    if (!registryID) return std::nullopt;

    const StorageTopology topology = resolveTopology(registry, *media, *registryID);
    const bool verified = topology.status == StorageTopology::Status::verified;
    const bool isWhole = flag(description->value(DescriptionKey::mediaWhole));
    const Characteristics characteristics = findCharacteristics(registry, *media);

    std::optional<std::string> model = string(description->value(DescriptionKey::deviceModel));
    if (model) model = trimmed(*model);
    std::optional<std::string> transport = string(description->value(DescriptionKey::deviceProtocol));
    std::optional<std::uint64_t> size = wholeCount(description->value(DescriptionKey::mediaSize));
    std::optional<std::string> volumeName = string(description->value(DescriptionKey::volumeName));
    std::optional<std::string> volumeKind = string(description->value(DescriptionKey::volumeKind));
    std::optional<std::string> mountPath;
    if (const Value* path = description->value(DescriptionKey::volumePath); path && path->urlPath())
        mountPath = *path->urlPath();
    std::optional<std::string> volumeUUID;
    if (const Value* uuid = description->value(DescriptionKey::volumeUUID)) volumeUUID = uuid->uuidString();
    std::optional<std::string> content = string(description->value(DescriptionKey::mediaContent));

    const bool efi = content && (*content == "EFI" || asciiUppercased(*content) == efiPartitionType);

    std::optional<VolumeSnapshot> volume;
    if (volumeName && volumeKind && !efi) {
        const bool mounted = mountPath.has_value();
        volume = VolumeSnapshot{bsd, *volumeName, *volumeKind, mounted, mountPath, volumeUUID, size};
    }

    std::string recordModel;
    if (model && !model->empty())
        recordModel = *model;
    else if (characteristics.model)
        recordModel = *characteristics.model;  // as it is, also when empty
    else
        recordModel = fallbackModel;

    std::optional<std::uint64_t> driverID = verified ? topology.driverID : std::nullopt;
    std::optional<LinkBandwidth> link;
    if (driverID) link = RegistryLinkBandwidth::read(registry, *driverID);

    return MediaRecord{bsd,
                       *registryID,
                       driverID,
                       verified ? topology.physicalMediaID : std::nullopt,
                       isWhole,
                       std::move(recordModel),
                       std::move(transport),
                       characteristics.solidState,
                       size,
                       std::move(volume),
                       link};
}

DiskInventory::Characteristics DiskInventory::findCharacteristics(Registry& registry, const RegistryObject& entry) {
    std::optional<RegistryObject> current = entry;
    for (int examined = 1; current; ++examined) {
        std::optional<Value> value = registry.property(*current, "Device Characteristics");
        if (const platform::Dictionary* dictionary = value ? value->dictionaryValue() : nullptr) {
            Characteristics found;
            if (auto name = dictionary->find("Product Name");
                name != dictionary->end() && name->second.stringValue())
                found.model = trimmed(*name->second.stringValue());
            if (auto medium = dictionary->find("Medium Type");
                medium != dictionary->end() && medium->second.stringValue()) {
                const std::string& type = *medium->second.stringValue();
                if (type == "Solid State")
                    found.solidState = true;
                else if (type == "Rotational")
                    found.solidState = false;
            }
            return found;
        }
        if (examined == maximumCharacteristicsEntries) break;
        current = registry.parentEntry(*current, platform::servicePlane);
    }
    return {};
}

StorageTopology DiskInventory::resolveTopology(Registry& registry, const RegistryObject& media, std::uint64_t id) {
    struct Waiting {
        RegistryObject entry;
        int depth;
    };
    std::unordered_map<std::uint64_t, StorageTopology::Node> nodes;
    std::vector<Waiting> work;
    work.push_back({media, 0});

    while (!work.empty()) {
        // Depth first; the handle is released when `item` goes out of scope.
        Waiting item = std::move(work.back());
        work.pop_back();
        std::optional<std::uint64_t> itemID = registry.entryID(item.entry);
        if (!itemID || nodes.contains(*itemID) || nodes.size() >= maximumTopologyNodes ||
            item.depth >= maximumTopologyDepth)
            continue;

        StorageTopology::Node node;
        node.id = *itemID;
        node.isStorageDriver = registry.conformsTo(item.entry, "IOBlockStorageDriver");
        const bool isMedia = registry.conformsTo(item.entry, "IOMedia");
        std::optional<Value> whole = isMedia ? registry.property(item.entry, "Whole") : std::nullopt;
        const bool isWholeMedia = whole && flag(&*whole);
        const std::string className = registry.className(item.entry).value_or("");
        node.isComposite = className.find("RAID") != std::string::npos || className.starts_with("CoreStorage");

        if (node.isStorageDriver) {
            // The walk never goes above a driver.
            node.parentsComplete = true;
        } else {
            node.isWholeMedia = isWholeMedia;
            std::optional<platform::ParentIterator> parents =
                registry.parentIterator(item.entry, platform::servicePlane);
            if (!parents) {
                node.parentsComplete = false;
            } else {
                bool incomplete = false;
                while (std::optional<RegistryObject> parent = parents->next()) {
                    std::optional<std::uint64_t> parentID = registry.entryID(*parent);
                    if (parentID && work.size() < maximumWaitingEntries) {
                        node.parents.push_back(*parentID);
                        work.push_back({std::move(*parent), item.depth + 1});
                    } else {
                        incomplete = true;
                    }
                    if (node.parents.size() > maximumParents) {
                        incomplete = true;
                        break;
                    }
                }
                node.parentsComplete = !incomplete && parents->isValid();
            }
        }
        nodes.emplace(node.id, std::move(node));
    }

    return StorageTopology::resolve(id, [&nodes](std::uint64_t wanted) -> std::optional<StorageTopology::Node> {
        auto it = nodes.find(wanted);
        if (it == nodes.end()) return std::nullopt;
        return it->second;
    });
}

// Counters

std::pair<std::optional<IOCounters>, StatisticsAccess> DiskInventory::readCounters(
    Registry& registry, std::optional<std::uint64_t> driverID, platform::Date at) {
    auto outcome = [at](StatisticsOutcome kind, std::string detail) {
        return std::pair<std::optional<IOCounters>, StatisticsAccess>{std::nullopt,
                                                                      StatisticsAccess{kind, std::move(detail), at}};
    };
    if (!driverID)
        return outcome(StatisticsOutcome::notExposed,
                       "대응하는 블록 드라이버를 찾지 못했습니다. 하드웨어 미지원 판정은 아닙니다.");

    constexpr const char* missing = "현재 연결의 드라이버 객체가 없습니다.";
    std::optional<RegistryObject> service = registry.matchingEntryID(*driverID);
    if (!service) return outcome(StatisticsOutcome::deviceMissing, missing);

    const platform::PropertiesResult result = registry.allProperties(*service);
    // The driver went away between the lookup and the read (a disk being unplugged): it is
    // missing, not a registry fault.
    if (result.code == platform::ReturnCode::noDevice) return outcome(StatisticsOutcome::deviceMissing, missing);
    if (result.code == platform::ReturnCode::notPrivileged || result.code == platform::ReturnCode::notPermitted)
        return outcome(StatisticsOutcome::accessDenied, "IORegistry 접근이 거부되었습니다.");
    if (result.code != platform::ReturnCode::success)
        return outcome(StatisticsOutcome::failed, "IORegistry 조회 오류: " + std::to_string(result.code));

    const Value* statistics = nullptr;
    if (result.properties) {
        auto it = result.properties->find("Statistics");
        if (it != result.properties->end() && it->second.dictionaryValue()) statistics = &it->second;
    }
    const Value* read = statistics ? statistics->find("Bytes (Read)") : nullptr;
    const Value* written = statistics ? statistics->find("Bytes (Write)") : nullptr;
    if (!read || !written || !read->isNumberLike() || !written->isNumberLike())
        return outcome(StatisticsOutcome::notExposed, "현재 드라이버에 읽기·쓰기 바이트 통계가 노출되지 않습니다.");

    constexpr const char* unusable = "음수 통계가 반환되어 표본을 사용하지 않습니다.";
    if (!(*read->doubleValue() >= 0) || !(*written->doubleValue() >= 0))
        return outcome(StatisticsOutcome::failed, unusable);
    // Infinite or beyond 2^64 cannot be a counter either; such a value is refused like NaN.
    std::optional<std::uint64_t> bytesRead = read->uint64Value();
    std::optional<std::uint64_t> bytesWritten = written->uint64Value();
    if (!bytesRead || !bytesWritten) return outcome(StatisticsOutcome::failed, unusable);

    return {IOCounters{*bytesRead, *bytesWritten},
            StatisticsAccess{StatisticsOutcome::available, "현재 연결의 드라이버 누적 통계를 읽었습니다.", at}};
}

// Volume check

bool DiskInventory::matchesMountedVolume(const VolumeSnapshot& volume, const std::string& deviceID) {
    std::shared_ptr<platform::DiskArbitration> arbitration = platform::DiskArbitration::shared();
    return arbitration && matchesMountedVolume(volume, deviceID, *arbitration);
}

bool DiskInventory::matchesMountedVolume(const VolumeSnapshot& volume, const std::string& deviceID,
                                         platform::DiskArbitration& arbitration) {
    if (!volume.mountPath || !volume.volumeUUID) return false;
    // A session of its own, with no callbacks and no queue.
    platform::DiskSessionPtr session = arbitration.createSession();
    if (!session) return false;
    const std::unique_ptr<platform::ReadBatch> batch = arbitration.beginReadBatch();
    platform::DiskPtr disk = session->diskFromVolumePath(*volume.mountPath);
    if (!disk || disk->bsdName() != volume.bsdName) return false;
    std::shared_ptr<Registry> registry = arbitration.registry();
    if (!registry) return false;
    std::optional<MediaRecord> record = capture(*registry, *disk, volume.bsdName);
    if (!record || record->groupID() != deviceID || !record->volume) return false;
    return record->volume->volumeUUID == volume.volumeUUID && record->volume->mountPath == volume.mountPath;
}

}  // namespace wendmark
