#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Doubles/CapturingLogSink.h"
#include "Doubles/FakeConnectionNotificationBackend.h"
#include "Doubles/FakeFileBrowser.h"
#include "Doubles/FakeInventory.h"
#include "Doubles/FakeLoginItemRegistry.h"
#include "Doubles/FakePasteboard.h"
#include "Doubles/FakePowerEvents.h"
#include "Doubles/FakeSavePanels.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Quentrel/Services/ConnectionNotificationService.h"
#include "Quentrel/Services/LoginItemService.h"
#include "Quentrel/Services/ObserverUIState.h"
#include "Quentrel/Services/ProductDiagnosticReport.h"
#include "Quentrel/Services/RecentEventLog.h"
#include "Quentrel/Services/SessionSummaryStore.h"
#include "Quentrel/Services/UpdateService.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/ProductSettings.h"
#include "Support/JSONTree.h"
#include "Wendmark/ActivityHistory.h"
#include "Wendmark/SessionAccumulator.h"

namespace storetest {

using quentrel::ObserverStore;

// 2023-03-09 in seconds since 2001-01-01.
inline constexpr double kStoreStart = 700'000'000;

// Everything a headless store runs on, on virtual time. The monotonic clock is the continuous
// clock from 0 unless `monotonicOverride` is set.
struct StoreHarness {
    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(kStoreStart, 1000, 1000);
    platform::SerialQueuePtr main = time->makeQueue("main");
    std::shared_ptr<platform::MemoryDefaultsDatabase> defaults =
        std::make_shared<platform::MemoryDefaultsDatabase>("local.test.Kavrinet");
    std::shared_ptr<CapturingLogSink> logs = std::make_shared<CapturingLogSink>();
    std::shared_ptr<FakeConnectionNotificationBackend> backend = allowing(main);
    std::shared_ptr<FakePowerEvents> power = std::make_shared<FakePowerEvents>();
    std::shared_ptr<std::vector<std::shared_ptr<FakeInventory>>> inventories =
        std::make_shared<std::vector<std::shared_ptr<FakeInventory>>>();
    std::vector<quentrel::ObserverUICommand> commands;
    std::optional<double> monotonicOverride;
    std::shared_ptr<FakePasteboard> pasteboard = std::make_shared<FakePasteboard>();
    std::shared_ptr<FakeSavePanels> panels = std::make_shared<FakeSavePanels>(main);
    std::shared_ptr<FakeFileBrowser> browser = std::make_shared<FakeFileBrowser>(main);
    std::shared_ptr<FakeLoginItemRegistry> loginItems = std::make_shared<FakeLoginItemRegistry>();
    // The disk layer's answer whether a volume is still mounted on its device; every check recorded.
    bool volumeMatches = true;
    std::vector<std::string> volumeChecks;

    // What each file store was asked to write, as encoded.
    struct Writes {
        std::mutex mutex;
        std::vector<std::string> bytes;
        bool failing = false;
        std::size_t count() {
            std::lock_guard lock(mutex);
            return bytes.size();
        }
        std::string last() {
            std::lock_guard lock(mutex);
            return bytes.empty() ? std::string() : bytes.back();
        }
    };
    std::shared_ptr<Writes> eventWrites = std::make_shared<Writes>();
    std::shared_ptr<Writes> sessionWrites = std::make_shared<Writes>();

    std::shared_ptr<ObserverStore> store;
    int signals = 0;
    platform::WillChangeSignal::Connection connection;

    StoreHarness() { platform::setDefaultLogSink(logs); }

    static std::shared_ptr<FakeConnectionNotificationBackend> allowing(platform::SerialQueuePtr queue) {
        auto backend = std::make_shared<FakeConnectionNotificationBackend>(std::move(queue));
        backend->currentPermission = quentrel::NoticePermission::allowed;
        return backend;
    }
    using Call = FakeConnectionNotificationBackend::Call;
    std::size_t calls(Call call) const { return backend->count(call); }
    std::size_t submitted(wendmark::ConnectionNotice notice) const {
        return static_cast<std::size_t>(std::count(backend->calls().begin(), backend->calls().end(),
                                                   FakeConnectionNotificationBackend::Record{Call::submit, notice}));
    }
    ~StoreHarness() {
        // A shown panel keeps itself alive until it is answered.
        for (const auto& made : panels->made)
            if (auto panel = made.lock()) panel->dismiss();
        if (store) store->stop();
        connection.disconnect();
        store.reset();
        time->runUntilIdle();
        platform::setDefaultLogSink(nullptr);
    }
    StoreHarness(const StoreHarness&) = delete;
    StoreHarness& operator=(const StoreHarness&) = delete;

