#pragma once

#include <string>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// Whether the inventory samples the byte counters on its timer, how often, and the Korean text
// that says why.
struct SamplingConfiguration {
    bool enabled = false;
    double interval = 30.0;  // seconds between samples; 30 whenever sampling is off
    std::string reason;

    friend bool operator==(const SamplingConfiguration&, const SamplingConfiguration&) = default;

    void encode(platform::json::ObjectEncoder& e) const {
        e.field("enabled", enabled).field("interval", interval).field("reason", reason);
    }
    static SamplingConfiguration decode(const platform::json::ObjectDecoder& d) {
        return {d.required<bool>("enabled"), d.required<double>("interval"), d.required<std::string>("reason")};
    }
};

}  // namespace wendmark
