#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "Platform/Disks/Linux/UdevDiskArbitration.h"
#include "Platform/Dispatch/ThreadSerialQueue.h"

using namespace platform;

namespace {

struct Seen {
    std::mutex mutex;
    std::vector<DiskPtr> disks;
    std::shared_ptr<UdevDiskSession> session;
    static void appeared(const Disk& disk, void* context) {
        auto self = static_cast<Seen*>(context);
        std::lock_guard lock(self->mutex);
        if (auto again = self->session->diskFromBSDName(*disk.bsdName())) self->disks.push_back(again);
    }
};

bool hasBus(const char* bus) {
    std::error_code error;
    return std::filesystem::directory_iterator(std::string("/sys/bus/") + bus + "/devices", error) !=
               std::filesystem::directory_iterator() && !error;
}

bool udevDaemonRuns() { return ::access(LinuxDiskEnvironment::udevControlPath, F_OK) == 0; }

}  // namespace

TEST(RealSystem, noSessionOpensWithoutAUdevDaemon) {
    auto session = UdevDiskArbitration::make(LinuxDiskEnvironment::system())->openSession();
    if (udevDaemonRuns()) {
        EXPECT_TRUE(session) << "udev, /sys or /proc/self/mountinfo could not be opened";
    } else {
        EXPECT_FALSE(session);
    }
}

// This machine's own /sys, /proc and udev, as if a udev daemon ran. It may or may not have
// external drives, so this only checks what holds everywhere.
TEST(RealSystem, theBackendRunsOnThisMachine) {
    auto environment = LinuxDiskEnvironment::system();
    environment.udevDaemonRunning = [] { return true; };
    auto arbitration = UdevDiskArbitration::make(environment);
    Seen seen;
    seen.session = arbitration->openSession();
    ASSERT_TRUE(seen.session) << "udev, /sys or /proc/self/mountinfo could not be opened";
    auto queue = ThreadSerialQueue::make("disks");
    seen.session->registerDiskAppeared(&Seen::appeared, &seen);
    seen.session->setDispatchQueue(queue);
    queue->sync([] {});  // the deliveries of the attach were queued before this

    std::lock_guard lock(seen.mutex);
    EXPECT_FALSE(seen.disks.empty());
    bool externalBus = hasBus("usb") || hasBus("thunderbolt");
    auto& registry = *arbitration->sysfsRegistry();
    for (const auto& disk : seen.disks) {
        auto name = *disk->bsdName();
        auto description = disk->copyDescription();
        if (!description) continue;  // went away meanwhile
        auto internal = description->value(DescriptionKey::deviceInternal);
        if (name.starts_with("loop") || name.starts_with("zram") || name.starts_with("ram")) {
            EXPECT_EQ(internal, nullptr) << name;
        }
        if (!externalBus && internal) {
            EXPECT_EQ(internal->boolValue(), true) << name;
        }

        // The media entry leads to the root in a bounded number of steps.
        auto entry = disk->copyIOMedia();
        ASSERT_TRUE(entry) << name;
        int steps = 0;
        std::optional<RegistryObject> current = entry;
        bool sawDriver = false;
        while (current && steps++ < 64) {
            if (registry.conformsTo(*current, "IOBlockStorageDriver")) {
                sawDriver = true;
                auto read = registry.allProperties(*current);
                EXPECT_EQ(read.code, ReturnCode::success) << name;
            }
            if (registry.className(*current) == "IORegistryEntry") break;
            current = registry.parentEntry(*current, servicePlane);
        }
        EXPECT_TRUE(current && registry.className(*current) == "IORegistryEntry") << name;
        if (!name.starts_with("dm-") && !name.starts_with("md")) {
            EXPECT_TRUE(sawDriver) << name;
        }
    }
    seen.disks.clear();
    EXPECT_EQ(registry.outstandingHandles(), 0);
    seen.session->setDispatchQueue(nullptr);
    seen.session.reset();  // stops the monitor thread
}
