#include "Quentrel/Services/RecentEventLog.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "Platform/Dispatch/ThreadSerialQueue.h"
#include "Platform/Foundation/StoppedWriter.h"
#include "Quentrel/Services/SessionSummaryStore.h"
#include "StoreTestSupport.h"

using namespace quentrel;
using platform::Date;
using storetest::Folder;
using storetest::RecordingWriter;
using storetest::Runtime;
namespace fs = std::filesystem;
namespace json = platform::json;

namespace {

std::string syllables(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += "관";
    return text;
}

std::vector<RecentEvent> events(std::size_t count, Date newest, const std::string& message = "앱 시작") {
    std::vector<RecentEvent> list;
    for (std::size_t i = 0; i < count; ++i) list.push_back({newest.addingSeconds(-static_cast<double>(i)), message});
    return list;
}

std::vector<RecentEvent> readBack(const fs::path& file) {
    return json::decode<std::vector<RecentEvent>>(TemporaryFolder::readFile(file));
}

}  // namespace

namespace quentrel {
void PrintTo(const RecentEvent& event, std::ostream* out) {
    *out << "{" << event.date.sinceReferenceDate << ", \"" << event.message << "\"}";
}
}  // namespace quentrel

TEST(RecentEventLog, BoundedKeepsTheWindowTheFirstHundredAndCutsMessages) {
    const Date now{storetest::kStart};
    std::vector<RecentEvent> window = {
        {now.addingSeconds(-604800), "7 days old"},  {now.addingSeconds(-604799), "a second younger"},
        {now.addingSeconds(60), "60 s ahead"},       {now.addingSeconds(61), "61 s ahead"},
    };
    EXPECT_EQ(RecentEventLog::bounded(window, now),
              (std::vector<RecentEvent>{window[1], window[2]}));

    std::vector<RecentEvent> many = events(150, now);
    std::vector<RecentEvent> kept = RecentEventLog::bounded(many, now);
    ASSERT_EQ(kept.size(), 100u);
    EXPECT_EQ(kept.front(), many.front());
    EXPECT_EQ(kept.back(), many[99]);
    EXPECT_TRUE(RecentEventLog::bounded({}, now).empty());

    // The caller's order decides: the list is not sorted here.
    std::vector<RecentEvent> unsorted = {{now.addingSeconds(-5), "older"}, {now, "newer"}};
    EXPECT_EQ(RecentEventLog::bounded(unsorted, now), unsorted);

    std::vector<RecentEvent> longMessages = {{now, syllables(300)}, {now, syllables(256)}};
    kept = RecentEventLog::bounded(longMessages, now);
    EXPECT_EQ(kept[0].message, syllables(256));
    EXPECT_EQ(kept[1].message, syllables(256));
}

TEST(RecentEventLog, EventAndStatusJSON) {
    RecentEvent event{Date{12.5}, "앱 시작 · 마운트 유지 관측 모드"};
    EXPECT_EQ(json::encode(std::vector<RecentEvent>{event}), R"([{"date":12.5,"message":"앱 시작 · 마운트 유지 관측 모드"}])");
    EXPECT_EQ(json::decode<RecentEvent>(R"({"message":"앱 시작 · 마운트 유지 관측 모드","extra":1,"date":12.5})"), event);
    EXPECT_THROW(json::decode<RecentEvent>(R"({"date":12.5})"), json::DecodingError);
    EXPECT_THROW(json::decode<RecentEvent>(R"({"date":"12.5","message":"x"})"), json::DecodingError);

    EXPECT_EQ(json::encode(EventStorageStatus::memoryOnly), "\"memoryOnly\"");
    EXPECT_EQ(json::decode<EventStorageStatus>("\"writeFailed\""), EventStorageStatus::writeFailed);
    EXPECT_THROW(json::decode<EventStorageStatus>("\"unknown\""), json::DecodingError);
}

