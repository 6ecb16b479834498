#include "Wendmark/InventorySnapshot.h"

#include <gtest/gtest.h>

using namespace wendmark;
using platform::Date;
namespace json = platform::json;

namespace {

VolumeSnapshot volume(std::string bsd, std::string name, bool mounted) {
    return {bsd, name, "apfs", mounted, mounted ? std::optional<std::string>("/Volumes/" + name) : std::nullopt,
            "E621E1F8-C36C-495A-93FC-0C247A3E6E5F", 1000};
}

DeviceSnapshot bareDevice() {
    return {"driver:42", "Portable SSD", std::nullopt, std::nullopt, std::nullopt, {}, std::nullopt,
            ActivitySample::unmeasured(ActivityKind::preparing, "같은 연결의 다음 표본을 기다립니다.", Date{10}),
            true, "IOBlockStorageDriver", Date{10}, std::nullopt, std::nullopt};
}

}  // namespace

TEST(DeviceSnapshot, DisplayNameIsTheFirstMountedVolumeElseTheModel) {
    DeviceSnapshot d = bareDevice();
    EXPECT_EQ(d.displayName(), "Portable SSD");
    EXPECT_EQ(d.mountedCount(), 0);

    d.volumes = {volume("disk4s1", "EFI", false), volume("disk4s2", "Work", true), volume("disk4s3", "Media", true)};
    EXPECT_EQ(d.displayName(), "Work");
    EXPECT_EQ(d.mountedCount(), 2);

    d.volumes = {volume("disk4s1", "", true)};
    EXPECT_EQ(d.displayName(), "");

    d.volumes = {volume("disk4s1", "EFI", false)};
    EXPECT_EQ(d.displayName(), "Portable SSD");
}

TEST(DeviceSnapshot, EqualityCoversEveryField) {
    DeviceSnapshot a = bareDevice();
    DeviceSnapshot b = a;
    EXPECT_EQ(a, b);
    b.observedAt = Date{11};
    EXPECT_NE(a, b);
    b = a;
    b.statisticsAccess = StatisticsAccess{StatisticsOutcome::available, "ok", Date{10}};
    EXPECT_NE(a, b);
}

TEST(ObservationRecordsJSON, AbsentOptionalsAreLeftOutAndRoundTrip) {
    DeviceSnapshot d = bareDevice();
    std::string text = json::encode(d);
    EXPECT_EQ(text,
              R"({"id":"driver:42","model":"Portable SSD","volumes":[],)"
              R"("activity":{"kind":"preparing","measuredAt":10.0,"reason":"같은 연결의 다음 표본을 기다립니다."},)"
              R"("topologyVerified":true,"statisticsSource":"IOBlockStorageDriver","observedAt":10.0})");
    EXPECT_EQ(json::decode<DeviceSnapshot>(text), d);

    d.protocolName = "USB";
    d.capacity = 18446744073709551615u;
    d.isSolidState = false;
    d.volumes = {volume("disk4s1", "Work", true)};
    d.counters = IOCounters{18446744073709551615u, 0};
    d.activity = ActivitySample::measured(1, 4096, 0, Date{11});
    d.statisticsAccess = StatisticsAccess{StatisticsOutcome::notRequested, "조회 전", Date{11.5}};
    d.linkBandwidth = LinkBandwidth{LinkBandwidth::Transport::usb4Thunderbolt, 40'000'000'000};
    auto back = json::decode<DeviceSnapshot>(json::encode(d));
    EXPECT_EQ(back, d);
    EXPECT_EQ(back.counters->bytesRead, 18446744073709551615u);
}

TEST(ObservationRecordsJSON, SampleKeysFollowItsKind) {
    const std::string io = json::encode(ActivitySample::measured(2.5, 0, 512, Date{3}));
    EXPECT_EQ(io, R"({"kind":"observedIO","intervalSeconds":2.5,"bytesRead":0,"bytesWritten":512,"measuredAt":3.0})");
    auto idle = ActivitySample::measured(1, 0, 0, Date{3});
    EXPECT_EQ(idle.kind, ActivityKind::observedIdle);
    EXPECT_EQ(idle.title(), "관측 구간 I/O 없음");
    EXPECT_THROW(json::decode<ActivitySample>(R"({"kind":"observedio","measuredAt":1})"), json::DecodingError);
}

TEST(ObservationRecordsJSON, InventorySnapshotWithoutRebuildFieldsAndBadValues) {
    auto s = json::decode<InventorySnapshot>(
        R"({"devices":[],"capturedAt":1.25,"status":"외장 장치 없음","sessionAvailable":true,"externalMediaCount":0})");
    EXPECT_EQ(s.statisticsQueryCount, std::nullopt);
    EXPECT_EQ(s.revision, std::nullopt);
    EXPECT_EQ(s.capturedAt, Date{1.25});

    s.revision = 3;
    s.statisticsQueryCount = 0;
    auto back = json::decode<InventorySnapshot>(json::encode(s));
    EXPECT_EQ(back.revision, 3u);
    EXPECT_EQ(back.statisticsQueryCount, 0u);

    const char* negative = R"({"devices":[],"capturedAt":1,"status":"","sessionAvailable":true,"externalMediaCount":0,"revision":-1})";
    EXPECT_THROW(json::decode<InventorySnapshot>(negative), json::DecodingError);
    const char* missing = R"({"devices":[],"capturedAt":1,"status":"","externalMediaCount":0})";
    EXPECT_THROW(json::decode<InventorySnapshot>(missing), json::DecodingError);
}

TEST(StatisticsAccess, OutcomesTitlesAndJSON) {
    EXPECT_EQ(json::fromRawValue<StatisticsOutcome>("NotExposed"), std::nullopt);
    EXPECT_EQ(json::fromRawValue<StatisticsOutcome>(""), std::nullopt);
    EXPECT_EQ(json::fromRawValue<StatisticsOutcome>("notExposed"), StatisticsOutcome::notExposed);
    EXPECT_EQ(title(StatisticsOutcome::notRequested), "조회 전");
    EXPECT_EQ(title(StatisticsOutcome::accessDenied), "접근 권한 거부");

    StatisticsAccess a{StatisticsOutcome::notRequested, "조회 전입니다.", Date{5.5}};
    EXPECT_EQ(json::encode(a), R"({"outcome":"notRequested","detail":"조회 전입니다.","checkedAt":5.5})");
    EXPECT_EQ(json::decode<StatisticsAccess>(json::encode(a)), a);
    StatisticsAccess later = a;
    later.checkedAt = Date{5.75};
    EXPECT_NE(a, later);
    EXPECT_THROW(json::decode<StatisticsAccess>(R"({"outcome":"available","detail":"x"})"), json::DecodingError);
}
