#include "Wendmark/SessionAccumulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace wendmark;
using platform::Date;
namespace json = platform::json;

namespace {

constexpr std::uint64_t maxU64 = std::numeric_limits<std::uint64_t>::max();
constexpr double inf = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();

platform::UUID uuid(std::uint8_t last) {
    platform::UUID u;
    u.bytes[15] = last;
    return u;
}

// Hands out 00...01, 00...02, ...
SessionAccumulator accumulator() {
    return SessionAccumulator([n = std::uint8_t{0}]() mutable { return uuid(++n); });
}

ObservedInterval interval(std::uint64_t sequence, std::string device, double end, double seconds,
                          std::uint64_t read = 0, std::uint64_t written = 0) {
    return {sequence, std::move(device), Date{end - seconds}, Date{end}, seconds, read, written};
}

}  // namespace

TEST(SessionAccumulator, CountsNothingUntilADeviceIsSelected) {
    SessionAccumulator acc = accumulator();
    EXPECT_EQ(acc.ingest(interval(1, "A", 100, 1, 10), 100), std::nullopt);
    EXPECT_FALSE(acc.current());

    // Absent after absent, and the same id again, change nothing (selectedAt stays).
    EXPECT_EQ(acc.select(std::nullopt, Date{50}, 50), std::nullopt);
    EXPECT_EQ(acc.select("A", Date{100}, 100), std::nullopt);
    EXPECT_EQ(acc.select("A", Date{200}, 200), std::nullopt);
    EXPECT_EQ(acc.deviceID(), "A");
    // Starts at 100: counted only because the repeated select left selectedAt at 100.
    EXPECT_EQ(acc.ingest(interval(2, "A", 101, 1), 101), std::nullopt);
    ASSERT_TRUE(acc.current());
    EXPECT_EQ(acc.current()->startedAt, Date{100});
}

TEST(SessionAccumulator, StartToleranceForeignDevicesAndStaleSequences) {
    SessionAccumulator acc = accumulator();
    acc.select("A", Date{1000}, 10);
    acc.ingest(interval(1, "A", 1001, 1.02), 11);  // starts 0.02 s before the selection
    EXPECT_FALSE(acc.current());
    acc.ingest(interval(2, "B", 1001, 1), 11);
    EXPECT_FALSE(acc.current());
    // A stale sequence is ignored even for the selected device; device B's interval used up 2.
    acc.ingest(interval(2, "A", 1001, 1.005), 11);
    EXPECT_FALSE(acc.current());
    acc.ingest(interval(3, "A", 1001, 1.005), 11);  // starts 0.005 s before the selection
    ASSERT_TRUE(acc.current());
    EXPECT_EQ(acc.current()->id, uuid(1));
    acc.ingest(interval(3, "A", 1002, 1, 5), 12);  // repeated sequence
    EXPECT_EQ(acc.current()->bytesRead, 0u);
}

TEST(SessionAccumulator, FirstIntervalOpensASessionAndTotalsAccumulate) {
    SessionAccumulator acc = accumulator();
    acc.select("A", Date{1000}, 500);
    acc.ingest(interval(1, "A", 1012, 2, 100, 0), 512);
    ASSERT_TRUE(acc.current());
    const WorkSession& s = *acc.current();
    EXPECT_EQ(s.startedAt, Date{1010});
    EXPECT_EQ(s.updatedAt, Date{1012});
    EXPECT_EQ(s.bytesRead, 100u);
    EXPECT_EQ(s.bytesWritten, 0u);
    EXPECT_DOUBLE_EQ(s.observedSeconds, 2);
    EXPECT_DOUBLE_EQ(s.elapsedSeconds, 2);
    EXPECT_EQ(s.endReason, std::nullopt);

    // A later interval after a gap: elapsed covers the gap, observed only the intervals.
    acc.ingest(interval(2, "A", 1020, 1, 1, 7), 520);
    EXPECT_EQ(acc.current()->bytesRead, 101u);
    EXPECT_EQ(acc.current()->bytesWritten, 7u);
    EXPECT_DOUBLE_EQ(acc.current()->observedSeconds, 3);
    EXPECT_DOUBLE_EQ(acc.current()->elapsedSeconds, 10);
    EXPECT_DOUBLE_EQ(acc.current()->gapSeconds(), 7);
    EXPECT_DOUBLE_EQ(acc.current()->coverage(), 0.3);
    // While open, intervals from long before the selection are no longer refused.
    acc.ingest(interval(3, "A", 900, 1, 1, 0), 521);
    EXPECT_EQ(acc.current()->bytesRead, 102u);
}

