#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Platform/Foundation/Date.h"

namespace quentrel {

// The texts that follow the user's locale (times, dates, grouped numbers). The models take them
// from here so that they stay plain code; the views pass the system locale's formatters, tests
// pass fixed ones.
struct LocalizedFormats {
    // A time of day alone, in the locale's standard length (with seconds).
    std::function<std::string(platform::Date)> time;
    // A date in the abbreviated style followed by the time in the short style.
    std::function<std::string(platform::Date)> abbreviatedDateShortTime;
    // An integer with the locale's grouping separators.
    std::function<std::string(std::uint64_t)> groupedInteger;
};

}  // namespace quentrel
