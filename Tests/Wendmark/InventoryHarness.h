#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Doubles/FakeExternalDrives.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Wendmark/DiskInventory.h"

// A disk inventory on virtual time and the fake disk service, recording every snapshot with the
// uptime at which it arrived.
struct InventoryHarness {
    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(700'000'000, 5'000);
    std::shared_ptr<FakeDiskArbitration> arbitration = std::make_shared<FakeDiskArbitration>();
    FakeExternalDrives drives{arbitration};
    std::vector<wendmark::InventorySnapshot> snapshots;
    std::vector<double> arrivals;  // uptime of each snapshot
    bool handlerOnQueue = true;
    double stalled = 0;  // seconds the clocks have run beyond virtual time (a stalled read)
    std::function<void()> afterWallClock;  // runs after each reading of the wall clock
    std::shared_ptr<wendmark::DiskInventory> inventory;

    InventoryHarness() { inventory = make(); }
    // A running inventory keeps itself alive until it is stopped.
    ~InventoryHarness() {
        if (inventory) inventory->stop();
        time->runUntilIdle();
    }
    InventoryHarness(const InventoryHarness&) = delete;
    InventoryHarness& operator=(const InventoryHarness&) = delete;

    std::shared_ptr<wendmark::DiskInventory> make() {
        auto queue = time->makeQueue(wendmark::DiskInventory::queueLabel);
        auto weakQueue = std::weak_ptr<platform::SerialQueue>(queue);
        return wendmark::DiskInventory::make(
            [this, weakQueue](const wendmark::InventorySnapshot& snapshot) {
                auto current = weakQueue.lock();
                handlerOnQueue = handlerOnQueue && current && current->isCurrent();
                snapshots.push_back(snapshot);
                arrivals.push_back(time->uptime());
            },
            {arbitration, queue,
             [this] {
                 const platform::Date now{time->wall() + stalled};
                 if (afterWallClock) afterWallClock();
                 return now;
             },
             [this] { return time->uptime() + stalled; }});
    }

    // Starts and lets the first debounced snapshot arrive.
    const wendmark::InventorySnapshot& started() {
        inventory->start();
        time->runUntilIdle();
        time->advance(wendmark::DiskInventory::rebuildDelay);
        EXPECT_FALSE(snapshots.empty());
        return snapshots.back();
    }

    const wendmark::InventorySnapshot& last() {
        EXPECT_FALSE(snapshots.empty());
        return snapshots.back();
    }

    // refresh() and its snapshot.
    const wendmark::InventorySnapshot& refreshed() {
        auto before = snapshots.size();
        inventory->refresh();
        time->runUntilIdle();
        EXPECT_EQ(snapshots.size(), before + 1);
        return snapshots.back();
    }

    static const wendmark::DeviceSnapshot* device(const wendmark::InventorySnapshot& snapshot, const std::string& id) {
        for (const auto& device : snapshot.devices)
            if (device.id == id) return &device;
        return nullptr;
    }

    static std::string driverKey(const FakeExternalDrives::Drive& drive) {
        return "driver:" + std::to_string(drive.driver);
    }
};