TEST(SessionAccumulator, ElapsedNeverDecreasesNorFallsBelowObserved) {
    SessionAccumulator acc = accumulator();
    acc.select("A", Date{0}, 100);
    acc.ingest(interval(1, "A", 10, 5), 105);
    acc.advance(Date{20}, 115);
    EXPECT_DOUBLE_EQ(acc.current()->elapsedSeconds, 15);
    EXPECT_EQ(acc.current()->updatedAt, Date{20});

    for (double bad : {inf, -inf, notANumber}) {
        acc.advance(Date{30}, bad);
        EXPECT_DOUBLE_EQ(acc.current()->elapsedSeconds, 15);
        EXPECT_EQ(acc.current()->updatedAt, Date{20});
    }
    // A reading older than the last one accepted moves nothing either.
    acc.advance(Date{30}, 110);
    EXPECT_DOUBLE_EQ(acc.current()->elapsedSeconds, 15);
    EXPECT_EQ(acc.current()->updatedAt, Date{20});
    acc.advance(Date{31}, 115);  // an equal one is accepted
    EXPECT_EQ(acc.current()->updatedAt, Date{31});

    // Intervals whose lengths add up to more than the monotonic time that passed.
    acc.ingest(interval(2, "A", 40, 20), 116);
    EXPECT_DOUBLE_EQ(acc.current()->observedSeconds, 25);
    EXPECT_DOUBLE_EQ(acc.current()->elapsedSeconds, 25);
    EXPECT_DOUBLE_EQ(acc.current()->gapSeconds(), 0);
    EXPECT_DOUBLE_EQ(acc.current()->coverage(), 1);
}

TEST(SessionAccumulator, NonPositiveOrNonFiniteLengthsAndClockReadingsAreIgnored) {
    SessionAccumulator acc = accumulator();
    acc.select("A", Date{0}, 0);
    acc.ingest({1, "A", Date{1}, Date{1}, 0, 5, 5}, 1);
    acc.ingest({2, "A", Date{2}, Date{1}, -1, 5, 5}, 1);
    acc.ingest({3, "A", Date{1}, Date{2}, inf, 5, 5}, 2);
    acc.ingest({4, "A", Date{1}, Date{2}, notANumber, 5, 5}, 2);
    acc.ingest(interval(5, "A", 2, 1, 5, 5), notANumber);
    acc.ingest(interval(6, "A", 2, 1, 5, 5), inf);
    EXPECT_FALSE(acc.current());
    // Their sequences were used up all the same.
    acc.ingest(interval(6, "A", 3, 1, 5, 5), 3);
    EXPECT_FALSE(acc.current());
    acc.ingest(interval(7, "A", 3, 1, 5, 5), 3);
    ASSERT_TRUE(acc.current());
    EXPECT_EQ(acc.current()->bytesRead, 5u);
    // A clock reading older than the last accepted one does not count the interval.
    acc.ingest(interval(8, "A", 4, 1, 5, 5), 2);
    EXPECT_EQ(acc.current()->bytesRead, 5u);
}

TEST(SessionAccumulator, FinishAndSelectEndTheSession) {
    SessionAccumulator acc = accumulator();
    // finish without a session still moves selectedAt.
    acc.select("A", Date{0}, 0);
    EXPECT_EQ(acc.finish(SessionEndReason::newSession, Date{100}, 100), std::nullopt);
    EXPECT_EQ(acc.deviceID(), "A");
    acc.ingest(interval(1, "A", 101, 2), 101);  // began at 99
    EXPECT_FALSE(acc.current());
    acc.ingest(interval(2, "A", 102, 1, 3), 102);
    ASSERT_TRUE(acc.current());

    auto ended = acc.select("B", Date{110}, 110);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->endReason, SessionEndReason::selectionChanged);
    EXPECT_EQ(ended->updatedAt, Date{110});
    EXPECT_DOUBLE_EQ(ended->elapsedSeconds, 9);
    EXPECT_EQ(ended->bytesRead, 3u);
    EXPECT_FALSE(acc.current());
    EXPECT_EQ(acc.deviceID(), "B");

    // With a non-finite now the session still ends, its times untouched.
    acc.ingest(interval(3, "B", 112, 1, 1), 112);
    ASSERT_TRUE(acc.current());
    ended = acc.select(std::nullopt, Date{200}, notANumber);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->endReason, SessionEndReason::selectionChanged);
    EXPECT_EQ(ended->updatedAt, Date{112});
    EXPECT_DOUBLE_EQ(ended->elapsedSeconds, 1);
    EXPECT_EQ(acc.deviceID(), std::nullopt);
    EXPECT_EQ(acc.ingest(interval(4, "B", 300, 1, 1), 300), std::nullopt);
    EXPECT_FALSE(acc.current());

    acc.select("B", Date{400}, 400);
    acc.ingest(interval(5, "B", 401, 1, 1), 401);
    ended = acc.finish(SessionEndReason::disconnected, Date{405}, 405);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->endReason, SessionEndReason::disconnected);
    EXPECT_EQ(ended->id, uuid(3));
    EXPECT_EQ(acc.finish(SessionEndReason::appQuit, Date{406}, 406), std::nullopt);
}

