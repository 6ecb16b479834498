#include "Quentrel/Support/TransferRate.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using namespace quentrel;
using wendmark::ActivityKind;
using wendmark::ActivitySample;

namespace {
constexpr double endless = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

ActivitySample sample(ActivityKind kind, std::optional<double> interval) {
    return {kind, interval, 0, 0, platform::Date{}, std::nullopt};
}
}  // namespace

TEST(TransferRate, OnlyMeasuredSamplesWithACountAndAUsableIntervalGiveARate) {
    struct Case {
        ActivityKind kind;
        std::optional<std::uint64_t> bytes;
        std::optional<double> interval;
        std::optional<double> rate;
    } cases[] = {
        {ActivityKind::observedIO, 3'000, 2.0, 1'500.0},
        {ActivityKind::observedIdle, 0, 1.0, 0.0},
        {ActivityKind::preparing, 3'000, 2.0, std::nullopt},
        {ActivityKind::unavailable, 3'000, 2.0, std::nullopt},
        {ActivityKind::interrupted, 3'000, 2.0, std::nullopt},
        {ActivityKind::observedIO, std::nullopt, 2.0, std::nullopt},
        {ActivityKind::observedIO, 3'000, std::nullopt, std::nullopt},
        {ActivityKind::observedIO, 3'000, 0.0, std::nullopt},
        {ActivityKind::observedIO, 3'000, -1.0, std::nullopt},
        {ActivityKind::observedIO, 3'000, endless, std::nullopt},
        {ActivityKind::observedIO, 3'000, notANumber, std::nullopt},
        // A finite but tiny interval overflows the quotient.
        {ActivityKind::observedIO, UINT64_MAX, 1e-320, std::nullopt},
    };
    for (const auto& c : cases) {
        const TransferRate rate(c.bytes, sample(c.kind, c.interval));
        EXPECT_EQ(rate.bytesPerSecond, c.rate) << static_cast<int>(c.kind) << " " << c.interval.value_or(-99);
        if (!c.rate) {
            EXPECT_EQ(rate.value(), "—");
        }
    }
    EXPECT_EQ(TransferRate(0, sample(ActivityKind::observedIdle, 1.0)).value(), "0");
}

TEST(TransferRate, RateWithUnitFollowsTheTable) {
    struct Case {
        double rate;
        const char* text;
    } cases[] = {
        {0, "0 B/s"},
        {0.5, "0.5 B/s"},
        {99.94, "99.9 B/s"},
        {999, "999 B/s"},
        {1'000, "1.0 KB/s"},
        {999'999, "1000 KB/s"},
        {1'234'567, "1.2 MB/s"},
        {123'456'789, "123 MB/s"},
        {2'500'000'000, "2.5 GB/s"},
        {-3, "— B/s"},
        {notANumber, "— B/s"},
        {endless, "— B/s"},
        {-endless, "— B/s"},
        // The scale is chosen before rounding, so a value just under 100 rounds up to 100.0.
        {99'960, "100.0 KB/s"},
        {5e12, "5000 GB/s"},
        // Exact binary ties round to even as printf does (0.25, 0.75 and 100.5 are exact).
        {0.25, "0.2 B/s"},
        {0.75, "0.8 B/s"},
        {100.5, "100 B/s"},
        {101.5, "102 B/s"},
        // A negative zero is a rate of zero, never "-0".
        {-0.0, "0 B/s"},
    };
    for (const auto& c : cases) EXPECT_EQ(TransferRate::withUnit(c.rate), c.text) << c.rate;
}

TEST(TransferRate, NumberAndUnitChangeScaleAtTheSameThresholds) {
    struct Case {
        double rate;
        const char* value;
        const char* unit;
    } cases[] = {
        {999.99, "1000", "B/s"},   {1'000, "1.0", "KB/s"},       {999'999.9, "1000", "KB/s"},
        {1'000'000, "1.0", "MB/s"}, {999'999'999, "1000", "MB/s"}, {1'000'000'000, "1.0", "GB/s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TransferRate(c.rate).value(), c.value) << c.rate;
        EXPECT_EQ(TransferRate::unit(c.rate), c.unit) << c.rate;
    }
}

TEST(TransferRate, PlainInitialiserKeepsOnlyFiniteRates) {
    EXPECT_EQ(TransferRate(std::optional<double>{}).value(), "—");
    EXPECT_EQ(TransferRate(notANumber).bytesPerSecond, std::nullopt);
    EXPECT_EQ(TransferRate(endless).value(), "—");
    EXPECT_EQ(TransferRate(-0.0).value(), "0");
    EXPECT_EQ(TransferRate(12.0).bytesPerSecond, 12.0);
}
