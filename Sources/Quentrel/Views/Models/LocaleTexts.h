#pragma once

#include <cstdint>
#include <string>

#include "Platform/Foundation/Date.h"

namespace quentrel {

// The texts that follow the user's locale: times of day, dates and byte counts. The views get
// one from the Qt layer (the system locale); model tests pass a fixed one, so every text a model
// builds can be compared byte for byte.
class LocaleTexts {
public:
    virtual ~LocaleTexts() = default;

    // The time of day with hours, minutes and seconds, without the date.
    virtual std::string standardTime(platform::Date date) const = 0;
    // The time of day with hours and minutes only.
    virtual std::string shortTime(platform::Date date) const = 0;
    // An abbreviated date followed by the standard time.
    virtual std::string abbreviatedDateTime(platform::Date date) const = 0;
    // A byte count in decimal units (powers of 1,000).
    virtual std::string decimalByteCount(std::int64_t bytes) const = 0;
};

}  // namespace quentrel
