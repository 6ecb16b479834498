#include "Wendmark/ActivityInterval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace wendmark;
using platform::Date;
namespace json = platform::json;

namespace {
ActivityInterval span(std::uint64_t id, double start, double end) { return {id, Date{start}, Date{end}, 1, 2}; }
}  // namespace

TEST(ActivityInterval, ContainingIncludesBothEndsAndTakesTheFirstInListOrder) {
    std::vector<ActivityInterval> list{span(1, 0, 1), span(2, 1, 2), span(3, 0.5, 3)};
    EXPECT_EQ(ActivityInterval::containing(Date{1}, list)->id, 1u);  // exactly at the end of 1
    EXPECT_EQ(ActivityInterval::containing(Date{0}, list)->id, 1u);
    EXPECT_EQ(ActivityInterval::containing(Date{1.5}, list)->id, 2u);
    EXPECT_EQ(ActivityInterval::containing(Date{3}, list)->id, 3u);
    EXPECT_FALSE(ActivityInterval::containing(Date{3.01}, list));
    EXPECT_FALSE(ActivityInterval::containing(Date{1}, {}));
}

TEST(ActivityInterval, CoveredSecondsIsTheLengthOfTheUnion) {
    // Unsorted, overlapping, nested, touching and disjoint intervals.
    std::vector<ActivityInterval> list{span(1, 10, 12), span(2, 0, 4), span(3, 1, 2), span(4, 3, 5), span(5, 12, 13)};
    EXPECT_DOUBLE_EQ(ActivityInterval::coveredSeconds(list), 8.0);
    EXPECT_EQ(ActivityInterval::coveredSeconds({}), 0.0);
    // A backwards interval adds nothing, nor does one whose start is not a number.
    EXPECT_EQ(ActivityInterval::coveredSeconds(std::vector{span(1, 5, 3), span(2, NAN, 9), span(3, 0, 1)}), 1.0);
}

TEST(ActivityInterval, JSONHasTheFiveKeysInOrderAndRequiresThemAll) {
    ActivityInterval interval{18446744073709551615u, Date{10.5}, Date{11.5}, 4096, 0.5};
    std::string text = json::encode(interval);
    EXPECT_EQ(text, R"({"id":18446744073709551615,"start":10.5,"end":11.5,"readBytesPerSecond":4096.0,)"
                    R"("writeBytesPerSecond":0.5})");
    EXPECT_EQ(json::decode<ActivityInterval>(text), interval);
    EXPECT_THROW(json::decode<ActivityInterval>(R"({"id":1,"start":0,"end":1,"readBytesPerSecond":0})"),
                 json::DecodingError);

    // Dates follow the encoder's date form (ISO 8601 keeps whole seconds).
    json::Options iso{json::DateForm::iso8601};
    ActivityInterval whole{7, Date{10}, Date{11}, 1, 2};
    EXPECT_EQ(json::decode<ActivityInterval>(json::encode(whole, iso), iso), whole);
    EXPECT_NE(json::encode(whole, iso).find("\"start\":\"2001-01-01T00:00:10Z\""), std::string::npos);
}
