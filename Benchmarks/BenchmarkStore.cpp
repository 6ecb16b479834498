#include "BenchmarkStore.h"

#include <filesystem>

#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Platform/Log/Logger.h"
#include "Quentrel/Services/RecentEventLog.h"
#include "Quentrel/Services/SessionSummaryStore.h"

namespace {

class DiscardingSink final : public platform::LogSink {
public:
    void write(const platform::LogRecord&) override {}
};

}  // namespace

BenchmarkStore::BenchmarkStore(std::shared_ptr<platform::VirtualTime> virtualTime,
                               wendmark::ObservationInventory::Factory inventory)
    : time(std::move(virtualTime)) {
    platform::setDefaultLogSink(std::make_shared<DiscardingSink>());
    const quentrel::StoreRuntime runtime{[t = time](const std::string& label) { return t->makeQueue(label); },
                                         [t = time] { return platform::Date{t->wall()}; }};
    auto allow = [](const std::filesystem::path&) { return true; };
    auto discard = [](std::string_view, const std::filesystem::path&) {};
    quentrel::ObserverStoreServices services;
    services.mainQueue = time->makeQueue("main");
    services.now = [t = time] { return platform::Date{t->wall()}; };
    store = quentrel::ObserverStore::make({
        .preferences = std::make_shared<platform::MemoryDefaultsDatabase>("local.bench.Kavrinet"),
        .eventLog = std::make_shared<quentrel::RecentEventLog>(std::filesystem::path("/nonexistent/recent-events.json"),
                                                               discard, allow, runtime),
        .usesSystemServices = true,
        .sessionStorage = std::make_shared<quentrel::SessionSummaryStore>(
            std::filesystem::path("/nonexistent/sessions.json"), allow, discard, runtime),
        .monotonicNow = [t = time] { return t->continuous() - 1000; },
        .inventoryFactory = std::move(inventory),
        .services = services,
    });
    store->start();
    platform::UUID window;
    window.bytes[0] = 1;
    store->surfaceVisibilityChanged(window, true);
}

BenchmarkStore::~BenchmarkStore() {
    store->stop();
    store.reset();
    time->runUntilIdle();
    platform::setDefaultLogSink(nullptr);
}
