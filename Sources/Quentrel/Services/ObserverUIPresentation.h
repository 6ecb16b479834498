#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/JSONCoding.h"

namespace quentrel {

// A request to show one window, or the quick view, in the UI app. Decoding checks nothing beyond
// the JSON kinds: every receiver asks isValid() before acting on one.
//
// JSON: {"window":"quick-view","anchor":[x,y,width,height]}; "anchor" only when there is one.
struct ObserverUIPresentation {
    // The window ids, compared exactly (case-sensitive, no trimming).
    static constexpr std::string_view quickViewWindow = "quick-view";
    static constexpr std::array<std::string_view, 11> windowIDs = {
        "status",        "welcome",    "settings",           "device-details", "connection-summary",
        "activity-log",  "diagnostic-preview", "data-management", "help",    "about",
        quickViewWindow,
    };

    std::string window;
    // The rectangle below which the quick view opens, in global screen points: x, y, width,
    // height. Other windows ignore it.
    std::optional<std::vector<double>> anchor;

    // The set of valid window ids; built once, safely on first use from any thread.
    static const std::set<std::string, std::less<>>& windows();

    // A known window id, and an anchor that is either absent or exactly four finite numbers with a
    // width and a height above 0.
    bool isValid() const;

    friend bool operator==(const ObserverUIPresentation&, const ObserverUIPresentation&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static ObserverUIPresentation decode(const platform::json::ObjectDecoder& d);
};

}  // namespace quentrel
