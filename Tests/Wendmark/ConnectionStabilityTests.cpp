#include "Wendmark/ConnectionStability.h"

#include <cmath>
#include <limits>
#include <set>

#include <gtest/gtest.h>

using namespace wendmark;
using platform::Date;
namespace json = platform::json;
using State = ConnectionStability::State;
using Outcome = ConnectionStability::Change::Outcome;

namespace {

const TargetPresence a = TargetPresence::present("driver:1");
const TargetPresence b = TargetPresence::present("driver:2");
const TargetPresence absent = TargetPresence::absent();
const TargetPresence unknown = TargetPresence::unknown();

// Capture dates run 1000 s ahead of the monotonic clock in these tests.
void feed(ConnectionStability& s, const TargetPresence& p, double now) { s.receive(p, Date{1000 + now}, now); }

}  // namespace

TEST(ConnectionStability, CountsLossesAndRecoveriesAtOnce) {
    ConnectionStability s;
    feed(s, absent, 0);
    EXPECT_EQ(s.state(), State::waiting);
    EXPECT_EQ(s.startedAt(), Date{1000});
    feed(s, a, 1);
    EXPECT_EQ(s.state(), State::connected);
    EXPECT_EQ(s.lossCount(), 0);
    EXPECT_EQ(s.recoveryCount(), 0);
    EXPECT_TRUE(s.changes().empty());

    feed(s, absent, 10.0);
    EXPECT_EQ(s.state(), State::disconnected);
    EXPECT_EQ(s.lossCount(), 1);
    EXPECT_EQ(s.lastLossAt(), Date{1010});
    EXPECT_EQ(s.pendingSince(), 10.0);
    ASSERT_EQ(s.changes().size(), 1u);
    EXPECT_EQ(s.changes()[0].outcome, Outcome::pending);
    EXPECT_EQ(s.changes()[0].date(), Date{1010});
    feed(s, absent, 11.0);
    EXPECT_EQ(s.state(), State::disconnected);
    EXPECT_EQ(s.lossCount(), 1);

    feed(s, a, 12.5);
    EXPECT_EQ(s.state(), State::connected);
    EXPECT_EQ(s.recoveryCount(), 1);
    EXPECT_EQ(s.confirmedGapSeconds(), 2.5);
    ASSERT_EQ(s.changes().size(), 1u);
    EXPECT_EQ(s.changes()[0].outcome, Outcome::recovered);
    EXPECT_EQ(s.changes()[0].gapSeconds, 2.5);
    EXPECT_EQ(s.changes()[0].recoveredAt, Date{1012.5});
    EXPECT_EQ(s.pendingSince(), std::nullopt);
    EXPECT_EQ(s.startedAt(), Date{1000});

    feed(s, b, 13);
    EXPECT_EQ(s.state(), State::connected);
    EXPECT_EQ(s.identityChangeCount(), 1);
    ASSERT_EQ(s.changes().size(), 2u);
    EXPECT_EQ(s.changes()[0].outcome, Outcome::identityChanged);
    EXPECT_EQ(s.changes()[0].gapSeconds, std::nullopt);
    EXPECT_NE(s.changes()[0].id(), s.changes()[1].id());
    feed(s, b, 14);
    EXPECT_EQ(s.identityChangeCount(), 1);
}

TEST(ConnectionStability, KeepsTheThirtyNewestChanges) {
    ConnectionStability s;
    feed(s, a, 0);
    for (int i = 1; i <= 31; ++i) {
        feed(s, absent, i * 10.0);
        feed(s, a, i * 10.0 + 1);
    }
    EXPECT_EQ(s.lossCount(), 31);
    EXPECT_EQ(s.recoveryCount(), 31);
    EXPECT_EQ(s.confirmedGapSeconds(), 31.0);
    ASSERT_EQ(s.changes().size(), ConnectionStability::maximumChanges);
    EXPECT_EQ(s.changes().front().date(), Date{1310});
    EXPECT_EQ(s.changes().back().date(), Date{1020});
    std::set<platform::UUID> ids;
    for (const auto& c : s.changes()) ids.insert(c.id());
    EXPECT_EQ(ids.size(), 30u);

    // The pending loss stays at the front, past the cap.
    feed(s, absent, 400);
    EXPECT_EQ(s.changes().size(), 30u);
    EXPECT_EQ(s.changes().front().outcome, Outcome::pending);
}

TEST(ConnectionStability, UnknownSleepAndWakeInterruptThePendingLoss) {
    ConnectionStability s;
    feed(s, a, 0);
    feed(s, absent, 1);
    feed(s, unknown, 2);
    EXPECT_EQ(s.state(), State::unavailable);
    EXPECT_EQ(s.changes()[0].outcome, Outcome::interrupted);
    EXPECT_EQ(s.baseline(), std::nullopt);
    feed(s, absent, 3);
    EXPECT_EQ(s.state(), State::waiting);
    feed(s, a, 4);
    EXPECT_EQ(s.recoveryCount(), 0);

    feed(s, absent, 5);
    s.sleep(6);
    EXPECT_EQ(s.state(), State::sleeping);
    EXPECT_EQ(s.changes()[0].outcome, Outcome::interrupted);
    EXPECT_EQ(s.lossCount(), 2);
    feed(s, a, 7);
    EXPECT_EQ(s.state(), State::sleeping);
    EXPECT_EQ(s.lastTime(), 7.0);

    s.wake(100);
    EXPECT_EQ(s.state(), State::settling);
    EXPECT_EQ(s.nextDeadline(), 103.0);
    feed(s, a, 101);
    EXPECT_EQ(s.state(), State::settling);
    s.advance(102.9);
    EXPECT_EQ(s.state(), State::settling);
    s.advance(103);
    EXPECT_EQ(s.state(), State::connected);
    EXPECT_EQ(s.nextDeadline(), std::nullopt);
    EXPECT_EQ(s.recoveryCount(), 0);
    EXPECT_EQ(s.lossCount(), 2);

    // A wake while a loss is pending, without sleep first.
    feed(s, absent, 104);
    s.wake(105);
    EXPECT_EQ(s.changes()[0].outcome, Outcome::interrupted);
    EXPECT_EQ(s.pendingSince(), std::nullopt);
    s.advance(108);  // nothing seen while settling
    EXPECT_EQ(s.state(), State::unavailable);

    // A snapshot at the deadline ends the settling itself, counting nothing.
    s.wake(200);
    feed(s, absent, 203);
    EXPECT_EQ(s.state(), State::waiting);
    EXPECT_EQ(s.lossCount(), 3);
}

