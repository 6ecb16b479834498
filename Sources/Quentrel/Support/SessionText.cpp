#include "SessionText.h"

#include <array>

namespace quentrel {

namespace {
constexpr std::uint64_t secondsPerMinute = 60;
constexpr std::uint64_t secondsPerHour = 3'600;
constexpr std::uint64_t firstKilobyte = 1'000;
constexpr double byteBase = 1'000;
constexpr std::array<const char*, 7> byteUnits = {"B", "KB", "MB", "GB", "TB", "PB", "EB"};
}  // namespace

std::string SessionText::duration(double seconds) {
    // Written so that not-a-number fails the comparison and becomes 0.
    double clamped = seconds >= 0 ? seconds : 0;
    if (clamped > longestDuration) clamped = longestDuration;
    const auto n = static_cast<std::uint64_t>(clamped);
    if (n < secondsPerMinute) return std::to_string(n) + "초";
    if (n < secondsPerHour)
        return std::to_string(n / secondsPerMinute) + "분 " + std::to_string(n % secondsPerMinute) + "초";
    return std::to_string(n / secondsPerHour) + "시간 " + std::to_string(n % secondsPerHour / secondsPerMinute) + "분";
}

std::string SessionText::bytes(std::uint64_t count, const LocaleFormatter& locale) {
    // The first comparison is on the whole count, every later one on the unrounded quotient.
    if (count < firstKilobyte) return locale.decimal(static_cast<double>(count), 0) + " " + byteUnits[0];
    double value = static_cast<double>(count) / byteBase;
    std::size_t index = 1;
    while (value >= byteBase && index + 1 < byteUnits.size()) {
        value /= byteBase;
        ++index;
    }
    return locale.decimal(value, 1) + " " + byteUnits[index];
}

}  // namespace quentrel
