// "session-summaries.json" is a file any program of the user can write: loading it must never
// crash, must keep the limits (30 sessions, 7 days, sound durations, one session per identifier,
// every loaded session ended), and what loads must be written back unchanged within the cap.

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "StoreFuzzing.h"
#include "Quentrel/Services/SessionSummaryStore.h"

using namespace quentrel;
namespace fs = std::filesystem;

using storefuzzing::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path file = storefuzzing::writeInput("session-summaries.json", data, size);
    auto time = platform::VirtualTime::make(700'000'000);
    std::string written;
    StoreRuntime runtime = storefuzzing::virtualRuntime(time);
    SessionSummaryStore store(
        file, [](const fs::path&) { return true; },
        [&](std::string_view bytes, const fs::path&) { written = bytes; }, runtime);

    const auto& sessions = store.initialSessions();
    if (store.initialStatus() != EventStorageStatus::available) {
        check(store.initialStatus() == EventStorageStatus::readFailed && sessions.empty());
        return 0;
    }
    check(size <= SessionSummaryStore::maximumFileSize);
    check(sessions.size() <= SessionSummaryStore::maximumSessions);
    const platform::Date now{time->wall()};
    std::set<platform::UUID> ids;
    for (const auto& session : sessions) {
        check(session.updatedAt > now.addingSeconds(-SessionSummaryStore::maximumAgeSeconds));
        check(session.updatedAt <= now.addingSeconds(SessionSummaryStore::futureToleranceSeconds));
        check(std::isfinite(session.observedSeconds) && session.observedSeconds >= 0);
        check(std::isfinite(session.elapsedSeconds) && session.observedSeconds <= session.elapsedSeconds);
        check(session.endReason.has_value());
        check(ids.insert(session.id).second);
    }

    check(store.replaceImmediately(sessions) == EventStorageStatus::available);
    check(written.size() <= SessionSummaryStore::maximumFileSize);
    check(platform::json::decode<std::vector<wendmark::WorkSession>>(written) == sessions);
    return 0;
}
