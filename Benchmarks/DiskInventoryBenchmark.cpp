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
#include "FixtureDrives.h"
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
    auto fixture = fixtureDrives(driveCount);
    Bench bench(platform::UdevDiskArbitration::make(fixture->environment()));
    for (auto _ : state) bench.refresh();
    report(state, bench);
}
BENCHMARK(BM_SamplingRebuild_FixtureTree);

// The argument is the number of drives.
void BM_MetadataRebuild_FixtureTree(benchmark::State& state) {
    const auto drives = static_cast<int>(state.range(0));
    auto fixture = fixtureDrives(drives);
    Bench bench(platform::UdevDiskArbitration::make(fixture->environment()), static_cast<std::size_t>(drives));
    for (auto _ : state) bench.refreshMetadata();
    report(state, bench);
}
BENCHMARK(BM_MetadataRebuild_FixtureTree)->Arg(1)->Arg(3)->Arg(driveCount)->Unit(benchmark::kMillisecond);

}  // namespace
