#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "ActivitySample.h"
#include "ActivityTracker.h"
#include "IOCounters.h"
#include "LocalizedStandardOrder.h"
#include "MediaRecord.h"
#include "ObservationInventory.h"
#include "StatisticsAccess.h"
#include "StorageTopology.h"
#include "VolumeSnapshot.h"
#include "Platform/Disks/DiskArbitration.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Dispatch/TimerSource.h"
#include "Platform/Dispatch/WorkItem.h"
#include "Platform/Foundation/Clocks.h"

namespace wendmark {

// The drive inventory: keeps a disk session open on its own serial queue, keeps one record per
// external disk or partition up to date from the session's callbacks, rebuilds the snapshot
// 200 ms after the last of a burst of disk events, reads the drivers' byte counters on its
// sampling timer and hands every snapshot to its handler, on the queue.
//
// All state lives on the queue; the public operations only submit work there. While running, the
// inventory keeps itself alive (the callback context) until stop().
class DiskInventory final : public ObservationInventory, public std::enable_shared_from_this<DiskInventory> {
public:
    static constexpr const char* queueLabel = "com.local.Quentrel.inventory";
    static constexpr const char* sessionFailedStatus =
        "Disk Arbitration 연결 실패 · 접근 권한 또는 서비스 상태 확인 필요";
    static constexpr const char* observingStatus = "외장 장치 관측 중";
    static constexpr const char* noDeviceStatus =
        "외장 장치가 관측되지 않았습니다. 연결 상태 또는 접근 제한을 확인하세요.";
    static constexpr const char* fallbackModel = "외장 저장장치";
    static constexpr const char* statisticsSource = "IORegistry / IOBlockStorageDriver Statistics (호스트 누적 I/O)";
    static constexpr const char* notSampledReason = "통계 관측을 시작하면 표본을 수집합니다.";
    static constexpr const char* unverifiedReason = "장치 연결 관계를 확정하지 못했습니다.";
    static constexpr const char* unverifiedAccessDetail =
        "하나의 외장 물리 장치로 연결 관계를 확인하지 못해 통계를 연결하지 않았습니다.";

    static constexpr double rebuildDelay = 0.2;
    static constexpr double minimumInterval = 1.0;

    // What the inventory runs on; empty parts are the system's.
    struct Environment {
        std::shared_ptr<platform::DiskArbitration> arbitration;  // null: DiskArbitration::shared()
        platform::SerialQueuePtr queue;                          // null: a thread queue with queueLabel
        std::function<platform::Date()> now;                     // empty: the wall clock
        std::function<double()> uptime;                          // empty: the system uptime
    };

    // The default factory's inventory: the system's disk service, queue and clocks.
    static std::shared_ptr<DiskInventory> make(Handler handler);
    static std::shared_ptr<DiskInventory> make(Handler handler, Environment environment);

    void start() override;
    void stop() override;
    void setSampling(bool enabled, double interval) override;
    void refresh() override;
    void refreshMetadata() override;
    void resetActivity() override;

    // Whether `volume` is still the same mounted volume on the device `deviceID`. Runs on the
    // caller's thread with a session of its own.
    static bool matchesMountedVolume(const VolumeSnapshot& volume, const std::string& deviceID);
    static bool matchesMountedVolume(const VolumeSnapshot& volume, const std::string& deviceID,
                                     platform::DiskArbitration& arbitration);

    // The sampling timer, for tests that check its schedule; only to be read on the queue.
    std::shared_ptr<const platform::TimerSource> samplingTimer() const { return timer_; }
    const platform::SerialQueuePtr& queue() const { return queue_; }

private:
    DiskInventory(Handler handler, Environment environment);

    // Disk session callbacks; the context is the inventory.
    static void diskAppeared(const platform::Disk& disk, void* context);
    static void diskDisappeared(const platform::Disk& disk, void* context);
    static void diskDescriptionChanged(const platform::Disk& disk, const std::vector<platform::DescriptionKey>& keys,
                                       void* context);

    // Work on the queue.
    void startOnQueue();
    void stopOnQueue();
    void setSamplingOnQueue(bool enabled, double interval);
    void refreshMetadataOnQueue();
    void resetActivityOnQueue();
    void appeared(const platform::Disk& disk);
    void disappeared(const platform::Disk& disk);
    void scheduleRebuild();
    void configureTimer();
    void rebuild(bool sampleCounters);
    // The wall clock and the uptime at one moment, once per rebuild.
    std::pair<platform::Date, double> readClocks() const;
    // `uptime` is read together with `now`, once per rebuild.
    DeviceSnapshot buildDevice(const std::string& key, const std::vector<const MediaRecord*>& group,
                               bool sampleCounters, platform::Date now, double uptime);
    void submit(void (DiskInventory::*work)());

    // Capture and registry reads (DiskInventoryCapture.cpp).
    static std::optional<MediaRecord> capture(platform::Registry& registry, const platform::Disk& disk,
                                              const std::string& bsd);
    static StorageTopology resolveTopology(platform::Registry& registry, const platform::RegistryObject& media,
                                           std::uint64_t id);
    struct Characteristics {
        std::optional<std::string> model;
        std::optional<bool> solidState;
    };
    static Characteristics findCharacteristics(platform::Registry& registry, const platform::RegistryObject& entry);
    static std::pair<std::optional<IOCounters>, StatisticsAccess> readCounters(platform::Registry& registry,
                                                                               std::optional<std::uint64_t> driverID,
                                                                               platform::Date at);

    platform::SerialQueuePtr queue_;
    Handler handler_;
    std::shared_ptr<platform::DiskArbitration> arbitration_;
    std::shared_ptr<platform::Registry> registry_;
    std::function<platform::Date()> now_;
    std::function<double()> uptime_;
    LocalizedStandardOrder displayOrder_;

    platform::DiskSessionPtr session_;
    std::shared_ptr<DiskInventory> callbackContext_;  // the inventory itself while registered
    std::map<std::string, MediaRecord> records_;      // by BSD name
    ActivityTracker tracker_;
    std::unordered_map<std::string, ActivitySample> latestSamples_;  // by device id
    std::unordered_map<std::string, IOCounters> latestCounters_;
    std::unordered_map<std::string, StatisticsAccess> latestAccess_;
    std::shared_ptr<platform::TimerSource> timer_;
    std::shared_ptr<platform::WorkItem> pendingRebuild_;
    double interval_ = 30.0;
    bool samplingEnabled_ = true;
    bool running_ = false;
    std::uint64_t statisticsQueryCount_ = 0;
    std::uint64_t revision_ = 0;
};

}  // namespace wendmark
