#include "Wendmark/ObservedPeakRates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace wendmark;
using platform::Date;

namespace {
ActivityInterval lasting(double seconds, double read, double write) { return {1, Date{100}, Date{100 + seconds}, read, write}; }
constexpr double inf = std::numeric_limits<double>::infinity();
}  // namespace

TEST(ObservedPeakRates, TakesPeaksOverQualifyingIntervalsOnly) {
    ObservedPeakRates peaks(std::vector{
        lasting(45, 10, 1),          // exactly 45 s qualifies
        lasting(1, 0, 7),            // zero rates qualify
        lasting(45.001, 1000, 1000), // too long
        lasting(0, 1000, 1000),      // no duration
        lasting(-1, 1000, 1000),     // backwards
        lasting(NAN, 1000, 1000),    // undefined
        lasting(1, 1000, inf),       // infinite write rate: ignored for the read peak too
        lasting(1, NAN, 1000),
        lasting(1, -1, 1000),        // negative rate
    });
    EXPECT_EQ(peaks.read, 10.0);
    EXPECT_EQ(peaks.write, 7.0);

    ObservedPeakRates none(std::vector{lasting(50, 1, 1), lasting(1, 1, -0.5)});
    EXPECT_FALSE(none.read);
    EXPECT_FALSE(none.write);
    EXPECT_EQ(none, ObservedPeakRates(std::vector<ActivityInterval>{}));
    EXPECT_NE(peaks, none);
}
