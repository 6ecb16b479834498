#include "DecimalByteCount.h"

#include <array>
#include <cmath>
#include <limits>

namespace quentrel {

namespace {
struct Unit {
    std::string_view name;
    double size;
    int fractionDigits;
};
constexpr std::array<Unit, 6> units{{
    {"KB", 1e3, 0},
    {"MB", 1e6, 1},
    {"GB", 1e9, 2},
    {"TB", 1e12, 2},
    {"PB", 1e15, 2},
    {"EB", 1e18, 2},
}};
constexpr std::int64_t firstScaledCount = 1000;

double rounded(double value, int fractionDigits) {
    const double factor = std::pow(10.0, fractionDigits);
    return std::round(value * factor) / factor;
}
}  // namespace

DecimalByteCount DecimalByteCount::of(std::int64_t bytes) {
    if (bytes < firstScaledCount) {
        const std::int64_t count = bytes < 0 ? 0 : bytes;
        return {static_cast<double>(count), 0, count == 1 ? "byte" : "bytes"};
    }
    const double count = static_cast<double>(bytes);
    // The unit is the largest one the count reaches; a value that rounds up to 1,000 of it reads
    // as 1 of the next (999,999 bytes are 1 MB, not 1000 KB).
    std::size_t index = 0;
    while (index + 1 < units.size() && count >= units[index + 1].size) ++index;
    double value = rounded(count / units[index].size, units[index].fractionDigits);
    if (value >= 1000 && index + 1 < units.size()) {
        ++index;
        value = rounded(count / units[index].size, units[index].fractionDigits);
    }
    return {value, units[index].fractionDigits, units[index].name};
}

std::int64_t DecimalByteCount::clamped(std::uint64_t bytes) {
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(bytes > largest ? largest : bytes);
}

}  // namespace quentrel
