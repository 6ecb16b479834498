#include "Wendmark/LinkBandwidth.h"

#include <gtest/gtest.h>

using namespace wendmark;
using T = LinkBandwidth::Transport;
namespace json = platform::json;

namespace {
std::optional<std::uint64_t> usbRate(std::optional<int> host, std::optional<int> legacy) {
    auto link = LinkBandwidth::usb(host, legacy);
    if (link) {
        EXPECT_EQ(link->transport, T::usb);
    }
    return link ? std::optional(link->bitsPerSecond) : std::nullopt;
}
}  // namespace

TEST(LinkBandwidth, UsbTablesNumberTheSpeedsDifferently) {
    const std::optional<std::uint64_t> host[] = {std::nullopt, 12'000'000, 1'500'000, 480'000'000,
                                                 5'000'000'000, 10'000'000'000, 20'000'000'000, std::nullopt};
    const std::optional<std::uint64_t> legacy[] = {1'500'000, 12'000'000, 480'000'000, 5'000'000'000,
                                                   10'000'000'000, 20'000'000'000, std::nullopt, std::nullopt};
    for (int code = 0; code < 8; ++code) {
        EXPECT_EQ(usbRate(code, std::nullopt), host[code]) << code;
        EXPECT_EQ(usbRate(std::nullopt, code), legacy[code]) << code;
    }
    EXPECT_EQ(usbRate(-1, std::nullopt), std::nullopt);
    EXPECT_EQ(usbRate(std::nullopt, -1), std::nullopt);
}

TEST(LinkBandwidth, UsbCodesMustAgree) {
    EXPECT_EQ(usbRate(3, 2), 480'000'000u);
    EXPECT_EQ(usbRate(3, 3), std::nullopt);
    EXPECT_EQ(usbRate(2, std::nullopt), 1'500'000u);
    EXPECT_EQ(usbRate(0, 1), std::nullopt);  // a present unknown host code wins over a valid legacy code
    EXPECT_EQ(usbRate(1, 6), std::nullopt);
    EXPECT_EQ(usbRate(std::nullopt, std::nullopt), std::nullopt);
}

TEST(LinkBandwidth, ThunderboltLanesAndSupportedMask) {
    auto rate = [](int code, int width, int supported) {
        auto link = LinkBandwidth::thunderbolt(code, width, supported);
        if (link) {
            EXPECT_EQ(link->transport, T::usb4Thunderbolt);
        }
        return link ? std::optional(link->bitsPerSecond) : std::nullopt;
    };
    EXPECT_EQ(rate(8, 2, 12), 20'000'000'000u);
    EXPECT_EQ(rate(4, 2, 12), 40'000'000'000u);
    EXPECT_EQ(rate(8, 1, 8), 10'000'000'000u);
    EXPECT_EQ(rate(4, 2, 8), std::nullopt);
    EXPECT_EQ(rate(8, 3, 8), std::nullopt);
    EXPECT_EQ(rate(8, 0, 8), std::nullopt);
    EXPECT_EQ(rate(0, 1, 0), std::nullopt);
    EXPECT_EQ(rate(12, 1, 12), std::nullopt);
}

TEST(LinkBandwidth, SlowestKeepsTheFirstOfEqualRates) {
    EXPECT_EQ(LinkBandwidth::slowest({}), std::nullopt);
    auto slow = LinkBandwidth::slowest({{T::usb, 10'000'000'000}, {T::usb4Thunderbolt, 10'000'000'000}});
    EXPECT_EQ(slow->transport, T::usb);
    slow = LinkBandwidth::slowest({{T::usb4Thunderbolt, 40'000'000'000}, {T::usb, 480'000'000}, {T::usb4Thunderbolt, 480'000'000}});
    EXPECT_EQ(*slow, (LinkBandwidth{T::usb, 480'000'000}));
    EXPECT_EQ((LinkBandwidth{T::usb, 5'000'000'000}).nominalBytesPerSecond(), 625'000'000.0);
}

TEST(LinkBandwidth, JSONHasTransportAndBitsOnly) {
    LinkBandwidth tb{T::usb4Thunderbolt, 40'000'000'000};
    EXPECT_EQ(json::encode(tb), R"({"transport":"usb4Thunderbolt","bitsPerSecond":40000000000})");
    EXPECT_EQ(json::decode<LinkBandwidth>(json::encode(tb)), tb);
    EXPECT_THROW(json::decode<LinkBandwidth>(R"({"transport":"thunderbolt","bitsPerSecond":1})"), json::DecodingError);
    EXPECT_THROW(json::decode<LinkBandwidth>(R"({"transport":"usb"})"), json::DecodingError);
}
