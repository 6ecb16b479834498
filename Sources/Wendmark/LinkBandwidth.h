#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/Foundation/JSONCoding.h"

namespace wendmark {

// The signalling rate of the USB or Thunderbolt link to one device.
struct LinkBandwidth {
    enum class Transport { usb, usb4Thunderbolt };

    Transport transport;
    std::uint64_t bitsPerSecond;

    // A plain division by 8, with no allowance for encoding or protocol overhead.
    double nominalBytesPerSecond() const { return static_cast<double>(bitsPerSecond) * 0.125; }

    // From the host controller's speed code ("USBSpeed") and the device's ("Device Speed"),
    // which number the speeds differently; absent when a code is unknown or the two disagree.
    static std::optional<LinkBandwidth> usb(std::optional<int> hostSpeed, std::optional<int> legacySpeed);
    // One Thunderbolt or USB4 port link: current speed code, lane width, supported speed mask.
    static std::optional<LinkBandwidth> thunderbolt(int speedCode, int width, int supported);
    // The slowest link of a path; the first of equal rates wins.
    static std::optional<LinkBandwidth> slowest(const std::vector<LinkBandwidth>& links);

    friend bool operator==(const LinkBandwidth&, const LinkBandwidth&) = default;

    void encode(platform::json::ObjectEncoder& e) const;
    static LinkBandwidth decode(const platform::json::ObjectDecoder& d);
};

}  // namespace wendmark

template <>
struct platform::json::EnumStrings<wendmark::LinkBandwidth::Transport> {
    using E = wendmark::LinkBandwidth::Transport;
    static constexpr std::pair<E, std::string_view> cases[] = {{E::usb, "usb"}, {E::usb4Thunderbolt, "usb4Thunderbolt"}};
};