TEST(ConnectionStability, IgnoresBadTimesAndStartsAtTheFirstAcceptedSnapshot) {
    ConnectionStability s;
    s.wake(0);
    s.receive(a, Date{std::nan("")}, 1);
    EXPECT_EQ(s.startedAt(), std::nullopt);
    EXPECT_EQ(s.lastTime(), 0.0);
    feed(s, a, 1);  // settling, still the start
    EXPECT_EQ(s.startedAt(), Date{1001});
    feed(s, a, 4);
    EXPECT_EQ(s.state(), State::connected);

    const ConnectionStability before = s;
    const double inf = std::numeric_limits<double>::infinity();
    for (double t : {std::nan(""), inf, -inf, 3.9}) {
        feed(s, absent, t);
        s.advance(t);
        s.sleep(t);
        s.wake(t);
        EXPECT_EQ(s, before);
    }
    s.receive(absent, Date{inf}, 5);
    EXPECT_EQ(s, before);
    feed(s, absent, 4);  // equal time accepted
    EXPECT_EQ(s.state(), State::disconnected);
    EXPECT_EQ(s.startedAt(), Date{1001});
}

TEST(ConnectionStability, JSONFormCarriesTheEightCodedFields) {
    EXPECT_EQ(json::encode(ConnectionStability()),
              R"({"state":"waiting","lossCount":0,"recoveryCount":0,"identityChangeCount":0,"confirmedGapSeconds":0.0,"changes":[]})");
    EXPECT_EQ(json::decode<ConnectionStability>(json::encode(ConnectionStability())), ConnectionStability());

    ConnectionStability s;
    feed(s, a, 0);
    feed(s, absent, 10);
    feed(s, a, 12.5);
    feed(s, absent, 20);
    std::string text = json::encode(s);
    const auto& c = s.changes();
    EXPECT_EQ(text, R"({"state":"disconnected","startedAt":1000.0,"lastLossAt":1020.0,"lossCount":2,"recoveryCount":1,)"
                    R"("identityChangeCount":0,"confirmedGapSeconds":2.5,"changes":[{"id":")" +
                        c[0].id().uuidString() + R"(","date":1020.0,"outcome":"pending"},{"id":")" + c[1].id().uuidString() +
                        R"(","date":1010.0,"outcome":"recovered","recoveredAt":1012.5,"gapSeconds":2.5}]})");
    EXPECT_EQ(c[0].id().uuidString(), platform::UUID::fromString(c[0].id().uuidString())->uuidString());

    auto decoded = json::decode<ConnectionStability>(text);
    EXPECT_EQ(json::encode(decoded), text);
    EXPECT_NE(decoded, s);  // baseline, pendingSince and lastTime are not carried
    EXPECT_EQ(decoded.baseline(), std::nullopt);
    EXPECT_EQ(decoded.pendingSince(), std::nullopt);
    EXPECT_EQ(decoded.lastTime(), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(decoded.changes(), s.changes());

    auto lowerID = json::decode<ConnectionStability>(
        R"({"state":"settling","startedAt":null,"lossCount":0,"recoveryCount":0,"identityChangeCount":0,"confirmedGapSeconds":0,)"
        R"("changes":[{"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","date":1,"outcome":"interrupted","gapSeconds":null}]})");
    EXPECT_EQ(lowerID.state(), State::settling);
    EXPECT_EQ(lowerID.nextDeadline(), std::nullopt);
    EXPECT_EQ(lowerID.changes()[0].id().uuidString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");

    const std::string good = R"("lossCount":0,"recoveryCount":0,"identityChangeCount":0,"confirmedGapSeconds":0)";
    for (const std::string& bad : std::vector<std::string>{
             R"({"state":"Waiting",)" + good + R"(,"changes":[]})",
             R"({)" + good + R"(,"changes":[]})",
             R"({"state":"waiting",)" + good + R"(})",
             R"({"state":"waiting","lossCount":0.5,"recoveryCount":0,"identityChangeCount":0,"confirmedGapSeconds":0,"changes":[]})",
             R"({"state":"waiting","lossCount":0,"recoveryCount":0,"identityChangeCount":0,"confirmedGapSeconds":"0","changes":[]})",
             R"({"state":"waiting",)" + good + R"(,"changes":[{"id":"x","date":1,"outcome":"pending"}]})",
             R"({"state":"waiting",)" + good + R"(,"changes":[{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","date":1,"outcome":"lost"}]})",
             R"({"state":"waiting",)" + good + R"(,"changes":[{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","outcome":"pending"}]})",
         })
        EXPECT_THROW(json::decode<ConnectionStability>(bad), json::DecodingError) << bad;
}
