// The agent with scripted drives in place of the system's, for the tests of its end: every tenth
// of a second one drive has read a megabyte since the last snapshot, and a second drive comes or
// goes. So a work session is open on the first drive, and an event (the second one's coming or
// going) waits for its delayed write, at any moment of the run.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "Platform/Dispatch/ThreadSerialQueue.h"
#include "Platform/Dispatch/TimerSource.h"
#include "Quentrel/App/Agent/ProductMain.h"

namespace {

using namespace wendmark;

constexpr double kSnapshotInterval = 0.1;
constexpr std::uint64_t kBytesRead = 1'000'000;

DeviceSnapshot drive(const std::string& id, const ActivitySample& activity) {
    DeviceSnapshot device;
    device.id = device.model = id;
    device.activity = activity;
    device.observedAt = activity.measuredAt;
    return device;
}

class ScriptedDrives final : public ObservationInventory {
public:
    explicit ScriptedDrives(Handler handler) {
        timer_->setEventHandler([this, handler = std::move(handler)] {
            const platform::Date now = platform::Date::now();
            const std::uint64_t revision = ++revision_;
            InventorySnapshot snapshot{
                {drive("driver:1", ActivitySample::measured(now.secondsSince(last_), kBytesRead, 0, now))},
                now, "", true, 1, revision, revision};
            if (revision % 2 == 0)
                snapshot.devices.push_back(drive("driver:2", ActivitySample::unmeasured(ActivityKind::preparing, "", now)));
            last_ = now;
            handler(snapshot);
        });
    }

    void start() override {
        timer_->schedule(kSnapshotInterval, kSnapshotInterval, 0);
        timer_->resume();
    }
    void stop() override {
        timer_->cancel();
        queue_->sync([] {});
    }
    void setSampling(bool, double) override {}
    void refresh() override {}
    void refreshMetadata() override {}
    void resetActivity() override {}

private:
    const platform::SerialQueuePtr queue_ = platform::ThreadSerialQueue::make("scripted drives");
    const std::shared_ptr<platform::TimerSource> timer_ = platform::TimerSource::make(queue_);
    platform::Date last_ = platform::Date::now();
    std::uint64_t revision_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    return quentrel::ProductMain::main(argc, argv, [](ObservationInventory::Handler handler) {
        return std::make_shared<ScriptedDrives>(std::move(handler));
    });
}
