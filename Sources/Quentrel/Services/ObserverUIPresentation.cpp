#include "ObserverUIPresentation.h"

#include <cmath>

namespace quentrel {

namespace {
constexpr std::size_t kAnchorNumbers = 4;  // x, y, width, height
}

const std::set<std::string, std::less<>>& ObserverUIPresentation::windows() {
    static const std::set<std::string, std::less<>> ids(windowIDs.begin(), windowIDs.end());
    return ids;
}

bool ObserverUIPresentation::isValid() const {
    if (!windows().contains(window)) return false;
    if (!anchor) return true;
    const auto& a = *anchor;
    if (a.size() != kAnchorNumbers) return false;
    for (double n : a)
        if (!std::isfinite(n)) return false;
    return a[2] > 0 && a[3] > 0;
}

void ObserverUIPresentation::encode(platform::json::ObjectEncoder& e) const {
    e.field("window", window).field("anchor", anchor);
}

ObserverUIPresentation ObserverUIPresentation::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<std::string>("window"), d.optional<std::vector<double>>("anchor")};
}

}  // namespace quentrel
