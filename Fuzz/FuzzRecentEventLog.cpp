// "recent-events.json" is a file any program of the user can write: loading it must never crash,
// must keep the limits, and whatever loads must be written back within the cap and read back as
// the events it started with (the oldest of them dropped when the encoding grew past the cap).

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Platform/Dispatch/VirtualTime.h"
#include "Quentrel/Services/RecentEventLog.h"
#include "Quentrel/Support/GraphemeText.h"

using namespace quentrel;
namespace fs = std::filesystem;

namespace {

const fs::path& scratchFile() {
    static const fs::path file = [] {
        std::string pattern = (fs::temp_directory_path() / "fuzz-recent-events-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return fs::path(pattern) / "recent-events.json";
    }();
    return file;
}

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& file = scratchFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    auto time = platform::VirtualTime::make(700'000'000);
    std::string written;
    bool wrote = false;
    StoreRuntime runtime{[&](const std::string& label) { return time->makeQueue(label); },
                         [&] { return platform::Date{time->wall()}; }};
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
