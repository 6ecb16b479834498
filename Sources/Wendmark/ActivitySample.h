#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

enum class ActivityKind { preparing, observedIdle, observedIO, unavailable, interrupted };

// One sampling result of one device. The interval and both byte counts are present exactly for
// observedIdle and observedIO; the reason is present exactly when they are absent.
struct ActivitySample {
    ActivityKind kind;
    std::optional<double> intervalSeconds;
    std::optional<std::uint64_t> bytesRead;
    std::optional<std::uint64_t> bytesWritten;
    platform::Date measuredAt;
    std::optional<std::string> reason;

    // A compared interval: observedIO when a counter moved, else observedIdle.
    static ActivitySample measured(double intervalSeconds, std::uint64_t bytesRead, std::uint64_t bytesWritten,
                                   platform::Date measuredAt);
    // A sample without a measurement, with the sentence that says why.
    static ActivitySample unmeasured(ActivityKind kind, std::string reason, platform::Date measuredAt);

    std::string_view title() const;

    friend bool operator==(const ActivitySample&, const ActivitySample&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static ActivitySample decode(const platform::json::ObjectDecoder& d);
};

}  // namespace wendmark

template <>
struct platform::json::EnumStrings<wendmark::ActivityKind> {
    using E = wendmark::ActivityKind;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::preparing, "preparing"},     {E::observedIdle, "observedIdle"}, {E::observedIO, "observedIO"},
        {E::unavailable, "unavailable"}, {E::interrupted, "interrupted"},
    };
};
