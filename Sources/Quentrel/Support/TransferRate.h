#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Wendmark/ActivitySample.h"

namespace quentrel {

// A byte rate in bytes per second, or no rate at all, and the texts every view prints it with.
// Units are decimal (1 KB = 1,000 bytes); numbers never depend on the user's locale.
struct TransferRate {
    // What the number text and the rate-with-unit text show when there is no usable rate.
    static constexpr std::string_view noRateText = "—";

    // Absent when no rate is known; when present it is finite.
    std::optional<double> bytesPerSecond;

    TransferRate() = default;
    // A non-finite rate counts as no rate, so that the number text never reads "inf" or "nan".
    explicit TransferRate(std::optional<double> bytesPerSecond);
    // The rate of one sample's byte count (pass `bytesRead` or `bytesWritten`): present only for
    // a measured sample with a count and a finite positive interval, and when the quotient is finite.
    TransferRate(std::optional<std::uint64_t> bytes, const wendmark::ActivitySample& sample);

    // The number, scaled to the unit that `unit` names, without the unit: "—" without a rate.
    std::string value() const;

    // "GB/s", "MB/s", "KB/s" or "B/s" for an unscaled rate; the same thresholds as `value`.
    static std::string_view unit(double bytesPerSecond);
    // "<value> <unit>", or "— B/s" when the rate is not finite or is negative.
    static std::string withUnit(double bytesPerSecond);

    friend bool operator==(const TransferRate&, const TransferRate&) = default;
};

}  // namespace quentrel
