#include "Quentrel/Support/SessionText.h"

#include <limits>

#include <gtest/gtest.h>

#include "Quentrel/Support/ClampedInteger.h"
#include "Quentrel/Support/LocaleFormatter.h"

using namespace quentrel;

namespace {
constexpr double endless = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// A locale that groups with "." and separates decimals with ",", to show which rule writes what.
class CommaLocale : public LocaleFormatter {
public:
    std::string decimal(double value, int digits) const override {
        std::string text = FixedLocaleFormatter::shared().decimal(value, digits);
        for (char& c : text) c = c == ',' ? '.' : c == '.' ? ',' : c;
        return text;
    }
    std::string byteCount(std::int64_t) const override { return {}; }
    std::string time(platform::Date) const override { return {}; }
    std::string dateTime(platform::Date) const override { return {}; }
};
}  // namespace

TEST(SessionText, DurationTruncatesClampsAndDropsSecondsFromAnHourOn) {
    struct Case {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "0초"},
        {59.9, "59초"},
        {60, "1분 0초"},
        {3'599, "59분 59초"},
        {3'600, "1시간 0분"},
        {86'400 + 3'600 + 60 + 1, "25시간 1분"},
        {-1, "0초"},
        {-endless, "0초"},
        {notANumber, "0초"},
        {1e12, "87660시간 0분"},
        {endless, "87660시간 0분"},
        {315'576'000, "87660시간 0분"},
        {123'456'789, "34293시간 33분"},
    };
    for (const auto& c : cases) EXPECT_EQ(SessionText::duration(c.seconds), c.text) << c.seconds;
}

TEST(SessionText, BytesChoosesTheUnitBeforeRoundingInTheUsersLocale) {
    const auto& plain = FixedLocaleFormatter::shared();
    struct Case {
        std::uint64_t count;
        const char* text;
    } cases[] = {
        {0, "0 B"},
        {999, "999 B"},
        {1'000, "1.0 KB"},
        {1'040, "1.0 KB"},
        {1'060, "1.1 KB"},
        {1'500'000, "1.5 MB"},
        {999'999, "1,000.0 KB"},
        {999'999'999'999'999ull, "1,000.0 TB"},
        {1'000'000'000'000'000'000ull, "1.0 EB"},
        {std::numeric_limits<std::uint64_t>::max(), "18.4 EB"},
    };
    for (const auto& c : cases) EXPECT_EQ(SessionText::bytes(c.count, plain), c.text) << c.count;
    EXPECT_EQ(SessionText::bytes(999'999, CommaLocale()), "1.000,0 KB");
    EXPECT_EQ(SessionText::bytes(1'234'567'890, CommaLocale()), "1,2 GB");
}

TEST(FixedLocaleFormatter, GroupsDecimalsAndWritesUTCTimes) {
    const auto& f = FixedLocaleFormatter::shared();
    EXPECT_EQ(f.decimal(1234567.891, 2), "1,234,567.89");
    EXPECT_EQ(f.decimal(-1234.5, 1), "-1,234.5");
    EXPECT_EQ(f.decimal(-0.0, 0), "0");
    EXPECT_EQ(f.decimal(999, 0), "999");
    EXPECT_EQ(f.byteCount(0), "0 bytes");
    EXPECT_EQ(f.byteCount(999), "999 bytes");
    EXPECT_EQ(f.byteCount(1'000'204'886'016), "1.00 TB");
    EXPECT_EQ(f.byteCount(std::numeric_limits<std::int64_t>::max()), "9.22 EB");
    // 2023-03-08 20:26:40 UTC.
    EXPECT_EQ(f.time(platform::Date{700'000'000}), "20:26:40");
    EXPECT_EQ(f.dateTime(platform::Date{700'000'000.9}), "2023-03-08 20:26:40");
    EXPECT_EQ(f.dateTime(platform::Date{notANumber}), "2001-01-01 00:00:00");
    EXPECT_EQ(f.dateTime(platform::Date{endless}), "2001-01-01 00:00:00");
}

TEST(ClampedInteger, NotANumberIsZeroAndTheRangeHolds) {
    EXPECT_EQ(clampedInteger<int>(notANumber), 0);
    EXPECT_EQ(clampedInteger<int>(endless), std::numeric_limits<int>::max());
    EXPECT_EQ(clampedInteger<int>(-endless), std::numeric_limits<int>::min());
    EXPECT_EQ(clampedInteger<int>(-2.9), -2);
    EXPECT_EQ(clampedInteger<std::int64_t>(9.3e18), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(clampedInteger<std::int64_t>(-9.3e18), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(clampedInteger<std::uint8_t>(-1), 0);
    EXPECT_EQ(clampedInteger<std::uint8_t>(255.9), 255);
}
