#include "LinkBandwidthText.h"

#include <cmath>
#include <cstdint>

#include "FixedDecimalText.h"
#include "TransferRate.h"

namespace quentrel {

namespace {
constexpr std::uint64_t lastMegabitRate = 999'999'999;
constexpr double bitsPerGigabit = 1'000'000'000;
constexpr double bitsPerMegabit = 1'000'000;
}  // namespace

std::string LinkBandwidthText::rate() const {
    const auto bits = bandwidth.bitsPerSecond;
    const bool gigabits = bits > lastMegabitRate;
    const double x = static_cast<double>(bits) / (gigabits ? bitsPerGigabit : bitsPerMegabit);
    std::string text = fixedDecimalText(x, x == std::floor(x) ? 0 : 1);
    text += gigabits ? " Gb/s" : " Mb/s";
    return text;
}

std::string LinkBandwidthText::nominalBytes() const {
    return TransferRate::withUnit(bandwidth.nominalBytesPerSecond());
}

}  // namespace quentrel
