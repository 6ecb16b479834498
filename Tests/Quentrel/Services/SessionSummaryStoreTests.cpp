#include "Quentrel/Services/SessionSummaryStore.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "Platform/Dispatch/ThreadSerialQueue.h"
#include "Quentrel/Services/RecentEventLog.h"
#include "StoreTestSupport.h"

using namespace quentrel;
using platform::Date;
using platform::UUID;
using storetest::Folder;
using storetest::RecordingWriter;
using storetest::Runtime;
using wendmark::SessionEndReason;
using wendmark::WorkSession;
namespace fs = std::filesystem;
namespace json = platform::json;

namespace {

UUID uuid(std::uint8_t n) {
    UUID u;
    u.bytes[15] = n;
    return u;
}

WorkSession session(std::uint8_t n, Date updatedAt, std::optional<SessionEndReason> reason = SessionEndReason::appQuit) {
    return {uuid(n), updatedAt.addingSeconds(-100), updatedAt, 1000u * n, 10, 50, 100, reason};
}

std::vector<WorkSession> sessions(std::size_t count, Date newest) {
    std::vector<WorkSession> list;
    for (std::size_t i = 0; i < count; ++i) {
        list.push_back(session(static_cast<std::uint8_t>(i + 1), newest.addingSeconds(-static_cast<double>(i))));
    }
    return list;
}

std::vector<WorkSession> readBack(const fs::path& file) {
    return json::decode<std::vector<WorkSession>>(TemporaryFolder::readFile(file));
}

}  // namespace

