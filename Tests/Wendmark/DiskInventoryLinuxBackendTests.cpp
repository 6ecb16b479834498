#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <mutex>

#include "Doubles/ObservedArbitration.h"
#include "Doubles/SysfsFixture.h"
#include "Platform/Disks/Linux/UdevDiskArbitration.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Wendmark/DiskInventory.h"

using platform::Date;
using wendmark::ActivityKind;
using wendmark::DeviceSnapshot;
using wendmark::DiskInventory;
using wendmark::InventorySnapshot;
using wendmark::IOCounters;
using wendmark::LinkBandwidth;

namespace {

const DeviceSnapshot* withModel(const InventorySnapshot& snapshot, const std::string& model) {
    for (const auto& device : snapshot.devices)
        if (device.model == model) return &device;
    return nullptr;
}

bool hasBus(const std::string& bus) {
    std::error_code error;
    return std::filesystem::exists("/sys/bus/" + bus + "/devices", error);
}

// An inventory on the fixture's tree and virtual time, started and past its first snapshot.
struct FixtureInventory {
    explicit FixtureInventory(const SysfsFixture& fixture)
        : arbitration(std::make_shared<ObservedArbitration>(platform::UdevDiskArbitration::make(fixture.environment()))),
          inventory(DiskInventory::make([this](const InventorySnapshot& snapshot) { snapshots.push_back(snapshot); },
                                        {arbitration, time->makeQueue(DiskInventory::queueLabel),
                                         [this] { return Date{time->wall()}; }, [this] { return time->uptime(); }})) {
        inventory->start();
        time->runUntilIdle();
        time->advance(0.2);
    }

    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(700'000'000, 5'000);
    std::shared_ptr<ObservedArbitration> arbitration;
    std::vector<InventorySnapshot> snapshots;
    std::shared_ptr<DiskInventory> inventory;
};

}  // namespace

TEST(DiskInventoryLinuxBackend, observesTheExternalDrivesOfAFixtureTree) {
    SysfsFixture fixture;
    auto ssd = fixture.addUsbSsd();
    fixture.addUsbStick();
    fixture.addThunderboltNvme();
    fixture.addInternalNvme();
    fixture.addLoop();
    fixture.setMountInfo(SysfsFixture::standardMountInfo());

    FixtureInventory observed(fixture);
    auto& [time, arbitration, snapshots, inventory] = observed;
    ASSERT_EQ(snapshots.size(), 1u);

    // The internal NVMe disk and the loop device are not there.
    const InventorySnapshot first = snapshots[0];
    EXPECT_TRUE(first.sessionAvailable);
    EXPECT_EQ(first.status, "외장 장치 관측 중");
    EXPECT_EQ(first.externalMediaCount, 7);  // sdb, sdb1, sdb2, sdc, sdc1, nvme0n1, nvme0n1p1
    ASSERT_EQ(first.devices.size(), 3u);
    for (const auto& device : first.devices) {
        EXPECT_TRUE(device.topologyVerified) << device.model;
        EXPECT_TRUE(device.id.starts_with("driver:")) << device.id;
        for (const auto& volume : device.volumes) EXPECT_NE(volume.mountPath, "/") << device.model;
    }

    // The USB SSD: its EFI partition has no volume, the exFAT one is mounted where mountinfo says.
    const DeviceSnapshot* usb = withModel(first, "Extreme SSD");
    ASSERT_TRUE(usb);
    EXPECT_EQ(usb->protocolName, "USB");
    EXPECT_EQ(usb->capacity, 1953525168ull * 512);
    EXPECT_EQ(usb->isSolidState, true);
    ASSERT_EQ(usb->volumes.size(), 1u);
    EXPECT_EQ(usb->volumes[0].bsdName, "sdb2");
    EXPECT_EQ(usb->volumes[0].name, "My Passport");
    EXPECT_EQ(usb->volumes[0].mountPath, "/media/user/My Passport");
    EXPECT_EQ(usb->displayName(), "My Passport");
    EXPECT_EQ(usb->linkBandwidth, (LinkBandwidth{LinkBandwidth::Transport::usb, 5'000'000'000}));
    // The start's rebuild read the counters from the disk's stat file: sectors x 512.
    EXPECT_EQ(usb->counters, (IOCounters{2048 * 512, 4096 * 512}));
    EXPECT_EQ(usb->activity.kind, ActivityKind::preparing);
    EXPECT_EQ(first.statisticsQueryCount, 3u);

    const DeviceSnapshot* stick = withModel(first, "Cruzer Blade");
    ASSERT_TRUE(stick);
    EXPECT_TRUE(stick->volumes.empty());  // udev knows no file system on it

    // The sampling timer compares the next reading.
    fixture.write(ssd + "/stat", "100 0 2056 10 50 0 4096 20 0 30 30\n");
    time->advance(30);
    ASSERT_EQ(snapshots.size(), 2u);
    usb = withModel(snapshots[1], "Extreme SSD");
    ASSERT_TRUE(usb);
    EXPECT_EQ(usb->activity.kind, ActivityKind::observedIO);
    EXPECT_EQ(usb->activity.bytesRead, 8u * 512);
    EXPECT_EQ(usb->activity.bytesWritten, 0u);
    EXPECT_NEAR(*usb->activity.intervalSeconds, 29.8, 1e-9);  // from the start's read at 0.2 s

    // Unplugging the stick: udev's remove events reach the inventory through its session.
    auto session = arbitration->lastSession.lock();
    ASSERT_TRUE(session);
    fixture.removeBlock("sdc");
    session->handleDeviceEvent({"remove", "sdc1"});
    session->handleDeviceEvent({"remove", "sdc"});
    session.reset();
    time->advance(0.2);
    ASSERT_EQ(snapshots.size(), 3u);
    EXPECT_EQ(snapshots[2].devices.size(), 2u);
    EXPECT_EQ(snapshots[2].externalMediaCount, 5);
    EXPECT_EQ(withModel(snapshots[2], "Cruzer Blade"), nullptr);

    inventory->stop();
    time->runUntilIdle();
    time->advance(60);
    EXPECT_EQ(snapshots.size(), 3u);
    EXPECT_EQ(arbitration->registry()->outstandingHandles(), 0);
}

TEST(DiskInventoryLinuxBackend, anEncryptedVolumeIsListedOnItsDriveAndALogicalVolumeApart) {
    SysfsFixture fixture;
    fixture.addUsbSsd();
    fixture.addUsbStick();
    fixture.addLuksVolume();
    fixture.addLvmVolume();
    fixture.setMountInfo(SysfsFixture::standardMountInfo() + SysfsFixture::luksMountInfo());
    FixtureInventory observed(fixture);
    auto& [time, arbitration, snapshots, inventory] = observed;
    ASSERT_EQ(snapshots.size(), 1u);
    const InventorySnapshot& snapshot = snapshots[0];
    EXPECT_EQ(snapshot.externalMediaCount, 7);  // sdb, sdb1, sdb2, dm-0, sdc, sdc1, dm-1
    ASSERT_EQ(snapshot.devices.size(), 3u);

    // The unlocked volume is the SSD's only volume (the container in sdb2 is none), and its I/O is
    // the drive's, read once.
    const DeviceSnapshot* ssd = withModel(snapshot, "Extreme SSD");
    ASSERT_TRUE(ssd);
    EXPECT_TRUE(ssd->topologyVerified);
    ASSERT_EQ(ssd->volumes.size(), 1u);
    EXPECT_EQ(ssd->volumes[0].bsdName, "dm-0");
    EXPECT_EQ(ssd->volumes[0].mountPath, "/media/user/Vault");
    EXPECT_EQ(ssd->counters, (IOCounters{2048 * 512, 4096 * 512}));
    EXPECT_EQ(snapshot.statisticsQueryCount, 2u);  // the SSD and the stick

    // The logical volume is a device of its own, without a verified driver.
    const DeviceSnapshot* pool = nullptr;
    for (const auto& device : snapshot.devices)
        if (device.id.starts_with("media:") && device.id.ends_with(":dm-1")) pool = &device;
    ASSERT_TRUE(pool);
    EXPECT_FALSE(pool->topologyVerified);
    ASSERT_EQ(pool->volumes.size(), 1u);
    EXPECT_EQ(pool->volumes[0].name, "Pool");
    inventory->stop();
    time->runUntilIdle();
}

TEST(DiskInventoryLinuxBackend, aStatisticsFileThatIsGoneReadsAsAMissingDriver) {
    SysfsFixture fixture;
    auto ssd = fixture.addUsbSsd();
    fixture.addUsbStick();
    FixtureInventory observed(fixture);
    auto& [time, arbitration, snapshots, inventory] = observed;

    // The SSD is being unplugged: its statistics file is gone before its udev events arrive.
    std::filesystem::remove(ssd + "/stat");
    arbitration->lastSession.lock()->handleDeviceEvent({"change", "sdc"});
    time->advance(0.2);
    ASSERT_EQ(snapshots.size(), 2u);
    const DeviceSnapshot* device = withModel(snapshots[1], "Extreme SSD");
    ASSERT_TRUE(device);
    ASSERT_TRUE(device->statisticsAccess);
    EXPECT_EQ(device->statisticsAccess->outcome, wendmark::StatisticsOutcome::deviceMissing);
    EXPECT_EQ(device->statisticsAccess->detail, "현재 연결의 드라이버 객체가 없습니다.");
    EXPECT_FALSE(device->counters);
    inventory->stop();
    time->runUntilIdle();
}

// The captures of one metadata refresh share their reads; the next refresh reads the tree again.
TEST(DiskInventoryLinuxBackend, eachMetadataRefreshSeesTheTreeAsItIsThen) {
    SysfsFixture fixture;
    fixture.addUsbSsd();
    fixture.setMountInfo(SysfsFixture::standardMountInfo());
    FixtureInventory observed(fixture);
    auto& [time, arbitration, snapshots, inventory] = observed;
    const auto speed = fixture.devices("pci0000:00/0000:00:14.0/usb2/2-1/speed");
    for (auto [rate, mountPoint] : {std::pair{480u, "/media/user/Moved"}, std::pair{5000u, "/media/user/Back"}}) {
        fixture.write(speed, std::to_string(rate) + "\n");
        fixture.setMountInfo(std::string("92 27 8:18 / ") + mountPoint + " rw - exfat /dev/sdb2 rw\n");
        inventory->refreshMetadata();
        time->runUntilIdle();
        const DeviceSnapshot* ssd = withModel(snapshots.back(), "Extreme SSD");
        ASSERT_TRUE(ssd);
        EXPECT_EQ(ssd->linkBandwidth->bitsPerSecond, rate * 1'000'000ull);
        EXPECT_EQ(ssd->volumes.at(0).mountPath, mountPoint);
    }
    inventory->stop();
    time->runUntilIdle();
}

TEST(DiskInventoryLinuxBackend, aBackendThatCannotBeSetUpGivesTheFailureSnapshot) {
    SysfsFixture fixture;
    fixture.addUsbSsd();
    fixture.setMountInfo(SysfsFixture::standardMountInfo());
    auto time = platform::VirtualTime::make();
    for (int broken = 0; broken < 4; ++broken) {
        auto environment = fixture.environment();
        if (broken == 3) environment.udevDaemonRunning = [] { return false; };
        if (broken == 0) environment.openUdev = [] { return std::shared_ptr<platform::UdevSource>(); };
        if (broken == 1) environment.mountInfoPath = fixture.root() + "/no-such-mountinfo";
        if (broken == 2) environment.sysfsRoot = fixture.root() + "/no-such-sysfs";
        std::vector<InventorySnapshot> snapshots;
        auto inventory = DiskInventory::make(
            [&](const InventorySnapshot& snapshot) { snapshots.push_back(snapshot); },
            {platform::UdevDiskArbitration::make(environment), time->makeQueue(DiskInventory::queueLabel),
             [&] { return Date{time->wall()}; }, [&] { return time->uptime(); }});
        inventory->start();
        time->advance(1);
        ASSERT_EQ(snapshots.size(), 1u) << broken;
        EXPECT_FALSE(snapshots[0].sessionAvailable) << broken;
        EXPECT_EQ(snapshots[0].status, DiskInventory::sessionFailedStatus) << broken;
    }
}

// This machine's own /sys, /proc and udev, with the inventory's own thread queue. Without a udev
// daemon it must report the failure; else it may have external drives or not, and what must hold
// is that it runs and reports no internal disk.
TEST(DiskInventoryLinuxBackend, runsOnThisMachine) {
    std::mutex mutex;
    std::vector<InventorySnapshot> snapshots;
    auto inventory = DiskInventory::make([&](const InventorySnapshot& snapshot) {
        std::lock_guard lock(mutex);
        snapshots.push_back(snapshot);
    });
    inventory->start();
    inventory->queue()->sync([] {});  // the start, and the disks it found, are handled
    inventory->refresh();
    inventory->queue()->sync([] {});
    // Stopping releases the inventory's hold on itself; the owner's pointer was the last one.
    auto queue = inventory->queue();
    std::weak_ptr<DiskInventory> weak = inventory;
    inventory->stop();
    inventory.reset();
    queue->sync([] {});
    EXPECT_TRUE(weak.expired());

    std::lock_guard lock(mutex);
    ASSERT_FALSE(snapshots.empty());
    const InventorySnapshot& snapshot = snapshots.back();
    if (::access(platform::LinuxDiskEnvironment::udevControlPath, F_OK) != 0) {
        EXPECT_EQ(snapshots.size(), 1u);  // refresh() does nothing without a session
        EXPECT_FALSE(snapshot.sessionAvailable);
        EXPECT_EQ(snapshot.status, DiskInventory::sessionFailedStatus);
        EXPECT_TRUE(snapshot.devices.empty());
        EXPECT_FALSE(snapshot.revision.has_value());
        return;
    }
    std::cout << "status: " << snapshot.status << " (" << snapshot.devices.size() << " devices, "
              << snapshot.externalMediaCount << " external media)\n";
    ASSERT_TRUE(snapshot.sessionAvailable) << snapshot.status;
    EXPECT_TRUE(snapshot.revision.has_value());
    EXPECT_EQ(snapshot.status,
              snapshot.devices.empty() ? DiskInventory::noDeviceStatus : DiskInventory::observingStatus);
    // Without a USB or Thunderbolt bus nothing here can be external.
    if (!hasBus("usb") && !hasBus("thunderbolt")) {
        EXPECT_TRUE(snapshot.devices.empty());
    }
    for (const auto& device : snapshot.devices) {
        std::cout << "  " << device.id << " " << device.displayName() << "\n";
        for (const auto& volume : device.volumes) {
            EXPECT_NE(volume.mountPath, "/") << device.id;
            EXPECT_NE(volume.mountPath, "/boot") << device.id;
        }
    }
}
