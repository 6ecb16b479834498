#include "FixedDecimalText.h"

#include <charconv>
#include <system_error>

namespace quentrel {

std::string fixedDecimalText(double value, int decimals) {
    // DBL_MAX in fixed notation takes 309 digits before the point.
    char buffer[400];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error != std::errc{}) return {};
    return std::string(buffer, end);
}

}  // namespace quentrel