TEST(SessionAccumulator, CounterOverflowEndsTheSessionAndDropsTheInterval) {
    for (bool inWrites : {true, false}) {
        auto bytes = [&](std::uint64_t overflowing, std::uint64_t other) {
            return inWrites ? std::pair{other, overflowing} : std::pair{overflowing, other};
        };
        const std::uint64_t big = maxU64 - 10;

        // Reaching the maximum exactly still fits; one byte more ends the session.
        SessionAccumulator acc = accumulator();
        acc.select("A", Date{0}, 0);
        auto [r1, w1] = bytes(big, 1);
        acc.ingest(interval(1, "A", 10, 10, r1, w1), 10);
        auto [r2, w2] = bytes(10, 0);
        EXPECT_EQ(acc.ingest(interval(2, "A", 11, 1, r2, w2), 11), std::nullopt);
        ASSERT_TRUE(acc.current());
        EXPECT_EQ(inWrites ? acc.current()->bytesWritten : acc.current()->bytesRead, maxU64);
        auto [r3, w3] = bytes(1, 0);
        auto ended = acc.ingest(interval(3, "A", 12, 1, r3, w3), 12);
        ASSERT_TRUE(ended);
        EXPECT_EQ(ended->endReason, SessionEndReason::counterOverflow);

        // max - 10 plus 11: the totals stay, the session ends at the interval's end.
        acc = accumulator();
        acc.select("A", Date{0}, 0);
        acc.ingest(interval(1, "A", 10, 10, r1, w1), 10);
        auto [r4, w4] = bytes(11, 5);
        ended = acc.ingest(interval(2, "A", 14, 2, r4, w4), 14);
        ASSERT_TRUE(ended);
        EXPECT_EQ(ended->endReason, SessionEndReason::counterOverflow);
        EXPECT_EQ(ended->bytesRead, r1);
        EXPECT_EQ(ended->bytesWritten, w1);
        EXPECT_DOUBLE_EQ(ended->observedSeconds, 10);
        EXPECT_DOUBLE_EQ(ended->elapsedSeconds, 14);
        EXPECT_EQ(ended->updatedAt, Date{14});
        EXPECT_FALSE(acc.current());
        EXPECT_EQ(acc.deviceID(), "A");

        // An interval that began before the overflowing one ended is not counted; the next
        // contiguous one opens a new session.
        acc.ingest(interval(3, "A", 15, 1.02, 1, 1), 15);
        EXPECT_FALSE(acc.current());
        acc.ingest(interval(4, "A", 16, 2, 7, 0), 16);
        ASSERT_TRUE(acc.current());
        EXPECT_EQ(acc.current()->id, uuid(2));
        EXPECT_EQ(acc.current()->startedAt, Date{14});
        EXPECT_EQ(acc.current()->bytesRead, 7u);
        EXPECT_DOUBLE_EQ(acc.current()->elapsedSeconds, 2);
    }
}

TEST(WorkSession, JSONFormAndDerivedValues) {
    WorkSession s{*platform::UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"), Date{10.5}, Date{20}, maxU64, 0,
                  2.5, 9.5, std::nullopt};
    std::string text = json::encode(s);
    EXPECT_EQ(text, R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":10.5,"updatedAt":20.0,)"
                    R"("bytesRead":18446744073709551615,"bytesWritten":0,"observedSeconds":2.5,"elapsedSeconds":9.5})");
    EXPECT_EQ(json::decode<WorkSession>(text), s);

    s.endReason = SessionEndReason::counterOverflow;
    text = json::encode(s);
    EXPECT_NE(text.find(R"("endReason":"counterOverflow")"), std::string::npos);
    EXPECT_EQ(json::decode<WorkSession>(text), s);

    EXPECT_EQ(json::decode<WorkSession>(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":1,"updatedAt":2,)"
                                        R"("bytesRead":1,"bytesWritten":2,"observedSeconds":1,"elapsedSeconds":1,)"
                                        R"("endReason":null,"extra":true})")
                  .endReason,
              std::nullopt);
    EXPECT_THROW(json::decode<WorkSession>(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":1,)"
                                           R"("updatedAt":2,"bytesRead":1,"bytesWritten":2,"observedSeconds":1,)"
                                           R"("elapsedSeconds":1,"endReason":"quit"})"),
                 json::DecodingError);
    EXPECT_THROW(json::decode<WorkSession>(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":1,)"
                                           R"("updatedAt":2,"bytesRead":-1,"bytesWritten":2,"observedSeconds":1,)"
                                           R"("elapsedSeconds":1})"),
                 json::DecodingError);
    EXPECT_THROW(json::decode<WorkSession>(R"({"startedAt":1,"updatedAt":2,"bytesRead":1,"bytesWritten":2,)"
                                           R"("observedSeconds":1,"elapsedSeconds":1})"),
                 json::DecodingError);

    WorkSession empty{};
    EXPECT_EQ(empty.coverage(), 0);
    empty.elapsedSeconds = notANumber;
    EXPECT_EQ(empty.gapSeconds(), 0);
    EXPECT_EQ(empty.coverage(), 0);
}
