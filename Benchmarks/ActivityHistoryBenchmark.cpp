// Activity history at its intended load: one sample per second for 8 devices. The per-sample
// rate of the ingest benchmark must not fall as the run covers more of the 300-second window
// (60 s) or keeps it full while old intervals age out (1200 s).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Wendmark/ActivityHistory.h"

using namespace wendmark;
using platform::Date;

namespace {

constexpr int deviceCount = 8;

InventorySnapshot eightDevices() {
    InventorySnapshot snapshot{};
    for (int i = 0; i < deviceCount; ++i) {
        DeviceSnapshot device{};
        device.id = "driver:" + std::to_string(4294967296 + i);
        device.model = "External Drive";
        snapshot.devices.push_back(device);
    }
    return snapshot;
}

// Moves every device's sample on to the second `t`.
void advance(InventorySnapshot& snapshot, int t) {
    snapshot.capturedAt = Date{static_cast<double>(t)};
    for (std::size_t i = 0; i < snapshot.devices.size(); ++i)
        snapshot.devices[i].activity =
            ActivitySample::measured(1.0, static_cast<std::uint64_t>(t % 7) * 4096, i * 512, snapshot.capturedAt);
}

void BM_IngestOneSamplePerSecond(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    InventorySnapshot snapshot = eightDevices();
    std::size_t accepted = 0;
    for (auto _ : state) {
        ActivityHistory history;
        history.beginCollection(Date{0});
        for (int t = 1; t <= seconds; ++t) {
            advance(snapshot, t);
            accepted += history.ingest(snapshot, snapshot.devices[0].id).size();
        }
        benchmark::DoNotOptimize(history.retainedSampleCount());
    }
    if (accepted != static_cast<std::size_t>(state.iterations() * seconds * deviceCount))
        state.SkipWithError("a sample was not accepted");
    state.SetItemsProcessed(state.iterations() * seconds * deviceCount);
}
BENCHMARK(BM_IngestOneSamplePerSecond)->Arg(60)->Arg(300)->Arg(1200);

void BM_IntervalsOfSelectedDevice(benchmark::State& state) {
    InventorySnapshot snapshot = eightDevices();
    ActivityHistory history;
    history.beginCollection(Date{0});
    for (int t = 1; t <= 600; ++t) {
        advance(snapshot, t);
        history.ingest(snapshot, snapshot.devices[3].id);
    }
    const std::string selected = snapshot.devices[3].id;
    std::size_t count = 0;
    for (auto _ : state) {
        auto intervals = history.intervals(selected, Date{600.5});
        count = intervals.size();
        benchmark::DoNotOptimize(intervals.data());
    }
    if (count != ActivityHistory::samplesPerDevice) state.SkipWithError("window not full");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}
BENCHMARK(BM_IntervalsOfSelectedDevice);

}  // namespace