TEST(RecentEventLog, LoadGivesEachBadFileReadFailedAndLeavesItAlone) {
    Folder folder;
    const fs::path file = folder / "recent-events.json";
    auto load = [&](std::string_view contents) {
        TemporaryFolder::writeFile(file, contents);
        Runtime time;
        RecentEventLog log(file, {}, storetest::allowEverything, time.runtime());
        EXPECT_TRUE(log.initialEvents().empty()) << contents.substr(0, 40);
        EXPECT_EQ(TemporaryFolder::readFile(file), contents) << "the file must stay as it was";
        return log.initialStatus();
    };
    EXPECT_EQ(load(R"([{"date":700000000,"message":"잘림)"), EventStorageStatus::readFailed);  // truncated
    EXPECT_EQ(load("not json"), EventStorageStatus::readFailed);
    EXPECT_EQ(load(R"({"date":700000000,"message":"x"})"), EventStorageStatus::readFailed);  // not an array
    EXPECT_EQ(load(R"([{"date":700000000}])"), EventStorageStatus::readFailed);             // no message
    EXPECT_EQ(load(R"([{"date":"today","message":"x"}])"), EventStorageStatus::readFailed);  // wrong type
    EXPECT_EQ(load(R"([] [])"), EventStorageStatus::readFailed);                            // trailing data
    using namespace std::string_view_literals;
    EXPECT_EQ(load("[{\"date\":700000000,\"message\":\"kept\"}]\0garbage"sv), EventStorageStatus::readFailed);
    EXPECT_EQ(load("[]\0"sv), EventStorageStatus::readFailed);
    EXPECT_EQ(load(""), EventStorageStatus::readFailed);

    // 65,537 bytes are refused unread; 65,536 bytes that decode are accepted.
    std::string padded = "[" + std::string(65536 - 2, ' ') + "]";
    ASSERT_EQ(padded.size(), 65536u);
    EXPECT_EQ(load(padded + " "), EventStorageStatus::readFailed);
    TemporaryFolder::writeFile(file, padded);
    Runtime time;
    EXPECT_EQ(RecentEventLog(file, {}, storetest::allowEverything, time.runtime()).initialStatus(),
              EventStorageStatus::available);

    // A folder or a FIFO at the location is not a file to read.
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_EQ(RecentEventLog(file, {}, storetest::allowEverything, time.runtime()).initialStatus(),
              EventStorageStatus::readFailed);
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_EQ(RecentEventLog(file, {}, storetest::allowEverything, time.runtime()).initialStatus(),
              EventStorageStatus::readFailed);
}

TEST(RecentEventLog, OpeningEitherStoreRemovesOnlyItsOwnTemporariesOfKilledWriters) {
    Folder folder;
    const fs::path events = folder / "recent-events.json";
    const fs::path sessions = folder / "session-summaries.json";
    StoppedWriter killed(sessions);
    killed.kill();
    StoppedWriter writing(events);  // the other program, still at work
    TemporaryFolder::writeFile(folder / ".recent-events.json.backup", "not a temporary file");
    auto entries = [&] { return std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()); };
    ASSERT_EQ(entries(), 3);

    Runtime time;
    RecentEventLog refused(events, {}, [](const fs::path&) { return false; }, time.runtime());
    EXPECT_EQ(entries(), 3) << "a folder that failed the destination test is not touched";
    RecentEventLog log(events, {}, storetest::allowEverything, time.runtime());
    EXPECT_EQ(entries(), 3) << "its writer is at work, and the killed one wrote the other store";

    writing.kill();
    RecentEventLog again(events, {}, storetest::allowEverything, time.runtime());
    EXPECT_EQ(entries(), 2);
    SessionSummaryStore store(sessions, storetest::allowEverything, {}, time.runtime());
    EXPECT_EQ(entries(), 1);
    EXPECT_TRUE(fs::exists(folder / ".recent-events.json.backup"));
}