    double monotonic() const { return monotonicOverride ? *monotonicOverride : time->continuous() - 1000; }
    platform::Date now() const { return platform::Date{time->wall()}; }

    quentrel::StoreRuntime runtime() {
        return {[time = time](const std::string& label) { return time->makeQueue(label); },
                [time = time] { return platform::Date{time->wall()}; }};
    }
    static quentrel::FileWriter recording(std::shared_ptr<Writes> writes) {
        return [writes](std::string_view bytes, const std::filesystem::path&) {
            std::lock_guard lock(writes->mutex);
            if (writes->failing) throw std::runtime_error("disk full");
            writes->bytes.emplace_back(bytes);
        };
    }

    // The agent's store (or the UI app's mirror) on this harness.
    ObserverStore& build(bool mirror = false) {
        auto allow = [](const std::filesystem::path&) { return true; };
        auto log = std::make_shared<quentrel::RecentEventLog>(std::filesystem::path("/nonexistent/recent-events.json"),
                                                              recording(eventWrites), allow, runtime());
        auto sessions = std::make_shared<quentrel::SessionSummaryStore>(
            std::filesystem::path("/nonexistent/session-summaries.json"), allow, recording(sessionWrites), runtime());
        quentrel::CommandSink sink;
        if (mirror) sink = [this](const quentrel::ObserverUICommand& command) { commands.push_back(command); };
        quentrel::ObserverStoreServices services;
        services.mainQueue = main;
        services.now = [time = time] { return platform::Date{time->wall()}; };
        services.powerEvents = power;
        services.pasteboard = pasteboard;
        services.savePanels = panels;
        services.fileBrowser = browser;
        services.loginItems = loginItems;
        services.mountedVolumeMatches = [this](const wendmark::VolumeSnapshot& v, const std::string& deviceID) {
            volumeChecks.push_back(v.bsdName + "@" + deviceID);
            return volumeMatches;
        };
        store = ObserverStore::make({
            .preferences = defaults,
            .eventLog = log,
            .usesSystemServices = !mirror,
            .sessionStorage = sessions,
            .notificationBackend = backend,
            .remoteCommand = sink,
            .monotonicNow = [this] { return monotonic(); },
            .inventoryFactory = FakeInventory::factory(inventories),
            .services = services,
        });
        connection = store->objectWillChange().connect([this] { ++signals; });
        time->runUntilIdle();  // the file stores' first status reports
        return *store;
    }

    ObserverStore& started() {
        if (!store) build();
        store->start();
        time->runUntilIdle();
        return *store;
    }

    FakeInventory& inventory() { return *inventories->back(); }

    // Through the snapshot handler and the main queue, as the inventory delivers.
    void deliver(const wendmark::InventorySnapshot& snapshot) {
        inventory().deliver(snapshot);
        time->runUntilIdle();
    }

    // A second later, a snapshot in which each device has a measured sample of that second.
    void tick(std::vector<wendmark::DeviceSnapshot> devices, double seconds = 1, std::uint64_t read = 0,
              std::uint64_t written = 0);

    // One UI surface shown (sampling at 1 s) or hidden.
    void show(std::uint8_t surface = 1, bool visible = true) {
        platform::UUID id;
        id.bytes[15] = surface;
        store->surfaceVisibilityChanged(id, visible);
        time->runUntilIdle();
    }

    std::uint64_t revision = 0;

    // Recent-event texts, oldest first.
    std::vector<std::string> events() const {
        std::vector<std::string> texts;
        for (auto it = store->history().rbegin(); it != store->history().rend(); ++it) texts.push_back(it->message);
        return texts;
    }
    std::size_t eventCount(std::string_view text) const {
        std::size_t n = 0;
        for (const auto& event : store->history())
            if (event.message == text) ++n;
        return n;
    }
    std::vector<std::string> logLines() const { return logs->messages(); }

