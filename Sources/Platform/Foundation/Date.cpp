#include "Date.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace platform {

Date Date::now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return fromUnix(static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9);
}

std::optional<std::string> Date::iso8601Text() const {
    const double unix = std::floor(unixTime());
    if (!std::isfinite(unix) || std::fabs(unix) > 1e15) return std::nullopt;
    const std::time_t t = static_cast<std::time_t>(unix);
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) return std::nullopt;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

std::optional<Date> Date::fromISO8601(std::string_view text) {
    if (text.size() != 20) return std::nullopt;
    const std::string copy(text);  // NUL-terminated for sscanf
    int year, month, day, hour, minute, second;
    char tail = 0;
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second, &tail) != 7 ||
        tail != 'Z' || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return fromUnix(static_cast<double>(timegm(&tm)));
}

}  // namespace platform
