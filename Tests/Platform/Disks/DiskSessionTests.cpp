#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Doubles/FakeDiskArbitration.h"
#include "Platform/Dispatch/VirtualTime.h"

using platform::DescriptionKey;
using platform::Disk;
using platform::DiskDescription;
using platform::Value;

namespace {

// Records deliveries as "appeared sdb", "disappeared sdb", "changed sdb 7" (7 = volumePath).
struct Recorder {
    std::vector<std::string> events;
    platform::SerialQueuePtr expectedQueue;
    bool onExpectedQueue = true;

    void note(std::string what, const Disk& disk) {
        if (expectedQueue && !expectedQueue->isCurrent()) onExpectedQueue = false;
        events.push_back(what + " " + disk.bsdName().value_or("?"));
    }
    static void appeared(const Disk& disk, void* context) { static_cast<Recorder*>(context)->note("appeared", disk); }
    static void disappeared(const Disk& disk, void* context) {
        static_cast<Recorder*>(context)->note("disappeared", disk);
    }
    static void changed(const Disk& disk, const std::vector<DescriptionKey>& keys, void* context) {
        std::string what = "changed";
        for (auto key : keys) what += "/" + std::to_string(static_cast<int>(key));
        static_cast<Recorder*>(context)->note(what, disk);
    }
};

FakeDiskSpec disk(std::string name, bool internal = false) {
    DiskDescription description;
    description.set(DescriptionKey::deviceInternal, Value::boolean(internal));
    return {std::move(name), description, std::nullopt};
}

void registerAll(platform::DiskSession& session, Recorder& recorder) {
    session.registerDiskAppeared(&Recorder::appeared, &recorder);
    session.registerDiskDisappeared(&Recorder::disappeared, &recorder);
    session.registerDiskDescriptionChanged(&Recorder::changed, &recorder);
}

}  // namespace

TEST(DiskSession, attachingReportsPresentDisksOnTheQueue) {
    auto time = platform::VirtualTime::make();
    auto queue = time->makeQueue("inventory");
    FakeDiskArbitration arbitration;
    arbitration.addDisk(disk("disk4"));
    arbitration.addDisk(disk("disk4s1"));
    auto session = arbitration.createSession();
    ASSERT_TRUE(session);
    Recorder recorder;
    recorder.expectedQueue = queue;
    registerAll(*session, recorder);

    arbitration.addDisk(disk("disk5"));  // not attached yet: not delivered
    time->runUntilIdle();
    EXPECT_TRUE(recorder.events.empty());

    session->setDispatchQueue(queue);
    EXPECT_TRUE(recorder.events.empty());  // delivered on the queue, not inside the call
    time->runUntilIdle();
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"appeared disk4", "appeared disk4s1", "appeared disk5"}));

    arbitration.changeDisk("disk4s1", disk("disk4s1").description, {DescriptionKey::volumePath});
    arbitration.removeDisk("disk5");
    time->runUntilIdle();
    EXPECT_EQ(recorder.events.at(3), "changed/7 disk4s1");
    EXPECT_EQ(recorder.events.at(4), "disappeared disk5");
    EXPECT_TRUE(recorder.onExpectedQueue);
    EXPECT_EQ(arbitration.calls(),
              (std::vector<std::string>{"registerDiskAppeared", "registerDiskDisappeared",
                                        "registerDiskDescriptionChanged", "setDispatchQueue"}));
}