    // Signals counted while `action` runs.
    template <class F>
    int signalsDuring(F&& action) {
        int before = signals;
        action();
        return signals - before;
    }
};

// Builders of inventory records.
inline wendmark::VolumeSnapshot volume(std::string bsd, bool mounted, std::optional<std::string> uuid = std::nullopt,
                                       std::string name = "Data") {
    wendmark::VolumeSnapshot v;
    v.bsdName = std::move(bsd);
    v.name = std::move(name);
    v.isMounted = mounted;
    if (mounted) v.mountPath = "/media/user/" + v.name;
    v.volumeUUID = std::move(uuid);
    return v;
}

inline wendmark::DeviceSnapshot device(std::string id, platform::Date measuredAt,
                                       std::vector<wendmark::VolumeSnapshot> volumes = {},
                                       std::string model = "Extreme SSD") {
    wendmark::DeviceSnapshot d;
    d.id = std::move(id);
    d.model = std::move(model);
    d.capacity = 1'000'000'000'000;
    d.volumes = std::move(volumes);
    d.activity = wendmark::ActivitySample::unmeasured(wendmark::ActivityKind::preparing, "준비 중", measuredAt);
    d.topologyVerified = true;
    d.observedAt = measuredAt;
    return d;
}

// A device with a measured sample of `seconds` ending at `measuredAt`.
inline wendmark::DeviceSnapshot measured(wendmark::DeviceSnapshot d, platform::Date measuredAt, double seconds,
                                         std::uint64_t read = 0, std::uint64_t written = 0) {
    d.activity = wendmark::ActivitySample::measured(seconds, read, written, measuredAt);
    d.observedAt = measuredAt;
    return d;
}

inline wendmark::InventorySnapshot snapshot(std::vector<wendmark::DeviceSnapshot> devices, platform::Date at,
                                            std::optional<std::uint64_t> revision = std::nullopt,
                                            bool sessionAvailable = true) {
    wendmark::InventorySnapshot s;
    s.devices = std::move(devices);
    s.capturedAt = at;
    s.status = "외장 장치 관측 중";
    s.sessionAvailable = sessionAvailable;
    s.externalMediaCount = static_cast<std::int64_t>(s.devices.size());
    s.statisticsQueryCount = 7;
    s.revision = revision;
    return s;
}

inline void StoreHarness::tick(std::vector<wendmark::DeviceSnapshot> devices, double seconds, std::uint64_t read,
                               std::uint64_t written) {
    time->advance(seconds);
    for (auto& d : devices) d = measured(std::move(d), now(), seconds, read, written);
    deliver(snapshot(std::move(devices), now(), ++revision));
}

// Stores `target` as the remembered drive in the defaults, as the target memory does.
inline void rememberInDefaults(platform::DefaultsDatabase& defaults, const wendmark::ObservationTarget& target) {
    std::string json = platform::json::encode(target);
    defaults.set(platform::Data(json.begin(), json.end()), quentrel::ProductSettings::observationTargetKey);
}

inline wendmark::ObservationTarget targetOf(const wendmark::DeviceSnapshot& d) {
    auto target = wendmark::ObservationTarget::fromDevice(d, platform::Date{kStoreStart});
    EXPECT_TRUE(target);
    return *target;
}

// The report of a preview the store builds now (replacing any earlier preview), and the runtime
// record the store filled into a report.
inline platform::Data previewedReport(ObserverStore& store) {
    store.prepareDiagnostics();
    EXPECT_TRUE(store.diagnosticPreview());
    return store.diagnosticPreview() ? store.diagnosticPreview()->data : platform::Data();
}
inline quentrel::ProductDiagnosticReport::Runtime runtimeRecord(const platform::Data& report) {
    return testjson::decodeTree<quentrel::ProductDiagnosticReport::Runtime>(
        testjson::Tree::parse(std::string(report.begin(), report.end())).at("runtime"),
        platform::json::Options{platform::json::DateForm::iso8601});
}

}  // namespace storetest
