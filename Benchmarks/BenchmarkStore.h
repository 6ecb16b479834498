#pragma once

#include <memory>

#include "Platform/Dispatch/VirtualTime.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Wendmark/ObservationInventory.h"

// The agent's observer store as the benchmarks run it: on virtual time, with in-memory defaults,
// event and session stores whose files are never written, logging discarded, started, and with one
// window visible. Stopped and released, with the log sink restored, at the end.
struct BenchmarkStore {
    BenchmarkStore(std::shared_ptr<platform::VirtualTime> time, wendmark::ObservationInventory::Factory inventory);
    ~BenchmarkStore();
    BenchmarkStore(const BenchmarkStore&) = delete;
    BenchmarkStore& operator=(const BenchmarkStore&) = delete;

    std::shared_ptr<platform::VirtualTime> time;
    std::shared_ptr<quentrel::ObserverStore> store;
};