TEST(RecentEventLog, LoadStartStates) {
    Folder folder;
    const fs::path file = folder / "recent-events.json";
    Runtime time;
    const Date now = time.now();

    RecentEventLog missing(file, {}, storetest::allowEverything, time.runtime());
    EXPECT_EQ(missing.initialStatus(), EventStorageStatus::available);
    EXPECT_TRUE(missing.initialEvents().empty());
    EXPECT_EQ(time.labels, std::vector<std::string>{"local.mirosal.Quentrel.history"});

    // Stored events are bounded on reading: old, far-future and surplus events are dropped.
    std::vector<RecentEvent> stored = events(120, now);
    stored.insert(stored.begin(), RecentEvent{now.addingSeconds(3600), "future"});
    stored.insert(stored.begin() + 1, RecentEvent{now.addingSeconds(-604800), "old"});
    stored.front().message = syllables(300);
    TemporaryFolder::writeFile(file, json::encode(stored));
    RecentEventLog loaded(file, {}, storetest::allowEverything, time.runtime());
    EXPECT_EQ(loaded.initialStatus(), EventStorageStatus::available);
    EXPECT_EQ(loaded.initialEvents(), RecentEventLog::bounded(stored, now));
    EXPECT_EQ(loaded.initialEvents().size(), 100u);

    // A refused location is not even read.
    RecentEventLog refused(file, {}, [](const fs::path&) { return false; }, time.runtime());
    EXPECT_EQ(refused.initialStatus(), EventStorageStatus::readFailed);
    EXPECT_TRUE(refused.initialEvents().empty());

    // With the real destination test a symbolic link at the location is refused, even to a good file.
    const fs::path link = folder / "linked.json";
    fs::create_symlink(file, link);
    RecentEventLog linked(link, {}, [](const fs::path& url) { return RecentEventLog::isSafeInternalDestination(url); },
                          time.runtime());
    EXPECT_EQ(linked.initialStatus(), EventStorageStatus::readFailed);
    // Even a permissive test does not make the log follow the link.
    EXPECT_EQ(RecentEventLog(link, {}, storetest::allowEverything, time.runtime()).initialStatus(),
              EventStorageStatus::readFailed);
}

TEST(RecentEventLog, SavesAreDebouncedToOneWriteOfTheLastList) {
    Folder folder;
    const fs::path file = folder / "recent-events.json";
    Runtime time;
    RecordingWriter writer;
    RecentEventLog log(file, writer.writer(), storetest::allowEverything, time.runtime());
    const Date now = time.now();

    log.save(events(1, now, "첫째"));
    time.time->advance(0.1);
    log.save(events(2, now, "둘째"));
    time.time->advance(0.499);
    EXPECT_EQ(writer.count(), 0u);
    time.time->advance(0.001);
    ASSERT_EQ(writer.count(), 1u);
    EXPECT_EQ(readBack(file), events(2, now, "둘째"));
    time.time->advance(10);
    EXPECT_EQ(writer.count(), 1u);

    // The list written is bounded, and an empty list is written as "[]".
    std::vector<RecentEvent> withOld = events(2, now, "x");
    withOld.push_back({now.addingSeconds(-700000), "old"});
    log.save(withOld);
    time.time->advance(0.5);
    EXPECT_EQ(readBack(file), events(2, now, "x"));
    log.save({});
    time.time->advance(0.5);
    EXPECT_EQ(TemporaryFolder::readFile(file), "[]");
    EXPECT_EQ(writer.count(), 3u);
    TemporaryFolder::writeFile(file, "[{}]");
    EXPECT_EQ(log.replaceImmediately({}), EventStorageStatus::available);
    EXPECT_EQ(TemporaryFolder::readFile(file), "[]") << "clearing writes an empty list";
    EXPECT_EQ(writer.count(), 4u);

    // flush writes the pending list now, and the delayed write does not follow.
    log.save(events(3, now, "셋째"));
    time.time->runUntilIdle();
    log.flush();
    EXPECT_EQ(writer.count(), 5u);
    EXPECT_EQ(readBack(file), events(3, now, "셋째"));
    time.time->advance(1);
    EXPECT_EQ(writer.count(), 5u);

    // flush with nothing pending writes nothing.
    log.flush();
    EXPECT_EQ(writer.count(), 5u);

}

