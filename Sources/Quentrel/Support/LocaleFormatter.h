#pragma once

#include <cstdint>
#include <string>

#include "Platform/Foundation/Date.h"

namespace quentrel {

// The texts that follow the user's locale: grouped decimal numbers, byte counts, times and
// dates. Plain code asks through this interface; the UI app passes one backed by the system
// locale (QtLocaleFormatter in the views), tests pass the fixed one below.
class LocaleFormatter {
public:
    virtual ~LocaleFormatter() = default;

    // `value` with exactly `fractionDigits` digits after the decimal separator, grouped, with the
    // locale's separators, rounded to nearest. Callers pass finite values.
    virtual std::string decimal(double value, int fractionDigits) const = 0;
    // A byte count as a file-size text in decimal units (powers of 1,000). Counts are signed:
    // callers clamp unsigned ones first.
    virtual std::string byteCount(std::int64_t bytes) const = 0;
    // The time of day of `date` in the local time zone, with hours, minutes and seconds.
    virtual std::string time(platform::Date date) const = 0;
    // An abbreviated date followed by the time of day, as `time` writes it.
    virtual std::string dateTime(platform::Date date) const = 0;
};

// A locale that never changes, for tests and for code that runs without a user interface:
// "," groups thousands and "." separates decimals; byte counts read "999 bytes" below 1,000, else
// two decimals and kB, MB, GB, TB, PB or EB; times are "HH:mm:ss" and dates "yyyy-MM-dd HH:mm:ss",
// both in UTC. Non-finite dates count as the reference date.
class FixedLocaleFormatter final : public LocaleFormatter {
public:
    std::string decimal(double value, int fractionDigits) const override;
    std::string byteCount(std::int64_t bytes) const override;
    std::string time(platform::Date date) const override;
    std::string dateTime(platform::Date date) const override;

    // The process-wide instance.
    static const FixedLocaleFormatter& shared();
};

}  // namespace quentrel
