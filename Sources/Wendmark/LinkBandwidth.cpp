#include "LinkBandwidth.h"

namespace wendmark {

namespace {
std::optional<std::uint64_t> hostSpeedRate(int code) {
    switch (code) {
    case 1: return 12'000'000;
    case 2: return 1'500'000;
    case 3: return 480'000'000;
    case 4: return 5'000'000'000;
    case 5: return 10'000'000'000;
    case 6: return 20'000'000'000;
    default: return std::nullopt;
    }
}

std::optional<std::uint64_t> legacySpeedRate(int code) {
    switch (code) {
    case 0: return 1'500'000;
    case 1: return 12'000'000;
    case 2: return 480'000'000;
    case 3: return 5'000'000'000;
    case 4: return 10'000'000'000;
    case 5: return 20'000'000'000;
    default: return std::nullopt;
    }
}
}  // namespace

std::optional<LinkBandwidth> LinkBandwidth::usb(std::optional<int> hostSpeed, std::optional<int> legacySpeed) {
    std::optional<std::uint64_t> host, legacy;
    if (hostSpeed && !(host = hostSpeedRate(*hostSpeed))) return std::nullopt;
    if (legacySpeed && !(legacy = legacySpeedRate(*legacySpeed))) return std::nullopt;
    if (host && legacy && *host != *legacy) return std::nullopt;
    if (auto rate = host ? host : legacy) return LinkBandwidth{Transport::usb, *rate};
    return std::nullopt;
}

std::optional<LinkBandwidth> LinkBandwidth::thunderbolt(int speedCode, int width, int supported) {
    if (width != 1 && width != 2) return std::nullopt;
    if ((speedCode & supported) != speedCode) return std::nullopt;
    std::uint64_t perLane;
    if (speedCode == 8)
        perLane = 10'000'000'000;
    else if (speedCode == 4)
        perLane = 20'000'000'000;
    else
        return std::nullopt;
    return LinkBandwidth{Transport::usb4Thunderbolt, perLane * static_cast<std::uint64_t>(width)};
}

std::optional<LinkBandwidth> LinkBandwidth::slowest(const std::vector<LinkBandwidth>& links) {
    if (links.empty()) return std::nullopt;
    LinkBandwidth best = links.front();
    for (const auto& link : links)
        if (link.bitsPerSecond < best.bitsPerSecond) best = link;
    return best;
}

void LinkBandwidth::encode(platform::json::ObjectEncoder& e) const {
    e.field("transport", transport).field("bitsPerSecond", bitsPerSecond);
}

LinkBandwidth LinkBandwidth::decode(const platform::json::ObjectDecoder& d) {
    return {d.required<Transport>("transport"), d.required<std::uint64_t>("bitsPerSecond")};
}

}  // namespace wendmark