TEST(RecentEventLog, DroppingTheLogDoesNotWriteWhatIsPending) {
    Folder folder;
    Runtime time;
    RecordingWriter writer;
    auto log = std::make_unique<RecentEventLog>(folder / "recent-events.json", writer.writer(),
                                                storetest::allowEverything, time.runtime());
    log->save(events(1, time.now()));
    time.time->runUntilIdle();
    log.reset();
    time.time->advance(1);
    EXPECT_EQ(writer.count(), 0u);
    EXPECT_FALSE(fs::exists(folder / "recent-events.json"));
}

TEST(RecentEventLog, MemoryOnlyLogSchedulesNothing) {
    Runtime time;
    RecentEventLog log(true, StorageEnvironment::system(), time.runtime());
    EXPECT_EQ(log.initialStatus(), EventStorageStatus::memoryOnly);
    EXPECT_FALSE(log.fileURL());
    std::vector<EventStorageStatus> seen;
    log.setStatusHandler([&](EventStorageStatus s) { seen.push_back(s); });
    time.time->runUntilIdle();
    log.save(events(3, time.now()));
    EXPECT_EQ(time.time->pendingCount(), 0u);
    EXPECT_EQ(log.replaceImmediately(events(3, time.now())), EventStorageStatus::memoryOnly);
    log.flush();
    time.time->advance(1);
    EXPECT_EQ(seen, std::vector<EventStorageStatus>{EventStorageStatus::memoryOnly});
}

TEST(RecentEventLog, StatusMovesOnlyWithWritesAndTheHandlerHearsChanges) {
    Folder folder;
    const fs::path file = folder / "recent-events.json";
    TemporaryFolder::writeFile(file, "garbage");
    Runtime time;
    RecordingWriter writer;
    RecentEventLog log(file, writer.writer(), storetest::allowEverything, time.runtime());
    ASSERT_EQ(log.initialStatus(), EventStorageStatus::readFailed);
    const Date now = time.now();

    std::vector<EventStorageStatus> seen;
    bool onQueue = false;
    log.setStatusHandler([&](EventStorageStatus s) {
        seen.push_back(s);
        onQueue = time.queue->isCurrent();
    });
    EXPECT_TRUE(seen.empty()) << "the handler is called on the queue, later";
    time.time->runUntilIdle();
    EXPECT_EQ(seen, std::vector<EventStorageStatus>{EventStorageStatus::readFailed});
    EXPECT_TRUE(onQueue);

    // The first good write replaces the unreadable file.
    EXPECT_EQ(log.replaceImmediately(events(2, now)), EventStorageStatus::available);
    EXPECT_EQ(readBack(file), events(2, now));
    EXPECT_EQ(log.replaceImmediately(events(1, now)), EventStorageStatus::available);
    EXPECT_EQ(seen, (std::vector<EventStorageStatus>{EventStorageStatus::readFailed, EventStorageStatus::available}));

    // A failed write is reported and leaves the good file as it was; it is not retried by itself.
    writer.failing = true;
    EXPECT_EQ(log.replaceImmediately(events(5, now)), EventStorageStatus::writeFailed);
    log.save(events(6, now));
    time.time->advance(1);
    EXPECT_EQ(readBack(file), events(1, now));
    EXPECT_EQ(seen.back(), EventStorageStatus::writeFailed);
    EXPECT_EQ(seen.size(), 3u) << "an unchanged status calls nothing";

    writer.failing = false;
    log.save(events(2, now));
    time.time->advance(0.5);
    EXPECT_EQ(seen.back(), EventStorageStatus::available);
    EXPECT_EQ(readBack(file), events(2, now));
}

