#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "Platform/Foundation/JSONCoding.h"

namespace quentrel {

// One entry of the recent-event log: when it happened and its Korean text.
struct RecentEvent {
    platform::Date date;
    std::string message;

    friend bool operator==(const RecentEvent&, const RecentEvent&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static RecentEvent decode(const platform::json::ObjectDecoder& d);
};

}  // namespace quentrel

template <>
struct std::hash<quentrel::RecentEvent> {
    std::size_t operator()(const quentrel::RecentEvent& event) const noexcept {
        std::size_t h = std::hash<double>{}(event.date.sinceReferenceDate);
        return h ^ (std::hash<std::string>{}(event.message) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
    }
};
