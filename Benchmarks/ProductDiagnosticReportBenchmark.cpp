// Building and encoding the diagnostic document, which runs synchronously on the agent's main
// thread: a usual export (8 devices of 4 volumes, 30 events) and the largest one the caps allow
// (128 devices of 64 volumes, 30 events). The usual one must stay well under a millisecond; the
// largest reports its size as bytes processed.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Quentrel/Services/ProductDiagnosticReport.h"

using namespace quentrel;
using platform::Date;

namespace {

wendmark::InventorySnapshot snapshot(int devices, int volumes) {
    wendmark::InventorySnapshot inventory{};
    inventory.statisticsQueryCount = 12345;
    for (int i = 0; i < devices; ++i) {
        wendmark::DeviceSnapshot device{};
        device.id = "driver:" + std::to_string(4294967296 + i);
        device.model = "External Drive";
        device.protocolName = "USB";
        device.capacity = 2000398934016;
        device.counters = wendmark::IOCounters{1ull << 40, 1ull << 39};
        device.activity = wendmark::ActivitySample::measured(1.0, 4096, 512, Date{700000000});
        device.statisticsAccess = wendmark::StatisticsAccess{wendmark::StatisticsOutcome::available, "", Date{700000000}};
        for (int j = 0; j < volumes; ++j)
            device.volumes.push_back({"sdb" + std::to_string(j + 1), "Volume", "exfat", true,
                                      "/media/user/Volume" + std::to_string(j), "UUID", 1000204886016});
        inventory.devices.push_back(device);
    }
    return inventory;
}

std::vector<RecentEvent> events() {
    std::vector<RecentEvent> list;
    for (int i = 0; i < 30; ++i) list.push_back({Date{700000000.0 - i}, i % 2 ? "외장 장치 등장 감지" : "free text"});
    return list;
}

void export_(benchmark::State& state) {
    const auto inventory = snapshot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const auto history = events();
    ProductDiagnosticReport::Runtime runtime{};
    runtime.connectionState = "connected";
    std::size_t bytes = 0;
    for (auto _ : state) {
        platform::Data data = ProductDiagnosticReport::data(inventory, false, history, runtime, Date{700000000});
        bytes = data.size();
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
    state.counters["documentBytes"] = static_cast<double>(bytes);
}

}  // namespace

BENCHMARK(export_)->Name("BM_DiagnosticExport")->Args({8, 4})->Args({128, 64})->Unit(benchmark::kMicrosecond);