TEST(DiskSession, nothingArrivesAfterUnregisterOrDetachEvenWhenQueued) {
    auto time = platform::VirtualTime::make();
    auto queue = time->makeQueue("inventory");
    FakeDiskArbitration arbitration;
    auto session = arbitration.createSession();
    Recorder recorder;
    registerAll(*session, recorder);
    session->setDispatchQueue(queue);

    // Queued, then unregistered before the queue runs.
    arbitration.addDisk(disk("disk4"));
    session->unregisterCallback(&Recorder::appeared, &recorder);
    time->runUntilIdle();
    EXPECT_TRUE(recorder.events.empty());
    arbitration.removeDisk("disk4");
    time->runUntilIdle();
    EXPECT_EQ(recorder.events, std::vector<std::string>{"disappeared disk4"});

    // Queued, then detached.
    arbitration.addDisk(disk("disk6"));
    arbitration.changeDisk("disk6", std::nullopt);
    session->setDispatchQueue(nullptr);
    arbitration.removeDisk("disk6");
    time->runUntilIdle();
    EXPECT_EQ(recorder.events.size(), 1u);

    // Another context with the same function keeps its registration.
    Recorder other;
    session->registerDiskAppeared(&Recorder::appeared, &other);
    session->setDispatchQueue(queue);
    arbitration.addDisk(disk("disk7"));
    session->unregisterCallback(&Recorder::appeared, &recorder);
    time->runUntilIdle();
    EXPECT_EQ(other.events, std::vector<std::string>{"appeared disk7"});
}

TEST(DiskSession, aCallbackCanStopTheDeliveriesQueuedBehindIt) {
    struct Stopper {
        platform::DiskSession* session;
        int calls = 0;
        static void appeared(const Disk&, void* context) {
            auto self = static_cast<Stopper*>(context);
            ++self->calls;
            self->session->unregisterCallback(&Stopper::appeared, self);
            self->session->setDispatchQueue(nullptr);
        }
    };
    auto time = platform::VirtualTime::make();
    FakeDiskArbitration arbitration;
    arbitration.addDisk(disk("disk4"));
    arbitration.addDisk(disk("disk5"));
    auto session = arbitration.createSession();
    Stopper stopper{session.get()};
    session->registerDiskAppeared(&Stopper::appeared, &stopper);
    session->setDispatchQueue(time->makeQueue("inventory"));
    time->runUntilIdle();
    EXPECT_EQ(stopper.calls, 1);
}

TEST(DiskSession, fakeDisksReadTheCurrentStateAndFailAsInjected) {
    auto registry = std::make_shared<FakeRegistry>();
    registry->add(40, "IOMedia", {FakeRegistry::rootID});
    FakeDiskArbitration arbitration(registry);
    arbitration.addDisk({"disk4", disk("disk4").description, 40});
    arbitration.addDisk({std::nullopt, std::nullopt, std::nullopt});
    arbitration.setVolumePath("/Volumes/Backup", "disk4");
    auto session = arbitration.createSession();

    auto found = session->diskFromBSDName("disk4");
    ASSERT_TRUE(found);
    EXPECT_EQ(registry->entryID(*found->copyIOMedia()), 40u);
    EXPECT_EQ(registry->outstandingHandles(), 0);
    EXPECT_EQ(session->diskFromVolumePath("/Volumes/Backup")->bsdName(), "disk4");
    EXPECT_FALSE(session->diskFromVolumePath("/Volumes/Other"));
    EXPECT_FALSE(session->diskFromBSDName("disk9"));

    DiskDescription internal = *disk("disk4", true).description;
    arbitration.changeDisk("disk4", internal);
    EXPECT_EQ(found->copyDescription(), internal);  // read afresh
    arbitration.setMediaEntryID("disk4", std::nullopt);
    EXPECT_FALSE(found->copyIOMedia());
    arbitration.setCreateFromBSDNameFails("disk4", true);
    EXPECT_FALSE(session->diskFromBSDName("disk4"));
    arbitration.removeDisk("disk4");
    EXPECT_FALSE(found->copyDescription());

    arbitration.setFailSessionCreation(true);
    EXPECT_FALSE(arbitration.createSession());
    EXPECT_EQ(arbitration.sessionsCreated(), 1u);
    session.reset();
    EXPECT_EQ(arbitration.sessionsAlive(), 0u);
}
