// The observer store at its intended load: a snapshot of 8 external devices with 4 volumes each,
// once a second while a window is visible. One receive with a full five-minute history held, and a
// whole day of snapshots through one store, whose heap in use must stay flat after the first five
// minutes (counters heap_5min and heap_24h, in bytes; glibc's mallinfo2). And one state push of
// the agent: makeUIState(), the state message's JSON and its frame, with full histories, 30
// sessions and 100 recent events.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>
#include <string>
#include <vector>

#include "BenchmarkStore.h"
#include "HeapSettings.h"
#include "Doubles/FakeInventory.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"
#include "Quentrel/Services/ObserverUIMessage.h"
#include "Quentrel/Services/SessionSummaryStore.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Wendmark/ActivityHistory.h"
#include "Wendmark/DiskInventory.h"
#include "Wendmark/SessionAccumulator.h"

using namespace wendmark;
using platform::Date;
using quentrel::ObserverStore;

namespace {

constexpr int deviceCount = 8;
constexpr int volumesPerDevice = 4;
constexpr double start = 700'000'000;

InventorySnapshot eightDevices() {
    InventorySnapshot snapshot;
    snapshot.status = "외장 장치 관측 중";
    snapshot.sessionAvailable = true;
    snapshot.externalMediaCount = deviceCount * (volumesPerDevice + 1);
    for (int d = 0; d < deviceCount; ++d) {
        DeviceSnapshot device;
        device.id = "driver:" + std::to_string(4294967296 + d);
        device.model = "Portable SSD T" + std::to_string(d);
        device.protocolName = "USB";
        device.capacity = 1'000'204'886'016;
        device.isSolidState = true;
        for (int v = 0; v < volumesPerDevice; ++v) {
            const std::string bsd = "sd" + std::string(1, char('b' + d)) + std::to_string(v + 1);
            device.volumes.push_back({bsd, "Volume " + std::to_string(v), "exfat", true, "/media/user/" + bsd,
                                      "5E2C-91A" + std::to_string(d * volumesPerDevice + v), 250'000'000'000});
        }
        device.topologyVerified = true;
        device.statisticsSource = DiskInventory::statisticsSource;
        device.linkBandwidth = LinkBandwidth{LinkBandwidth::Transport::usb, 10'000'000'000};
        snapshot.devices.push_back(std::move(device));
    }
    return snapshot;
}

// A started agent store on virtual time with one visible window, fed by hand.
struct Rig {
    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(start, 1000, 1000);
    std::shared_ptr<std::vector<std::shared_ptr<FakeInventory>>> inventories =
        std::make_shared<std::vector<std::shared_ptr<FakeInventory>>>();
    BenchmarkStore bench{time, FakeInventory::factory(inventories)};
    std::shared_ptr<ObserverStore>& store = bench.store;
    InventorySnapshot snapshot = eightDevices();
    std::uint64_t revision = 0;
    std::uint64_t counter = 0;

    Rig() {
        store->receive(next());
        store->selectDevice(snapshot.devices.front().id);
        time->runUntilIdle();
    }

    // The next second's snapshot: every device read and wrote a little.
    InventorySnapshot next() {
        time->advance(1);
        const Date now{time->wall()};
        ++counter;
        snapshot.capturedAt = now;
        snapshot.revision = ++revision;
        snapshot.statisticsQueryCount = revision * deviceCount;
        for (auto& device : snapshot.devices) {
            device.counters = IOCounters{counter * 4096, counter * 8192};
            device.activity = ActivitySample::measured(1.0, 4096, 8192, now);
            device.observedAt = now;
        }
        return snapshot;
    }
    void feed(int seconds) {
        for (int i = 0; i < seconds; ++i) store->receive(next());
    }
};

std::size_t heapInUse() { return mallinfo2().uordblks; }

// Building the next snapshot alone, to subtract from the receive below.
void BM_PrepareSnapshot(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        InventorySnapshot snapshot = rig.next();
        benchmark::DoNotOptimize(snapshot.devices.data());
    }
}
BENCHMARK(BM_PrepareSnapshot);

void BM_ReceiveWithFullHistory(benchmark::State& state) {
    Rig rig;
    rig.feed(300);
    if (rig.store->activityHistory().retainedSampleCount() < 300 * deviceCount - deviceCount)
        state.SkipWithError("the history is not full");
    for (auto _ : state) rig.store->receive(rig.next());
    if (!rig.store->sessionAccumulator().current()) state.SkipWithError("no work session");
    state.counters["history_samples"] = static_cast<double>(rig.store->activityHistory().retainedSampleCount());
}
BENCHMARK(BM_ReceiveWithFullHistory);

void BM_DayOfSnapshots(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig;
        rig.feed(300);
        const std::size_t fiveMinutes = heapInUse();
        rig.feed(24 * 3600 - 300);
        const std::size_t day = heapInUse();
        state.counters["heap_5min"] = static_cast<double>(fiveMinutes);
        state.counters["heap_24h"] = static_cast<double>(day);
        state.counters["publications"] = static_cast<double>(rig.store->publicationCount());
    }
    state.SetItemsProcessed(state.iterations() * 24 * 3600);
}
BENCHMARK(BM_DayOfSnapshots)->Iterations(1)->Unit(benchmark::kMillisecond);

constexpr int completedSessions = 30;
constexpr int recentEvents = 100;

// The largest ordinary state: 30 sessions completed, then a full five-minute history, the running
// session (the list shows it and the newest 29) and 100 recent events.
void fillForPush(Rig& rig) {
    for (int i = 0; i < completedSessions; ++i) {
        rig.feed(2);
        rig.store->startNewSession();
    }
    rig.feed(300);
    while (rig.store->history().size() < recentEvents)
        rig.store->setBackgroundPolling(rig.store->history().size() % 2 == 0);
    rig.time->runUntilIdle();
}

void checkPushState(benchmark::State& state, const quentrel::ObserverUIState& ui) {
    // The list is bounded to 30 with the running session first.
    if (ui.sessions.size() != quentrel::SessionSummaryStore::maximumSessions || !ui.currentSession || ui.recentEvents.size() != recentEvents ||
        ui.intervals.size() < 299 || ui.snapshot.devices.size() != deviceCount) {
        state.SkipWithError("the state is not at its intended size");
    }
}

void BM_MakeUIState(benchmark::State& state) {
    const HeapSettings heap(state);
    Rig rig;
    fillForPush(rig);
    checkPushState(state, rig.store->makeUIState());
    for (auto _ : state) {
        quentrel::ObserverUIState ui = rig.store->makeUIState();
        benchmark::DoNotOptimize(ui.snapshot.devices.data());
    }
}
BENCHMARK(BM_MakeUIState)->ArgName("steadyHeap")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// What the agent does for each push: the state, the message's JSON, the frame.
void BM_StatePush(benchmark::State& state) {
    const HeapSettings heap(state);
    Rig rig;
    fillForPush(rig);
    checkPushState(state, rig.store->makeUIState());
    std::uint64_t revision = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string frame = quentrel::ObserverUIFrameDecoder::frameEncoded(
            quentrel::ObserverUIMessage::state(++revision, rig.store->makeUIState()));
        bytes = frame.size();
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["frameBytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_StatePush)->ArgName("steadyHeap")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
