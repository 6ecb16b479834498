#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "Quentrel/Views/Models/LocaleTexts.h"

namespace quentrel::testing {

// Locale texts that never change: UTC times of day as "HH:MM:SS" and "HH:MM", dates as the day
// number since 2001-01-01 before the time, byte counts as the plain number and " B" (so a test
// sees exactly which count reached the formatter).
class FixedLocaleTexts : public LocaleTexts {
public:
    std::string standardTime(platform::Date date) const override { return clock(date, true); }
    std::string shortTime(platform::Date date) const override { return clock(date, false); }
    std::string abbreviatedDateTime(platform::Date date) const override {
        const auto days = static_cast<long long>(std::floor(date.sinceReferenceDate / 86400));
        return "D" + std::to_string(days) + " " + clock(date, true);
    }
    std::string decimalByteCount(std::int64_t bytes) const override { return std::to_string(bytes) + " B"; }

private:
    static std::string clock(platform::Date date, bool seconds) {
        const auto total = static_cast<long long>(std::floor(date.sinceReferenceDate));
        const long long day = ((total % 86400) + 86400) % 86400;
        char text[16];
        if (seconds)
            std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", day / 3600, day / 60 % 60, day % 60);
        else
            std::snprintf(text, sizeof text, "%02lld:%02lld", day / 3600, day / 60 % 60);
        return text;
    }
};

}  // namespace quentrel::testing
