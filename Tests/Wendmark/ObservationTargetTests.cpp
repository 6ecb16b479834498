#include "Wendmark/ObservationTarget.h"

#include <gtest/gtest.h>

using namespace wendmark;
using platform::Date;
namespace json = platform::json;

namespace {

VolumeSnapshot volume(std::string bsd, std::string name, bool mounted, std::optional<std::string> uuid) {
    return {bsd,    name, "apfs", mounted, mounted ? std::optional<std::string>("/media/" + name) : std::nullopt,
            uuid, 1000};
}

DeviceSnapshot device(std::string id, std::string model, std::optional<std::uint64_t> capacity,
                      std::vector<VolumeSnapshot> volumes) {
    return {id, model, "USB", capacity, std::nullopt, std::move(volumes), std::nullopt,
            ActivitySample::unmeasured(ActivityKind::preparing, "wait", Date{1}), true, "IOBlockStorageDriver",
            Date{1}, std::nullopt, std::nullopt};
}

const std::string uuidA = "11111111-1111-1111-1111-111111111111";
const std::string uuidB = "22222222-2222-2222-2222-222222222222";
const std::string uuidC = "33333333-3333-3333-3333-333333333333";

}  // namespace

TEST(ObservationTarget, IsBuiltFromTheVolumeUUIDsOfTheDevice) {
    EXPECT_FALSE(ObservationTarget::fromDevice(
        device("driver:1", "SSD", 500, {volume("sdb1", "A", true, std::nullopt), volume("sdb2", "B", false, std::nullopt)}),
        Date{5}));

    auto unmountedOnly = ObservationTarget::fromDevice(
        device("driver:1", "SSD", 500, {volume("sdb1", "EFI", false, uuidA), volume("sdb2", "Data", true, std::nullopt)}),
        Date{5});
    ASSERT_TRUE(unmountedOnly);
    EXPECT_EQ(unmountedOnly->volumeUUIDs(), std::set<std::string>{uuidA});
    EXPECT_EQ(unmountedOnly->model(), "SSD");
    EXPECT_EQ(unmountedOnly->capacity(), 500u);
    EXPECT_EQ(unmountedOnly->displayName(), "Data");
    EXPECT_EQ(unmountedOnly->registeredAt(), Date{5});
}

TEST(ObservationTarget, MatchesModelCapacityAndOneSharedVolumeUUID) {
    auto target = *ObservationTarget::fromDevice(
        device("driver:1", "SSD", 500,
               {volume("sdb1", "A", true, uuidA), volume("sdb2", "B", true, uuidB), volume("sdb3", "C", true, uuidC)}),
        Date{0});
    std::vector<DeviceSnapshot> devices = {
        device("driver:2", "SSD", 500, {volume("sdc1", "x", false, uuidB)}),
        device("driver:3", "ssd", 500, {volume("sdd1", "x", true, uuidA)}),         // letter case differs
        device("driver:4", "SSD", std::nullopt, {volume("sde1", "x", true, uuidA)}),  // capacity missing
        device("driver:5", "SSD", 501, {volume("sdf1", "x", true, uuidA)}),
        device("driver:6", "SSD", 500, {volume("sdg1", "x", true, "44444444-4444-4444-4444-444444444444")}),
        device("driver:7", "SSD", 500, {volume("sdh1", "x", true, std::nullopt), volume("sdh2", "y", true, uuidC)}),
    };
    EXPECT_EQ(target.matchingIDs(devices), (std::vector<std::string>{"driver:2", "driver:7"}));
    EXPECT_TRUE(target.matchingIDs({}).empty());

    auto noCapacity =
        *ObservationTarget::fromDevice(device("driver:1", "HDD", std::nullopt, {volume("sdb1", "A", true, uuidA)}), Date{0});
    EXPECT_EQ(noCapacity.matchingIDs({device("m", "HDD", std::nullopt, {volume("sdx1", "z", true, uuidA)}),
                                      device("n", "HDD", 0, {volume("sdy1", "z", true, uuidA)})}),
              std::vector<std::string>{"m"});

    auto empty = json::decode<ObservationTarget>(R"({"model":"SSD","capacity":500,"volumeUUIDs":[],"displayName":"A","registeredAt":0})");
    EXPECT_TRUE(empty.matchingIDs(devices).empty());
}

TEST(ObservationTarget, JSONFormRoundTripsAndRejectsMalformedData) {
    auto target = *ObservationTarget::fromDevice(
        device("driver:1", "SSD", std::nullopt, {volume("sdb1", "Work", true, uuidB), volume("sdb2", "A", true, uuidA)}),
        Date{12.5});
    std::string text = json::encode(target);
    EXPECT_EQ(text, R"({"model":"SSD","volumeUUIDs":[")" + uuidA + R"(",")" + uuidB +
                        R"("],"displayName":"Work","registeredAt":12.5})");
    EXPECT_EQ(json::decode<ObservationTarget>(text), target);

    auto big = json::decode<ObservationTarget>(
        R"({"model":"M","capacity":18446744073709551615,"volumeUUIDs":["b","a","b"],"displayName":"D","registeredAt":-1.25,"extra":[1]})");
    EXPECT_EQ(big.capacity(), 18446744073709551615u);
    EXPECT_EQ(big.volumeUUIDs(), (std::set<std::string>{"a", "b"}));
    EXPECT_EQ(json::decode<ObservationTarget>(json::encode(big)), big);
    EXPECT_FALSE(json::decode<ObservationTarget>(
                     R"({"model":"M","capacity":null,"volumeUUIDs":[],"displayName":"D","registeredAt":0})")
                     .capacity());
    EXPECT_NE(big, json::decode<ObservationTarget>(
                       R"({"model":"M","capacity":18446744073709551615,"volumeUUIDs":["a"],"displayName":"D","registeredAt":-1.25})"));

    for (const char* bad : {
             R"({"volumeUUIDs":[],"displayName":"D","registeredAt":0})",
             R"({"model":"M","displayName":"D","registeredAt":0})",
             R"({"model":"M","volumeUUIDs":[],"registeredAt":0})",
             R"({"model":"M","volumeUUIDs":[],"displayName":"D"})",
             R"({"model":"M","volumeUUIDs":"a","displayName":"D","registeredAt":0})",
             R"({"model":"M","volumeUUIDs":[1],"displayName":"D","registeredAt":0})",
             R"({"model":"M","volumeUUIDs":[],"displayName":"D","registeredAt":"2001-01-01T00:00:00Z"})",
             R"({"model":"M","capacity":-1,"volumeUUIDs":[],"displayName":"D","registeredAt":0})",
             R"({"model":"M","capacity":1.5,"volumeUUIDs":[],"displayName":"D","registeredAt":0})",
             R"({"model":null,"volumeUUIDs":[],"displayName":"D","registeredAt":0})",
             R"(["M"])",
             R"({"model":"M")",
             "",
         })
        EXPECT_THROW(json::decode<ObservationTarget>(bad), json::DecodingError) << bad;
}
