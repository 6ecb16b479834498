// Building one inventory snapshot with 8 external USB drives of 4 volumes each (40 disks in
// all), on the in-memory doubles and on a sysfs fixture tree read by the Linux backend:
// - SamplingRebuild: one sampling pass, what every timer fire costs (8 counter reads, the
//   samples, the display order);
// - MetadataRebuild: every disk captured again (topology walk, characteristics, link speed)
//   and a rebuild without counter reads; on the fixture tree also with 1 and 3 drives, to show
//   how it grows.
// One sampling pass must stay under 100 µs of CPU, also on the fixture tree (one read of each
// kept statistics file per drive). The metadata rebuild after a plug or mount change must stay
// under 10 ms with 8 drives on the fixture tree.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "Doubles/FakeExternalDrives.h"
#include "Doubles/SysfsFixture.h"
#include "Platform/Disks/Linux/UdevDiskArbitration.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Wendmark/DiskInventory.h"

using namespace wendmark;

namespace {

constexpr int driveCount = 8;
constexpr int volumesPerDrive = 4;

// A started inventory on virtual time, counting the snapshots it delivers.
struct Bench {
    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(700'000'000, 5'000);
    std::shared_ptr<DiskInventory> inventory;
    std::size_t snapshots = 0;
    std::size_t devices = 0;
    std::size_t expectedDevices = driveCount;

    explicit Bench(std::shared_ptr<platform::DiskArbitration> arbitration, std::size_t drives = driveCount)
        : expectedDevices(drives) {
        inventory = DiskInventory::make(
            [this](const InventorySnapshot& snapshot) {
                ++snapshots;
                devices = snapshot.devices.size();
            },
            {std::move(arbitration), time->makeQueue(DiskInventory::queueLabel),
             [time = time] { return platform::Date{time->wall()}; }, [time = time] { return time->uptime(); }});
        inventory->start();
        time->advance(DiskInventory::rebuildDelay);
    }
    ~Bench() {
        inventory->stop();
        time->runUntilIdle();
    }

    // One step of virtual time, so successive samples compare.
    void refresh() {
        time->advance(1);
        inventory->refresh();
        time->runUntilIdle();
    }
    void refreshMetadata() {
        inventory->refreshMetadata();
        time->runUntilIdle();
    }
};

std::shared_ptr<FakeDiskArbitration> doubles() {
    auto arbitration = std::make_shared<FakeDiskArbitration>();
    FakeExternalDrives drives(arbitration);
    for (int d = 0; d < driveCount; ++d) {
        const std::string disk = "disk" + std::to_string(d + 4);
        auto drive =
            drives.addDrive(disk, FakeExternalDrives::description(true, 2'000'000'000'000, "Drive " + std::to_string(d)));
        for (int v = 1; v <= volumesPerDrive; ++v) {
            const std::string name = "Volume " + std::to_string(d) + "-" + std::to_string(v);
            drives.addPartition(drive, disk + "s" + std::to_string(v),
                                FakeExternalDrives::volumeDescription(500'000'000'000, name, "/Volumes/" + name,
                                                                      static_cast<std::uint8_t>(d * 16 + v)));
        }
    }
    return arbitration;
}

// sdb, sdc, ... (`drives` of them), each a USB 3 SSD with four mounted exFAT partitions.
std::unique_ptr<SysfsFixture> fixtureTree(int drives) {
    auto fixture = std::make_unique<SysfsFixture>();
    fixture->addDevice("pci0000:00", "");
    fixture->addDevice("pci0000:00/0000:00:14.0", "pci", "", {{"removable", "fixed"}});
    fixture->addDevice("pci0000:00/0000:00:14.0/usb2", "usb", "usb_device",
                       {{"speed", "5000"}, {"busnum", "2"}, {"devnum", "1"}});
    std::string mountInfo = "27 1 259:3 / / rw,relatime - ext4 /dev/nvme1n1p1 rw\n";
    for (int d = 0; d < drives; ++d) {
        const std::string port = "2-" + std::to_string(d + 1);
        const std::string host = "host" + std::to_string(d + 6);
        const std::string target = "target" + std::to_string(d + 6) + ":0:0";
        const std::string usb = "pci0000:00/0000:00:14.0/usb2/" + port;
        fixture->addDevice(usb, "usb", "usb_device",
                           {{"speed", "5000"}, {"busnum", "2"}, {"devnum", std::to_string(d + 3)},
                            {"removable", "removable"}});
        fixture->addDevice(usb + "/" + port + ":1.0", "usb", "usb_interface");
        fixture->addDevice(usb + "/" + port + ":1.0/" + host, "scsi", "scsi_host");
        fixture->addDevice(usb + "/" + port + ":1.0/" + host + "/" + target, "scsi", "scsi_target");
        auto unit = fixture->addDevice(usb + "/" + port + ":1.0/" + host + "/" + target + "/" +
                                           std::to_string(d + 6) + ":0:0:0",
                                       "scsi", "scsi_device", {{"model", "Drive " + std::to_string(d)}});
        const std::string disk = std::string("sd") + static_cast<char>('b' + d);
        const unsigned minor = 16 * static_cast<unsigned>(d + 1);
        auto dir = fixture->addDisk(unit, disk, 8, minor, 3907029168, std::to_string(d + 11), false);
        fixture->udev->deviceProperties[disk] = {
            {"ID_BUS", "usb"}, {"ID_MODEL_ENC", "Drive\\x20" + std::to_string(d)}, {"ID_PART_TABLE_TYPE", "gpt"}};
        for (int v = 1; v <= volumesPerDrive; ++v) {
            const std::string partition = disk + std::to_string(v);
            const std::string label = "V" + std::to_string(d) + std::to_string(v);
            fixture->addPartition(dir, partition, 8, minor + static_cast<unsigned>(v), 976754688);
            fixture->udev->deviceProperties[partition] = {
                {"ID_BUS", "usb"},
                {"ID_FS_USAGE", "filesystem"},
                {"ID_FS_TYPE", "exfat"},
                {"ID_FS_LABEL_ENC", label},
                {"ID_FS_UUID", "3f2a9c4e-1b7d-4e8a-9c2f-5d6e7f8a" + std::to_string(10 + d) + std::to_string(10 + v)},
                {"ID_PART_ENTRY_TYPE", "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7"}};
            mountInfo += std::to_string(100 + d * 10 + v) + " 27 8:" + std::to_string(minor + v) + " / /media/user/" +
                         label + " rw,nosuid,nodev,relatime shared:1 - exfat /dev/" + partition + " rw\n";
        }
    }
    fixture->setMountInfo(mountInfo);
    return fixture;
}

void report(benchmark::State& state, const Bench& bench) {
    if (bench.devices != bench.expectedDevices) state.SkipWithError("the inventory did not see every drive");
    state.counters["devices"] = static_cast<double>(bench.devices);
}

void BM_SamplingRebuild_Doubles(benchmark::State& state) {
    Bench bench(doubles());
    for (auto _ : state) bench.refresh();
    report(state, bench);
}
BENCHMARK(BM_SamplingRebuild_Doubles);

void BM_MetadataRebuild_Doubles(benchmark::State& state) {
    Bench bench(doubles());
    for (auto _ : state) bench.refreshMetadata();
    report(state, bench);
}
BENCHMARK(BM_MetadataRebuild_Doubles);

void BM_SamplingRebuild_FixtureTree(benchmark::State& state) {
    auto fixture = fixtureTree(driveCount);
    Bench bench(platform::UdevDiskArbitration::make(fixture->environment()));
    for (auto _ : state) bench.refresh();
    report(state, bench);
}
BENCHMARK(BM_SamplingRebuild_FixtureTree);

// The argument is the number of drives.
void BM_MetadataRebuild_FixtureTree(benchmark::State& state) {
    const auto drives = static_cast<int>(state.range(0));
    auto fixture = fixtureTree(drives);
    Bench bench(platform::UdevDiskArbitration::make(fixture->environment()), static_cast<std::size_t>(drives));
    for (auto _ : state) bench.refreshMetadata();
    report(state, bench);
}
BENCHMARK(BM_MetadataRebuild_FixtureTree)->Arg(1)->Arg(3)->Arg(driveCount)->Unit(benchmark::kMillisecond);

}  // namespace
