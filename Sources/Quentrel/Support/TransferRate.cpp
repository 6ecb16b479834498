#include "TransferRate.h"

#include <cmath>

#include "FixedDecimalText.h"

namespace quentrel {

namespace {
constexpr double kilo = 1'000;
constexpr double mega = 1'000'000;
constexpr double giga = 1'000'000'000;
// From this scaled value on the number is printed without decimals.
constexpr double wholeNumbersFrom = 100;
}  // namespace

TransferRate::TransferRate(std::optional<double> rate) {
    if (rate && std::isfinite(*rate)) bytesPerSecond = rate;
}

TransferRate::TransferRate(std::optional<std::uint64_t> bytes, const wendmark::ActivitySample& sample) {
    using wendmark::ActivityKind;
    if (sample.kind != ActivityKind::observedIdle && sample.kind != ActivityKind::observedIO) return;
    if (!bytes) return;
    const auto interval = sample.intervalSeconds;
    // Written so that a NaN interval fails the comparison.
    if (!interval || !std::isfinite(*interval) || !(*interval > 0)) return;
    const double rate = static_cast<double>(*bytes) / *interval;
    if (std::isfinite(rate)) bytesPerSecond = rate;
}

std::string TransferRate::value() const {
    if (!bytesPerSecond) return std::string(noRateText);
    double x = *bytesPerSecond;
    // The scale is chosen before rounding: 999,999 B/s prints "1000" beside "KB/s".
    if (x >= giga)
        x /= giga;
    else if (x >= mega)
        x /= mega;
    else if (x >= kilo)
        x /= kilo;
    // Also turns −0 into 0, which would otherwise print as "-0".
    if (x == 0) return fixedDecimalText(0.0, 0);
    return fixedDecimalText(x, x >= wholeNumbersFrom ? 0 : 1);
}

std::string_view TransferRate::unit(double x) {
    if (x >= giga) return "GB/s";
    if (x >= mega) return "MB/s";
    if (x >= kilo) return "KB/s";
    return "B/s";
}

std::string TransferRate::withUnit(double x) {
    std::string text;
    if (std::isfinite(x) && x >= 0) {
        text = TransferRate(x).value();
        text += ' ';
        text += unit(x);
    } else {
        text = noRateText;
        text += " B/s";
    }
    return text;
}

}  // namespace quentrel
