#pragma once

#include <cmath>
#include <concepts>
#include <limits>

namespace quentrel {

// `value` as an integer of type T, truncated toward zero: not-a-number becomes 0 and values
// beyond T's range (infinities included) become its limits. A plain cast would be undefined
// behaviour in both cases.
template <std::integral T>
constexpr T clampedInteger(double value) {
    if (std::isnan(value)) return 0;
    // The limits as doubles: the largest may round up to 2^N, which is itself out of range.
    constexpr double lowest = static_cast<double>(std::numeric_limits<T>::lowest());
    constexpr double beyondHighest = static_cast<double>(std::numeric_limits<T>::max()) + 1.0;
    if (value <= lowest) return std::numeric_limits<T>::lowest();
    if (value >= beyondHighest) return std::numeric_limits<T>::max();
    return static_cast<T>(value);
}

}  // namespace quentrel
