#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// How the last attempt to read a device's byte counters ended.
enum class StatisticsOutcome { available, notExposed, accessDenied, deviceMissing, failed, notRequested };

std::string_view title(StatisticsOutcome outcome);

// An outcome with its Korean detail text and the time of the attempt.
struct StatisticsAccess {
    StatisticsOutcome outcome;
    std::string detail;
    platform::Date checkedAt;

    friend bool operator==(const StatisticsAccess&, const StatisticsAccess&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static StatisticsAccess decode(const platform::json::ObjectDecoder& d);
};

}  // namespace wendmark

template <>
struct platform::json::EnumStrings<wendmark::StatisticsOutcome> {
    using E = wendmark::StatisticsOutcome;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::available, "available"},       {E::notExposed, "notExposed"}, {E::accessDenied, "accessDenied"},
        {E::deviceMissing, "deviceMissing"}, {E::failed, "failed"},       {E::notRequested, "notRequested"},
    };
};
