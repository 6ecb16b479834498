#pragma once

#include <cstdint>
#include <string_view>

namespace quentrel {

// How a byte count reads in decimal units with adaptively chosen precision: whole bytes below
// 1,000; then KB without decimals, MB with at most one and GB and above with at most two,
// trailing zeros left out. The number itself is printed by the locale (its decimal separator).
struct DecimalByteCount {
    double value = 0;        // the count in `unit`, already rounded to `fractionDigits`
    int fractionDigits = 0;  // the most decimals to print; trailing zeros are dropped
    std::string_view unit;   // "byte", "bytes", "KB", "MB", "GB", "TB", "PB" or "EB"

    // Negative counts read as 0 bytes.
    static DecimalByteCount of(std::int64_t bytes);
    // The largest signed 64-bit count; larger unsigned counts are clamped to it before formatting.
    static std::int64_t clamped(std::uint64_t bytes);

    friend bool operator==(const DecimalByteCount&, const DecimalByteCount&) = default;
};

}  // namespace quentrel
