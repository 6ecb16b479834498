#include "LocaleFormatter.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "ClampedInteger.h"
#include "FixedDecimalText.h"

namespace quentrel {

namespace {
constexpr int digitsPerGroup = 3;
constexpr double byteBase = 1000;
constexpr int byteCountDecimals = 2;
constexpr std::array<const char*, 7> byteUnits = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};

// Inserts "," between each three integer digits of a plain "%.Nf" text.
std::string grouped(const std::string& plain) {
    const std::size_t start = !plain.empty() && plain.front() == '-' ? 1 : 0;
    std::size_t point = plain.find('.');
    if (point == std::string::npos) point = plain.size();
    std::string text = plain.substr(0, start);
    for (std::size_t i = start; i < point; ++i) {
        if (i > start && (point - i) % digitsPerGroup == 0) text += ',';
        text += plain[i];
    }
    text += plain.substr(point);
    return text;
}

// The UTC calendar fields of `date`; a non-finite date counts as the reference date.
std::tm utcFields(platform::Date date) {
    const double seconds = std::isfinite(date.sinceReferenceDate) ? date.unixTime() : platform::Date{}.unixTime();
    const std::time_t t = clampedInteger<std::time_t>(std::floor(seconds));
    std::tm fields{};
    if (!gmtime_r(&t, &fields)) {
        const std::time_t reference = static_cast<std::time_t>(platform::Date::unixOffset);
        gmtime_r(&reference, &fields);
    }
    return fields;
}
}  // namespace

std::string FixedLocaleFormatter::decimal(double value, int fractionDigits) const {
    // Also turns −0 into 0, which would otherwise print as "-0".
    if (value == 0) value = 0;
    return grouped(fixedDecimalText(value, fractionDigits));
}

std::string FixedLocaleFormatter::byteCount(std::int64_t bytes) const {
    // As the platform formatter: the unit by the number of decimal digits, then two decimals.
    std::size_t power = 0;
    for (double magnitude = std::fabs(static_cast<double>(bytes)); magnitude >= byteBase && power + 1 < byteUnits.size();
         magnitude /= byteBase)
        ++power;
    std::string text = power == 0 ? std::to_string(bytes)
                                  : fixedDecimalText(static_cast<double>(bytes) / std::pow(byteBase, power),
                                                     byteCountDecimals);
    text += ' ';
    text += byteUnits[power];
    return text;
}

std::string FixedLocaleFormatter::time(platform::Date date) const {
    const std::tm f = utcFields(date);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", f.tm_hour, f.tm_min, f.tm_sec);
    return text;
}

std::string FixedLocaleFormatter::dateTime(platform::Date date) const {
    const std::tm f = utcFields(date);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d ", f.tm_year + 1900, f.tm_mon + 1, f.tm_mday);
    return text + time(date);
}

const FixedLocaleFormatter& FixedLocaleFormatter::shared() {
    static const FixedLocaleFormatter instance;
    return instance;
}

}  // namespace quentrel
