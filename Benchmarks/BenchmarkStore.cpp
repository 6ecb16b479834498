#include "BenchmarkStore.h"

#include <filesystem>

#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Platform/Log/Logger.h"

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
    store = quentrel::ObserverStore::make(
        std::make_shared<platform::MemoryDefaultsDatabase>("local.bench.Kavrinet"),
        std::make_shared<quentrel::RecentEventLog>(std::filesystem::path("/nonexistent/recent-events.json"), discard,
                                                   allow, runtime),
        true,
        std::make_shared<quentrel::SessionSummaryStore>(std::filesystem::path("/nonexistent/sessions.json"), allow,
                                                        discard, runtime),
        nullptr, nullptr, [t = time] { return t->continuous() - 1000; }, std::move(inventory), services);
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