TEST(SessionSummaryStore, BoundedRule) {
    const Date now{storetest::kStart};
    std::vector<WorkSession> window = {session(1, now.addingSeconds(-604800)), session(2, now.addingSeconds(-604799)),
                                       session(3, now.addingSeconds(60)), session(4, now.addingSeconds(61))};
    EXPECT_EQ(SessionSummaryStore::bounded(window, now), (std::vector<WorkSession>{window[1], window[2]}));

    auto withSeconds = [&](std::uint8_t n, double observed, double elapsed) {
        WorkSession s = session(n, now);
        s.observedSeconds = observed;
        s.elapsedSeconds = elapsed;
        return s;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<WorkSession> durations = {withSeconds(1, 10, 9), withSeconds(2, 9, 9),    withSeconds(3, -1, 9),
                                          withSeconds(4, nan, 9), withSeconds(5, 1, inf), withSeconds(6, 0, nan),
                                          withSeconds(7, 0, 0)};
    EXPECT_EQ(SessionSummaryStore::bounded(durations, now), (std::vector<WorkSession>{durations[1], durations[6]}));

    // The first valid session of an identifier survives; one outside the window does not count.
    WorkSession first = session(9, now);
    WorkSession second = session(9, now.addingSeconds(-10));
    WorkSession stale = session(8, now.addingSeconds(-700000));
    WorkSession fresh = session(8, now.addingSeconds(-5));
    WorkSession invalid = withSeconds(7, 5, 1);
    WorkSession valid = session(7, now.addingSeconds(-6));
    EXPECT_EQ(SessionSummaryStore::bounded({first, second, stale, fresh, invalid, valid}, now),
              (std::vector<WorkSession>{first, fresh, valid}));

    std::vector<WorkSession> forty = sessions(40, now);
    EXPECT_EQ(SessionSummaryStore::bounded(forty, now), std::vector<WorkSession>(forty.begin(), forty.begin() + 30));
}

TEST(SessionSummaryStore, LoadMarksOpenSessionsInterruptedAndRefusesBadFiles) {
    Folder folder;
    const fs::path file = folder / "session-summaries.json";
    Runtime time;
    const Date now = time.now();

    SessionSummaryStore missing(file, storetest::allowEverything, {}, time.runtime());
    EXPECT_EQ(missing.initialStatus(), EventStorageStatus::available);
    EXPECT_TRUE(missing.initialSessions().empty());
    EXPECT_EQ(time.labels, std::vector<std::string>{"local.mirosal.Quentrel.sessions"});

    std::vector<WorkSession> stored = {session(1, now, std::nullopt), session(2, now, SessionEndReason::counterOverflow),
                                       session(3, now.addingSeconds(-604800), std::nullopt)};
    TemporaryFolder::writeFile(file, json::encode(stored));
    SessionSummaryStore loaded(file, storetest::allowEverything, {}, time.runtime());
    EXPECT_EQ(loaded.initialStatus(), EventStorageStatus::available);
    ASSERT_EQ(loaded.initialSessions().size(), 2u);
    EXPECT_EQ(loaded.initialSessions()[0].endReason, SessionEndReason::interrupted);
    EXPECT_EQ(loaded.initialSessions()[1], stored[1]);

    auto load = [&](const std::string& contents) {
        TemporaryFolder::writeFile(file, contents);
        SessionSummaryStore store(file, storetest::allowEverything, {}, time.runtime());
        EXPECT_TRUE(store.initialSessions().empty());
        EXPECT_EQ(TemporaryFolder::readFile(file), contents) << "the file must stay as it was";
        return store.initialStatus();
    };
    std::string good = json::encode(stored);
    EXPECT_EQ(load(good.substr(0, good.size() - 3)), EventStorageStatus::readFailed);  // truncated
    std::string unknownReason = good;
    unknownReason.replace(unknownReason.find("counterOverflow"), 15, "powerFailure");
    EXPECT_EQ(load(unknownReason), EventStorageStatus::readFailed);
    EXPECT_EQ(load(R"([{"id":"not-a-uuid"}])"), EventStorageStatus::readFailed);
    EXPECT_EQ(load(R"({"sessions":[]})"), EventStorageStatus::readFailed);
    EXPECT_EQ(load(good + std::string(1, '\0') + "[]"), EventStorageStatus::readFailed);  // bytes after a NUL
    std::string negativeBytes = good;
    negativeBytes.replace(negativeBytes.find("\"bytesWritten\":10"), 17, "\"bytesWritten\":-1");
    EXPECT_EQ(load(negativeBytes), EventStorageStatus::readFailed);

    std::string padded = "[" + std::string(262144 - 2, '\n') + "]";
    EXPECT_EQ(load(padded + "\n"), EventStorageStatus::readFailed);  // 262,145 bytes
    TemporaryFolder::writeFile(file, padded);
    EXPECT_EQ(SessionSummaryStore(file, storetest::allowEverything, {}, time.runtime()).initialStatus(),
              EventStorageStatus::available);

    SessionSummaryStore refused(file, [](const fs::path&) { return false; }, {}, time.runtime());
    EXPECT_EQ(refused.initialStatus(), EventStorageStatus::readFailed);
    fs::create_symlink(file, folder / "link.json");
    EXPECT_EQ(SessionSummaryStore(folder / "link.json", storetest::allowEverything, {}, time.runtime()).initialStatus(),
              EventStorageStatus::readFailed);
}

TEST(SessionSummaryStore, EverySaveWritesInOrderAndStatusChangesReachTheHandler) {
    Folder folder;
    const fs::path file = folder / "session-summaries.json";
    Runtime time;
    RecordingWriter writer;
    bool allowed = true;
    SessionSummaryStore store(file, [&](const fs::path&) { return allowed; }, writer.writer(), time.runtime());
    const Date now = time.now();
    std::vector<EventStorageStatus> seen;
    store.setStatusHandler([&](EventStorageStatus s) { seen.push_back(s); });

    store.save(sessions(1, now));
    store.save(sessions(2, now));
    store.save(sessions(3, now));
    EXPECT_EQ(writer.count(), 0u);
    time.time->runUntilIdle();
    ASSERT_EQ(writer.count(), 3u);
    EXPECT_EQ(writer.writes[0], json::encode(sessions(1, now)));
    EXPECT_EQ(writer.writes[2], json::encode(sessions(3, now)));
    EXPECT_EQ(readBack(file), sessions(3, now));
    EXPECT_EQ(seen, std::vector<EventStorageStatus>{EventStorageStatus::available});

    // The list written is bounded: surplus sessions and a repeated identifier are left out.
    std::vector<WorkSession> list = sessions(35, now);
    list.insert(list.begin() + 1, list.front());
    EXPECT_EQ(store.replaceImmediately(list), EventStorageStatus::available);
    EXPECT_EQ(readBack(file), SessionSummaryStore::bounded(list, now));
    EXPECT_EQ(readBack(file).size(), 30u);
    EXPECT_EQ(store.replaceImmediately({}), EventStorageStatus::available);
    EXPECT_EQ(TemporaryFolder::readFile(file), "[]");

    // A refused destination fails the write once, leaves the file alone and calls the handler once.
    allowed = false;
    EXPECT_EQ(store.replaceImmediately(sessions(2, now)), EventStorageStatus::writeFailed);
    store.save(sessions(2, now));
    time.time->runUntilIdle();
    EXPECT_EQ(TemporaryFolder::readFile(file), "[]");
    EXPECT_EQ(seen, (std::vector<EventStorageStatus>{EventStorageStatus::available, EventStorageStatus::writeFailed}));

    // A writer failure is writeFailed too; the next save with the then current list tries again.
    allowed = true;
    writer.failing = true;
    EXPECT_EQ(store.replaceImmediately(sessions(2, now)), EventStorageStatus::writeFailed);
    writer.failing = false;
    store.save(sessions(2, now));
    time.time->runUntilIdle();
    EXPECT_EQ(readBack(file), sessions(2, now));
    EXPECT_EQ(seen.back(), EventStorageStatus::available);
    EXPECT_EQ(seen.size(), 3u);
}

TEST(SessionSummaryStore, MemoryOnlyStoreWritesNothingAndKeepsItsStatus) {
    Runtime time;
    SessionSummaryStore store(true, StorageEnvironment::system(), time.runtime());
    EXPECT_EQ(store.initialStatus(), EventStorageStatus::memoryOnly);
    std::vector<EventStorageStatus> seen;
    store.setStatusHandler([&](EventStorageStatus s) { seen.push_back(s); });
    store.save(sessions(2, time.now()));
    time.time->runUntilIdle();
    EXPECT_EQ(store.replaceImmediately(sessions(2, time.now())), EventStorageStatus::memoryOnly);
    store.flush();
    EXPECT_EQ(seen, std::vector<EventStorageStatus>{EventStorageStatus::memoryOnly});
}

TEST(SessionSummaryStore, DroppingTheStoreDropsQueuedSaves) {
    Folder folder;
    Runtime time;
    RecordingWriter writer;
    auto store = std::make_unique<SessionSummaryStore>(folder / "session-summaries.json", storetest::allowEverything,
                                                       writer.writer(), time.runtime());
    store->save(sessions(1, time.now()));
    store.reset();
    time.time->runUntilIdle();
    EXPECT_EQ(writer.count(), 0u);
}

TEST(SessionSummaryStore, EphemeralFalseFindsTheFolderNextToTheEventLog) {
    Folder folder;
    auto environmentFor = [](fs::path data) {
        return StorageEnvironment::with(platform::FileLocations([data](const std::string& name) -> std::optional<std::string> {
            if (name == "XDG_DATA_HOME") return data.string();
            return std::nullopt;
        }));
    };
    Runtime time;
    const fs::path data = folder / "data";
    SessionSummaryStore store(false, environmentFor(data), time.runtime());
    EXPECT_EQ(store.url(), data / "QuentrelProduct" / "session-summaries.json");
    EXPECT_EQ(store.initialStatus(), EventStorageStatus::available);
    EXPECT_EQ(RecentEventLog(false, environmentFor(data), time.runtime()).fileURL()->parent_path(),
              store.url()->parent_path());
    EXPECT_EQ(store.replaceImmediately(sessions(1, time.now())), EventStorageStatus::available);

    // The folder reached through a symbolic link: no location.
    const fs::path elsewhere = folder / "elsewhere";
    fs::create_directories(elsewhere / "QuentrelProduct");
    const fs::path linkedData = folder / "linkedData";
    fs::create_directories(linkedData);
    fs::create_directory_symlink(elsewhere / "QuentrelProduct", linkedData / "QuentrelProduct");
    SessionSummaryStore linked(false, environmentFor(linkedData), time.runtime());
    EXPECT_EQ(linked.initialStatus(), EventStorageStatus::memoryOnly);

    // A symbolic link at the file's place: no location.
    const fs::path file = data / "QuentrelProduct" / "session-summaries.json";
    fs::remove(file);
    fs::create_symlink(folder / "nowhere", file);
    EXPECT_EQ(SessionSummaryStore(false, environmentFor(data), time.runtime()).initialStatus(),
              EventStorageStatus::memoryOnly);

    // Not internal: no location.
    StorageEnvironment external = environmentFor(data);
    external.volumeIsInternal = [](const fs::path&) { return std::optional<bool>(false); };
    EXPECT_EQ(SessionSummaryStore(false, external, time.runtime()).initialStatus(), EventStorageStatus::memoryOnly);
}

TEST(SessionSummaryStore, ThreadQueueFlushWaitsForEarlierSaves) {
    Folder folder;
    const fs::path file = folder / "session-summaries.json";
    StoreRuntime runtime{[](const std::string& label) { return platform::ThreadSerialQueue::make(label); }, {}};
    SessionSummaryStore store(file, storetest::allowEverything, {}, runtime);
    const Date now = Date::now();
    for (std::size_t n = 1; n <= 5; ++n) store.save(sessions(n, now));
    store.flush();
    EXPECT_EQ(readBack(file), sessions(5, now));
}
