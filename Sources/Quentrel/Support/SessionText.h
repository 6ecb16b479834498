#pragma once

#include <cstdint>
#include <string>

#include "LocaleFormatter.h"

namespace quentrel {

// How work-session figures reach the user: durations and byte totals. Every view that shows a
// session, a gap or a session total uses these two rules.
struct SessionText {
    // Durations are clamped to this many seconds (ten years of 365.25 days).
    static constexpr double longestDuration = 315'576'000;

    // Whole seconds, truncated: "59초", "1분 0초", from an hour on "1시간 0분" (seconds dropped).
    // Negative and not-a-number durations read 0초, longer ones than longestDuration its text.
    // Plain digits, whatever the locale.
    static std::string duration(double seconds);

    // A decimal-unit byte total: "999 B" below 1,000, else one decimal and KB, MB, GB, TB, PB or EB,
    // the number written by `locale` (its grouping and decimal separators). The unit is chosen
    // before rounding, so 999,999 bytes read "1,000.0 KB" where "," groups thousands.
    static std::string bytes(std::uint64_t count, const LocaleFormatter& locale);
};

}  // namespace quentrel