TEST(RecentEventLog, WritesDropTheOldestEventsUntilTheFileFits) {
    Folder folder;
    const fs::path file = folder / "recent-events.json";
    Runtime time;
    RecentEventLog log(file, {}, storetest::allowEverything, time.runtime());
    // 100 events of 250 syllables: about 75 KiB encoded.
    std::vector<RecentEvent> list = events(100, time.now(), syllables(250));
    ASSERT_GT(json::encode(list).size(), 65536u);
    EXPECT_EQ(log.replaceImmediately(list), EventStorageStatus::available);
    std::string written = TemporaryFolder::readFile(file);
    EXPECT_LE(written.size(), 65536u);
    std::vector<RecentEvent> kept = readBack(file);
    ASSERT_LT(kept.size(), 100u);
    ASSERT_GT(kept.size(), 80u);
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), list.begin())) << "the first events are kept";
    // One more event would not fit.
    std::vector<RecentEvent> oneMore(list.begin(), list.begin() + static_cast<long>(kept.size()) + 1);
    EXPECT_GT(json::encode(oneMore).size(), 65536u);
    // What was written reads back.
    EXPECT_EQ(RecentEventLog(file, {}, storetest::allowEverything, time.runtime()).initialEvents(), kept);
}

TEST(RecentEventLog, SymbolicLinksMakeWritesFail) {
    Folder folder;
    const fs::path real = folder / "real";
    fs::create_directory(real);
    const fs::path file = real / "recent-events.json";
    const fs::path target = folder / "elsewhere.json";
    TemporaryFolder::writeFile(target, "keep");
    Runtime time;
    auto safe = [](const fs::path& url) { return RecentEventLog::isSafeInternalDestination(url); };

    RecentEventLog log(file, {}, safe, time.runtime());
    ASSERT_EQ(log.initialStatus(), EventStorageStatus::available);
    EXPECT_EQ(log.replaceImmediately(events(1, time.now())), EventStorageStatus::available);

    // A link put at the file's place after construction: every later write fails, the link stays.
    fs::remove(file);
    fs::create_symlink(target, file);
    EXPECT_EQ(log.replaceImmediately(events(2, time.now())), EventStorageStatus::writeFailed);
    log.save(events(3, time.now()));
    time.time->advance(0.5);
    EXPECT_EQ(TemporaryFolder::readFile(target), "keep");
    EXPECT_TRUE(fs::is_symlink(file));

    // A link in the folder's path.
    const fs::path linkedFolder = folder / "linked";
    fs::create_directory_symlink(real, linkedFolder);
    fs::remove(file);
    RecentEventLog throughLink(linkedFolder / "recent-events.json", {}, safe, time.runtime());
    EXPECT_EQ(throughLink.initialStatus(), EventStorageStatus::readFailed);
    EXPECT_EQ(throughLink.replaceImmediately(events(1, time.now())), EventStorageStatus::writeFailed);
    EXPECT_FALSE(fs::exists(file));
}

TEST(RecentEventLog, SafeInternalDestination) {
    Folder folder;
    const fs::path file = folder / "recent-events.json";
    auto internal = [](const fs::path&) -> std::optional<bool> { return true; };
    EXPECT_TRUE(RecentEventLog::isSafeInternalDestination(file, internal));  // nothing there
    TemporaryFolder::writeFile(file, "[]");
    EXPECT_TRUE(RecentEventLog::isSafeInternalDestination(file, internal));  // a regular file
    EXPECT_TRUE(RecentEventLog::isSafeInternalDestination(file));            // this machine's /tmp is internal

    EXPECT_FALSE(RecentEventLog::isSafeInternalDestination(file, [](const fs::path&) { return std::optional<bool>(false); }));
    EXPECT_FALSE(RecentEventLog::isSafeInternalDestination(file, [](const fs::path&) { return std::optional<bool>(); }));

    fs::create_symlink(folder / "nowhere", folder / "dangling.json");
    EXPECT_FALSE(RecentEventLog::isSafeInternalDestination(folder / "dangling.json", internal));
    fs::create_directory(folder / "folder.json");
    EXPECT_FALSE(RecentEventLog::isSafeInternalDestination(folder / "folder.json", internal));
    EXPECT_FALSE(RecentEventLog::isSafeInternalDestination(folder / "missing" / "recent-events.json", internal));
    EXPECT_FALSE(RecentEventLog::isSafeInternalDestination(file / "inside", internal));  // the folder is a file
}

