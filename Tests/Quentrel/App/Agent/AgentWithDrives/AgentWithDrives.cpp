// The agent with scripted drives in place of the system's, for the tests of its end: every tenth
// of a second one drive has read a megabyte since the last snapshot, and a second drive comes or
// goes. So a work session is open on the first drive, and an event (the second one's coming or
// going) waits for its delayed write, at any moment of the run.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "Quentrel/App/Agent/ProductMain.h"

namespace {

using namespace wendmark;

constexpr auto kSnapshotInterval = std::chrono::milliseconds(100);
constexpr std::uint64_t kBytesRead = 1'000'000;

DeviceSnapshot drive(const std::string& id, ActivitySample activity) {
    DeviceSnapshot device;
    device.id = id;
    device.model = id;
    device.observedAt = activity.measuredAt;
    device.activity = std::move(activity);
    return device;
}

class ScriptedDrives final : public ObservationInventory {
public:
    explicit ScriptedDrives(Handler handler) : handler_(std::move(handler)) {}
    ~ScriptedDrives() override { stop(); }

    void start() override {
        thread_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            platform::Date last = platform::Date::now();
            for (std::uint64_t revision = 1; !wake_.wait_for(lock, kSnapshotInterval, [this] { return stopping_; });
                 ++revision) {
                const platform::Date now = platform::Date::now();
                InventorySnapshot snapshot{
                    {drive("driver:1", ActivitySample::measured(now.secondsSince(last), kBytesRead, 0, now))},
                    now, "", true, 1, revision, revision};
                if (revision % 2 == 0)
                    snapshot.devices.push_back(drive("driver:2", ActivitySample::unmeasured(ActivityKind::preparing, "", now)));
                last = now;
                handler_(snapshot);
            }
        });
    }
    void stop() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    void setSampling(bool, double) override {}
    void refresh() override {}
    void refreshMetadata() override {}
    void resetActivity() override {}

private:
    Handler handler_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    return quentrel::ProductMain::main(argc, argv, [](ObservationInventory::Handler handler) {
        return std::make_shared<ScriptedDrives>(std::move(handler));
    });
}
