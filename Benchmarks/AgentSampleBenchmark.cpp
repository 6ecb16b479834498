// One second of observation on the agent's side, at its intended load: 8 external drives of 4
// volumes each on a sysfs fixture tree, a window visible, five minutes of history held. In one
// iteration the sampling timer fires and the inventory reads every drive's counters through the
// Linux backend, the store takes in the snapshot on the main queue, and the state for the UI app
// is made, encoded, framed and written into a real pipe whose other end a thread drains, as the
// UI app's reader does. Between iterations, untimed, every drive reads and writes a little.
// steadyHeap 1: glibc does not trim the heap after each push (HeapSettings.h).

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "BenchmarkStore.h"
#include "FixtureDrives.h"
#include "HeapSettings.h"
#include "Platform/Disks/Linux/UdevDiskArbitration.h"
#include "Platform/Foundation/JSONCoding.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"
#include "Quentrel/Services/ObserverUIMessage.h"
#include "Wendmark/DiskInventory.h"

namespace {

using wendmark::DiskInventory;

constexpr int driveCount = 8;
constexpr int historySeconds = 300;
constexpr double start = 700'000'000;

// The state message as the agent's channel puts it on the pipe. The one place to change when the
// coding of messages does.
std::string stateFrame(std::uint64_t revision, const quentrel::ObserverUIState& state) {
    return quentrel::ObserverUIFrameDecoder::frameEncoded(quentrel::ObserverUIMessage::state(revision, state));
}

// A pipe whose reading end a thread drains until the writing end is closed.
class DrainedPipe {
public:
    DrainedPipe() {
        if (::pipe2(ends_, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
        reader_ = std::thread([this] {
            char buffer[64 * 1024];
            for (ssize_t n; (n = ::read(ends_[0], buffer, sizeof buffer)) != 0;)
                if (n > 0) drained_ += static_cast<std::size_t>(n);
                else if (errno != EINTR) break;
        });
    }
    ~DrainedPipe() {
        finish();
        ::close(ends_[0]);
    }
    DrainedPipe(const DrainedPipe&) = delete;
    DrainedPipe& operator=(const DrainedPipe&) = delete;

    // All of `bytes`, or false.
    bool write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(ends_[1], bytes.data(), bytes.size());
            if (n < 0 && errno != EINTR) return false;
            if (n > 0) bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    // Closes the writing end and waits for the reader; the bytes it read.
    std::size_t finish() {
        if (ends_[1] >= 0) ::close(std::exchange(ends_[1], -1));
        if (reader_.joinable()) reader_.join();
        return drained_;
    }

private:
    int ends_[2] = {-1, -1};
    std::thread reader_;
    std::size_t drained_ = 0;  // the reader's until it is joined
};

// The agent's store observing the fixture's drives through the inventory and the Linux backend.
struct Agent {
    std::unique_ptr<SysfsFixture> fixture = fixtureDrives(driveCount);
    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(start, 1000, 1000);
    std::shared_ptr<platform::UdevDiskArbitration> arbitration =
        platform::UdevDiskArbitration::make(fixture->environment());
    BenchmarkStore bench{time, [this](wendmark::ObservationInventory::Handler handler) {
                             return DiskInventory::make(
                                 std::move(handler),
                                 {arbitration, time->makeQueue(DiskInventory::queueLabel),
                                  [t = time] { return platform::Date{t->wall()}; }, [t = time] { return t->uptime(); }});
                         }};
    quentrel::ObserverStore& store = *bench.store;
    std::uint64_t second = 0;

    Agent() {
        time->advance(DiskInventory::rebuildDelay);
        if (!store.snapshot().devices.empty()) store.selectDevice(store.snapshot().devices.front().id);
        for (int i = 0; i < historySeconds; ++i) nextSecond();
    }

    // Every drive read 4 KiB and wrote 8 KiB since the last second.
    void moveCounters() {
        ++second;
        const std::string read = std::to_string(2048 + 8 * second), written = std::to_string(4096 + 16 * second);
        for (int d = 0; d < driveCount; ++d)
            fixture->write(fixture->root() + "/block/" + fixtureDriveName(d) + "/stat",
                           "100 0 " + read + " 10 50 0 " + written + " 20 0 30 30\n");
    }
    void nextSecond() {
        moveCounters();
        time->advance(1);
    }
};

void BM_AgentSecond(benchmark::State& state) {
    const HeapSettings heap(state);
    Agent agent;
    DrainedPipe pipe;
    const std::uint64_t firstRevision = agent.store.snapshot().revision.value_or(0);
    std::uint64_t pushes = 0;
    std::size_t written = 0;
    std::size_t frameBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        agent.moveCounters();
        state.ResumeTiming();
        agent.time->advance(1);
        const std::string frame = stateFrame(++pushes, agent.store.makeUIState());
        if (!pipe.write(frame)) state.SkipWithError("the pipe failed");
        written += frame.size();
        frameBytes = frame.size();
    }
    const auto& snapshot = agent.store.snapshot();
    if (snapshot.revision.value_or(0) != firstRevision + pushes || snapshot.devices.size() != driveCount)
        state.SkipWithError("not one sampling pass of the 8 drives per second");
    if (pipe.finish() != written) state.SkipWithError("the pipe lost bytes");
    state.counters["frameBytes"] = static_cast<double>(frameBytes);
    state.counters["devices"] = static_cast<double>(snapshot.devices.size());
}
BENCHMARK(BM_AgentSecond)->ArgName("steadyHeap")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
