// The agent's store on the real inventory over the Linux disk backend, reading a fixture sysfs
// tree, with its files in temporary XDG folders; only time is virtual.

#include <gtest/gtest.h>

#include <filesystem>

#include "Doubles/CapturingLogSink.h"
#include "Doubles/FakePowerEvents.h"
#include "Doubles/ObservedArbitration.h"
#include "Doubles/SysfsFixture.h"
#include "Platform/Disks/Linux/UdevDiskArbitration.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Platform/Foundation/PlistDefaultsDatabase.h"
#include "Platform/Foundation/TemporaryFolder.h"
#include "Quentrel/Services/RecentEventLog.h"
#include "Quentrel/Services/SessionSummaryStore.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Wendmark/DiskInventory.h"
#include "Wendmark/SamplingConfiguration.h"
#include "Wendmark/SessionAccumulator.h"

using platform::Date;
using quentrel::ObserverStore;
using quentrel::RecentEvent;
using wendmark::SessionEndReason;
using wendmark::WorkSession;
namespace fs = std::filesystem;

namespace {

void sendEvents(ObservedArbitration& arbitration, const std::string& action, std::vector<std::string> names) {
    auto session = arbitration.lastSession.lock();
    ASSERT_TRUE(session);
    for (const auto& name : names) session->handleDeviceEvent({action, name});
}

// The disk's stat line with these sector counts.
std::string stat(std::uint64_t sectorsRead, std::uint64_t sectorsWritten) {
    return "100 0 " + std::to_string(sectorsRead) + " 10 50 0 " + std::to_string(sectorsWritten) + " 20 0 30 30\n";
}

}  // namespace

TEST(ObserverStoreEndToEnd, aUsbSsdFromPlugToUnplugEndsInBothFilesOnDisk) {
    auto logs = std::make_shared<CapturingLogSink>();
    platform::setDefaultLogSink(logs);
    TemporaryFolder home;
    const fs::path root = fs::canonical(home.path());
    fs::create_directories(root / "data");
    fs::create_directories(root / "config");
    platform::FileLocations locations([&](const std::string& name) -> std::optional<std::string> {
        if (name == "XDG_DATA_HOME") return (root / "data").string();
        if (name == "XDG_CONFIG_HOME") return (root / "config").string();
        if (name == "HOME") return root.string();
        return std::nullopt;
    });

    SysfsFixture fixture;
    fixture.setMountInfo(SysfsFixture::standardMountInfo());
    auto time = platform::VirtualTime::make(700'000'000, 5000, 5000);
    auto wall = [time] { return Date{time->wall()}; };
    auto arbitration =
        std::make_shared<ObservedArbitration>(platform::UdevDiskArbitration::make(fixture.environment()));

    const quentrel::StoreRuntime runtime{[time](const std::string& label) { return time->makeQueue(label); }, wall};
    const auto storage = quentrel::StorageEnvironment::with(locations);
    auto defaults = std::make_shared<platform::PlistDefaultsDatabase>(
        "local.mirosal.Kavrinet", platform::PlistDefaultsDatabase::fileForDomain("local.mirosal.Kavrinet", locations));
    quentrel::ObserverStoreServices services;
    services.mainQueue = time->makeQueue("main");
    services.now = wall;
    services.powerEvents = std::make_shared<FakePowerEvents>();
    services.bundle = std::make_shared<platform::BundleInfo>(
        platform::BundleInfo{std::nullopt, "local.mirosal.Kavrinet", {}});

    auto store = ObserverStore::make({
        .preferences = defaults,
        .eventLog = std::make_shared<quentrel::RecentEventLog>(false, storage, runtime),
        .usesSystemServices = true,
        .sessionStorage = std::make_shared<quentrel::SessionSummaryStore>(false, storage, runtime),
        .monotonicNow = [time] { return time->continuous() - 5000; },
        .inventoryFactory =
            [&](wendmark::ObservationInventory::Handler handler) {
                return wendmark::DiskInventory::make(std::move(handler),
                                                     {arbitration, time->makeQueue(wendmark::DiskInventory::queueLabel),
                                                      wall, [time] { return time->uptime(); }});
            },
        .services = services,
    });

    store->start();
    time->advance(0.2);
    EXPECT_TRUE(store->snapshot().sessionAvailable);
    EXPECT_TRUE(store->snapshot().devices.empty());
    platform::UUID window;
    window.bytes[0] = 1;
    store->surfaceVisibilityChanged(window, true);
    EXPECT_EQ(store->sampling().interval, 1.0);

    // Plugged in: seen, selected by itself, and sampled every second.
    const std::string disk = fixture.addUsbSsd();
    sendEvents(*arbitration, "add", {"sdb", "sdb1", "sdb2"});
    time->advance(0.2);
    ASSERT_EQ(store->snapshot().devices.size(), 1u);
    const std::string id = store->snapshot().devices[0].id;
    EXPECT_EQ(store->selectedID(), id);
    EXPECT_EQ(store->snapshot().devices[0].displayName(), "My Passport");

    std::uint64_t read = 2048, written = 4096;
    for (int second = 0; second < 5; ++second) {
        read += 8;
        written += 16;
        fixture.write(disk + "/stat", stat(read, written));
        time->advance(1);
    }
    const auto& sample = store->snapshot().devices[0].activity;
    EXPECT_EQ(sample.kind, wendmark::ActivityKind::observedIO);
    EXPECT_EQ(sample.bytesRead, 8u * 512);
    ASSERT_TRUE(store->sessionAccumulator().current());
    EXPECT_EQ(store->sessionAccumulator().current()->bytesRead, 5u * 8 * 512);
    EXPECT_EQ(store->sessionAccumulator().current()->bytesWritten, 5u * 16 * 512);
    EXPECT_FALSE(store->selectedIntervals().empty());

    // Unplugged.
    fixture.removeBlock("sdb");
    sendEvents(*arbitration, "remove", {"sdb2", "sdb1", "sdb"});
    time->advance(0.2);
    EXPECT_TRUE(store->snapshot().devices.empty());
    ASSERT_EQ(store->completedSessions().size(), 1u);
    const WorkSession session = store->completedSessions()[0];
    EXPECT_EQ(session.endReason, SessionEndReason::disconnected);
    EXPECT_EQ(session.bytesRead, 5u * 8 * 512);

    store->stop();
    time->runUntilIdle();

    const fs::path folder = root / "data" / "QuentrelProduct";
    auto events = platform::json::decode<std::vector<RecentEvent>>(TemporaryFolder::readFile(folder / "recent-events.json"));
    std::vector<std::string> texts;
    for (const auto& event : events) texts.push_back(event.message);
    EXPECT_EQ(texts, (std::vector<std::string>{"연결 해제 감지 · 원인 미확인", "외장 장치 등장 감지",
                                               "앱 시작 · 마운트 유지 관측 모드"}));
    EXPECT_EQ(events, store->history());
    EXPECT_EQ(platform::json::decode<std::vector<WorkSession>>(
                  TemporaryFolder::readFile(folder / "session-summaries.json")),
              std::vector<WorkSession>{session});
    EXPECT_TRUE(fs::exists(root / "config" / "local.mirosal.Kavrinet.plist"));
    platform::setDefaultLogSink(nullptr);
}
