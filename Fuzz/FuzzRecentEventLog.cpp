// "recent-events.json" is a file any program of the user can write: loading it must never crash,
// must keep the limits, and whatever loads must be written back within the cap and read back as
// the events it started with (the oldest of them dropped when the encoding grew past the cap).

#include <cstdint>
#include <filesystem>
#include <string>

#include "StoreFuzzing.h"
#include "Quentrel/Services/RecentEventLog.h"
#include "Quentrel/Support/GraphemeText.h"

using namespace quentrel;
namespace fs = std::filesystem;

using storefuzzing::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path file = storefuzzing::writeInput("recent-events.json", data, size);
    auto time = platform::VirtualTime::make(700'000'000);
    std::string written;
    bool wrote = false;
    StoreRuntime runtime = storefuzzing::virtualRuntime(time);
    RecentEventLog log(
        file,
        [&](std::string_view bytes, const fs::path&) {
            written = bytes;
            wrote = true;
        },
        [](const fs::path&) { return true; }, runtime);

    const auto& events = log.initialEvents();
    if (log.initialStatus() != EventStorageStatus::available) {
        check(log.initialStatus() == EventStorageStatus::readFailed && events.empty());
        return 0;
    }
    check(size <= RecentEventLog::maximumFileSize);
    check(events.size() <= RecentEventLog::maximumEvents);
    const platform::Date now{time->wall()};
    for (const RecentEvent& event : events) {
        check(event.date > now.addingSeconds(-RecentEventLog::maximumAgeSeconds));
        check(event.date <= now.addingSeconds(RecentEventLog::futureToleranceSeconds));
        check(hasAtMostGraphemes(event.message, RecentEventLog::maximumMessageLength));
    }
    check(RecentEventLog::bounded(events, now) == events);

    check(log.replaceImmediately(events) == EventStorageStatus::available && wrote);
    check(written.size() <= RecentEventLog::maximumFileSize);
    auto reread = platform::json::decode<std::vector<RecentEvent>>(written);
    check(reread.size() <= events.size());
    check(std::equal(reread.begin(), reread.end(), events.begin()));
    return 0;
}