TEST(RecentEventLog, EphemeralFalseFindsTheApplicationSupportFolder) {
    Folder folder;
    auto environmentFor = [](fs::path data, VolumeQuery query) {
        return StorageEnvironment::with(platform::FileLocations([data](const std::string& name) -> std::optional<std::string> {
                                            if (name == "XDG_DATA_HOME") return data.string();
                                            return std::nullopt;
                                        }),
                                        std::move(query));
    };
    Runtime time;
    const fs::path data = folder / "data";  // does not exist yet
    RecentEventLog log(false, environmentFor(data, systemVolumeIsInternal), time.runtime());
    EXPECT_EQ(log.fileURL(), data / "QuentrelProduct" / "recent-events.json");
    EXPECT_EQ(log.initialStatus(), EventStorageStatus::available);
    EXPECT_EQ(fs::status(data / "QuentrelProduct").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(log.replaceImmediately(events(1, time.now())), EventStorageStatus::available);
    EXPECT_EQ(readBack(data / "QuentrelProduct" / "recent-events.json"), events(1, time.now()));

    // Not on an internal volume, or no Application Support at all: memory only.
    auto external = [](const fs::path&) { return std::optional<bool>(false); };
    EXPECT_EQ(RecentEventLog(false, environmentFor(data, external), time.runtime()).initialStatus(),
              EventStorageStatus::memoryOnly);
    StorageEnvironment none{[] { return std::vector<fs::path>{}; }, systemVolumeIsInternal};
    EXPECT_EQ(RecentEventLog(false, none, time.runtime()).initialStatus(), EventStorageStatus::memoryOnly);

    // A link already at the file's place leaves the log without a file.
    const fs::path file = data / "QuentrelProduct" / "recent-events.json";
    fs::remove(file);
    fs::create_symlink(folder / "elsewhere", file);
    RecentEventLog linked(false, environmentFor(data, systemVolumeIsInternal), time.runtime());
    EXPECT_EQ(linked.initialStatus(), EventStorageStatus::memoryOnly);
    EXPECT_FALSE(linked.fileURL());

    // Ephemeral: no folder is made.
    const fs::path other = folder / "other";
    RecentEventLog ephemeral(true, environmentFor(other, systemVolumeIsInternal), time.runtime());
    EXPECT_EQ(ephemeral.initialStatus(), EventStorageStatus::memoryOnly);
    EXPECT_FALSE(fs::exists(other));
}

TEST(RecentEventLog, ThreadQueueFlushWritesBeforeReturningAndHandlerRunsOnTheQueue) {
    Folder folder;
    const fs::path file = folder / "recent-events.json";
    std::shared_ptr<platform::SerialQueue> queue;
    StoreRuntime runtime{[&](const std::string& label) {
                             queue = platform::ThreadSerialQueue::make(label);
                             return queue;
                         },
                         {}};
    RecentEventLog log(file, {}, storetest::allowEverything, runtime);
    EXPECT_EQ(queue->label(), "local.mirosal.Quentrel.history");
    std::atomic<int> calls{0};
    std::atomic<bool> onQueue{false};
    log.setStatusHandler([&](EventStorageStatus) {
        onQueue = queue->isCurrent();
        ++calls;
    });
    const Date now = Date::now();
    log.save(events(2, now, "flush"));
    log.flush();  // queued after the save, so the pending list is there to write
    EXPECT_EQ(readBack(file), events(2, now, "flush"));
    queue->sync([] {});
    EXPECT_EQ(calls.load(), 1);
    EXPECT_TRUE(onQueue.load());
}
