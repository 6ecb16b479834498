#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A wall-clock instant: seconds with fraction since 2001-01-01 00:00:00 UTC, the form in which
// every date is encoded as JSON.
struct Date {
    double sinceReferenceDate = 0;

    // Seconds between 1970-01-01 and 2001-01-01.
    static constexpr double unixOffset = 978307200.0;

    static Date now();
    static constexpr Date fromUnix(double seconds) { return Date{seconds - unixOffset}; }
    constexpr double unixTime() const { return sinceReferenceDate + unixOffset; }

    // Year 1 and year 4001: before and after every date the system records.
    static constexpr Date distantPast() { return Date{-63114076800.0}; }
    static constexpr Date distantFuture() { return Date{63113904000.0}; }

    constexpr Date addingSeconds(double seconds) const { return Date{sinceReferenceDate + seconds}; }
    constexpr double secondsSince(Date other) const { return sinceReferenceDate - other.sinceReferenceDate; }

    // ISO 8601 in whole seconds of UTC, "2001-01-01T00:00:00Z", the form of the diagnostic exports:
    // the fraction is dropped (toward the past). Nothing for a date beyond the calendar's range.
    std::optional<std::string> iso8601Text() const;
    // Reads exactly that form; nothing for any other text.
    static std::optional<Date> fromISO8601(std::string_view text);

    friend constexpr bool operator==(Date, Date) = default;
    friend constexpr auto operator<=>(Date, Date) = default;
};

}  // namespace platform
