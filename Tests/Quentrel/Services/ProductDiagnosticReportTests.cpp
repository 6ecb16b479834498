#include "Quentrel/Services/ProductDiagnosticReport.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/ProcessInfo.h"
#include "Support/JSONTree.h"

using namespace quentrel;
using platform::Date;
using wendmark::ActivityKind;
using wendmark::ActivitySample;
using wendmark::DeviceSnapshot;
using wendmark::InventorySnapshot;
using wendmark::VolumeSnapshot;
namespace json = platform::json;
using Runtime = ProductDiagnosticReport::Runtime;

namespace {

std::string text(const platform::Data& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string build(const InventorySnapshot& inventory, const std::vector<RecentEvent>& events = {},
                  const Runtime& runtime = {}, bool paused = false) {
    return text(ProductDiagnosticReport::data(inventory, paused, events, runtime, Date{86400.75}));
}

testjson::Tree document(const InventorySnapshot& inventory, const std::vector<RecentEvent>& events = {},
                     const Runtime& runtime = {}) {
    return testjson::Tree::parse(build(inventory, events, runtime));
}

DeviceSnapshot device(std::vector<VolumeSnapshot> volumes = {}) {
    DeviceSnapshot d;
    d.id = "driver:4242";
    d.model = "Model";
    d.volumes = std::move(volumes);
    d.activity = ActivitySample::unmeasured(ActivityKind::preparing, "준비 중", Date{10});
    d.observedAt = Date{10};
    return d;
}

VolumeSnapshot volume(std::optional<std::string> fileSystem = std::nullopt) {
    return {"sdb1", "Name", std::move(fileSystem), false, std::nullopt, std::nullopt, std::nullopt};
}

InventorySnapshot inventoryOf(std::vector<DeviceSnapshot> devices) {
    InventorySnapshot inventory;
    inventory.devices = std::move(devices);
    return inventory;
}

Runtime fullRuntime() {
    return {true, 1.5, 2, true, true, 2, true, 40, 3, 12, Date{100}, true, Date{90}, 7,
            UpdateService::State::unconfigured, false, false, true, 4, 1000, 2000, 30.5, 60.25, true,
            18446744073709551615ull, "connected", 1, 2, 3, 4.5, 5, 0, 0, 0, true, 6, Date{80}, 4321};
}

}  // namespace

TEST(ProductDiagnosticReport, NothingIdentifyingReachesTheDocument) {
    const std::vector<std::string> secrets = {
        "SECRET-ID",   "SECRET-MODEL", "SECRET-NAME",   "SECRET-BSD",    "/media/SECRET-PATH",
        "SECRET-UUID", "SECRET-SOURCE", "SECRET-DETAIL", "SECRET-REASON", "SECRET-STATUS", "SECRET-EVENT"};
    InventorySnapshot inventory;
    inventory.status = "SECRET-STATUS 외장 장치 2개";
    inventory.revision = 987654321987ull;
    for (int i = 0; i < 2; ++i) {
        DeviceSnapshot d = device();
        d.id = "media:SECRET-ID:" + std::to_string(i);
        d.model = "SECRET-MODEL";
        d.protocolName = "SECRET-PROTOCOL";
        d.statisticsSource = "SECRET-SOURCE";
        d.statisticsAccess = wendmark::StatisticsAccess{wendmark::StatisticsOutcome::accessDenied, "SECRET-DETAIL", Date{5}};
        d.activity = ActivitySample::unmeasured(ActivityKind::unavailable, "SECRET-REASON", Date{5});
        d.linkBandwidth = wendmark::LinkBandwidth{wendmark::LinkBandwidth::Transport::usb4Thunderbolt, 40000000000123ull};
        d.volumes.push_back({"SECRET-BSD1", "SECRET-NAME", "SECRET-FS", true, "/media/SECRET-PATH/x", "SECRET-UUID-1", 1});
        inventory.devices.push_back(d);
    }
    std::string out = build(inventory, {{Date{1}, "SECRET-EVENT"}, {Date{2}, "진단 JSON 저장 완료 SECRET-EVENT"}});
    for (const auto& secret : secrets) EXPECT_EQ(out.find(secret), std::string::npos) << secret;
    EXPECT_EQ(out.find("SECRET"), std::string::npos);
    EXPECT_EQ(out.find("987654321987"), std::string::npos);
    EXPECT_EQ(out.find("40000000000123"), std::string::npos);
    EXPECT_EQ(out.find("usb4Thunderbolt"), std::string::npos);

    testjson::Tree doc = testjson::Tree::parse(out);
    EXPECT_EQ(doc["inventory"]["devices"][1]["label"], "장치 2");
    EXPECT_EQ(doc["inventory"]["devices"][1]["protocolName"], "other");
    EXPECT_EQ(doc["inventory"]["devices"][1]["statisticsOutcome"], "accessDenied");
    EXPECT_EQ(doc["inventory"]["devices"][1]["volumes"][0]["label"], "볼륨 2-1");
    EXPECT_EQ(doc["inventory"]["devices"][1]["volumes"][0]["fileSystem"], "other");
    EXPECT_EQ(doc["events"][1]["code"], "other");
}

TEST(ProductDiagnosticReport, ExactPrettySortedFormWithISODates) {
    platform::ScopedMainBundle bundle(platform::BundleInfo{
        std::nullopt, std::nullopt, {{"CFBundleShortVersionString", "1.2"}, {"CFBundleVersion", "34"}}});
    DeviceSnapshot d = device({{"sdb1", "Work", "ExFAT", true, "/media/u/Work", "UUID", 4096}});
    d.protocolName = "USB";
    d.capacity = 8192;
    d.isSolidState = true;
    d.counters = wendmark::IOCounters{18446744073709551615ull, 3};
    d.activity = ActivitySample::measured(1.5, 10, 0, Date{100.9});
    d.topologyVerified = true;
    InventorySnapshot inventory{{d}, Date{59.5}, "status", true, 1, 9, 3};
    Runtime runtime;
    runtime.connectionState = "a/b";

    std::string expected = R"({
  "appBuild" : "34",
  "appVersion" : "1.2",
  "buildConfiguration" : "release",
  "events" : [
    {
      "code" : "diagnostic_saved",
      "date" : "2001-01-01T00:00:01Z"
    }
  ],
  "exportedAt" : "2001-01-02T00:00:00Z",
  "inventory" : {
    "capturedAt" : "2001-01-01T00:00:59Z",
    "devices" : [
      {
        "activity" : {
          "bytesRead" : 10,
          "bytesWritten" : 0,
          "intervalSeconds" : 1.5,
          "kind" : "observedIO",
          "measuredAt" : "2001-01-01T00:01:40Z"
        },
        "capacity" : 8192,
        "counters" : {
          "bytesRead" : 18446744073709551615,
          "bytesWritten" : 3
        },
        "isSolidState" : true,
        "label" : "장치 1",
        "observedAt" : "2001-01-01T00:00:10Z",
        "protocolName" : "USB",
        "topologyVerified" : true,
        "volumes" : [
          {
            "capacity" : 4096,
            "fileSystem" : "exfat",
            "isMounted" : true,
            "label" : "볼륨 1-1"
          }
        ]
      }
    ],
    "externalMediaCount" : 1,
    "sessionAvailable" : true,
    "statisticsQueryCount" : 9
  },
  "osVersion" : "OS",
  "paused" : true,
  "privacy" : "anonymous-allowlist",
  "processID" : PID,
  "runtime" : {
    "activityHistoryDevices" : 0,
    "activityHistorySamples" : 0,
    "automaticUpdateChecks" : false,
    "connectionConfirmedGapSeconds" : 0.0,
    "connectionIdentityChangeCount" : 0,
    "connectionLossCount" : 0,
    "connectionNotificationsEnabled" : false,
    "connectionRecoveryCount" : 0,
    "connectionRetainedChanges" : 0,
    "connectionState" : "a/b",
    "eventHistoryOnInternalStorage" : false,
    "historyReferenceDate" : "2001-01-01T00:00:00Z",
    "loginItemRegistered" : false,
    "observationPublicationCount" : 0,
    "onDemandUIEnabled" : false,
    "onboardingCompleted" : false,
    "retainedClosedUIControllers" : 0,
    "retainedClosedUIViews" : 0,
    "samplingEnabled" : false,
    "samplingIntervalSeconds" : 0.0,
    "selectedHistoryIntervals" : 0,
    "sessionCount" : 0,
    "sessionStorageAvailable" : false,
    "settingsSchemaVersion" : 0,
    "targetRemembered" : false,
    "trackedClosedUISurfaces" : 0,
    "uiProcessLaunchCount" : 0,
    "updateCheckAvailable" : false,
    "updateState" : "unconfigured",
    "visibleSurfaceCount" : 0
  },
  "schemaVersion" : 5
})";
    expected.replace(expected.find("OS"), 2, ProductDiagnosticReport::operatingSystemVersion());
    expected.replace(expected.find("PID"), 3, std::to_string(platform::processIdentifier()));
    EXPECT_EQ(build(inventory, {{Date{1.99}, "진단 JSON 저장 완료"}}, runtime, true), expected);
}

TEST(ProductDiagnosticReport, EmptyInventoryKeepsEveryRequiredKey) {
    platform::ScopedMainBundle bundle(platform::BundleInfo{});
    testjson::Tree doc = document(InventorySnapshot{});
    EXPECT_EQ(doc.size(), 12u);
    EXPECT_EQ(doc["appVersion"], "development");
    EXPECT_EQ(doc["appBuild"], "unpackaged");
    EXPECT_EQ(doc["events"], testjson::Tree::array());
    EXPECT_EQ(doc["inventory"]["devices"], testjson::Tree::array());
    EXPECT_EQ(doc["inventory"].size(), 4u);  // no statisticsQueryCount
    EXPECT_EQ(doc["runtime"].size(), 30u);
    EXPECT_EQ(build(InventorySnapshot{}).find("\\/"), std::string::npos);
}

TEST(ProductDiagnosticReport, DevicesVolumesAndEventsAreCapped) {
    InventorySnapshot inventory;
    for (int i = 0; i < 130; ++i) inventory.devices.push_back(device());
    inventory.devices[0].volumes.assign(70, volume());
    std::vector<RecentEvent> events;
    for (int i = 0; i < 45; ++i) events.push_back({Date{double(i)}, "x"});
    testjson::Tree doc = document(inventory, events);
    const testjson::Tree& devices = doc["inventory"]["devices"];
    ASSERT_EQ(devices.size(), 128u);
    EXPECT_EQ(devices[127]["label"], "장치 128");
    ASSERT_EQ(devices[0]["volumes"].size(), 64u);
    EXPECT_EQ(devices[0]["volumes"][63]["label"], "볼륨 1-64");
    ASSERT_EQ(doc["events"].size(), 30u);
    EXPECT_EQ(doc["events"][29]["date"], "2001-01-01T00:00:29Z");
}

TEST(ProductDiagnosticReport, ProtocolNamesOnlyFromTheListCaseSensitive) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>> cases = {
        {"USB", "USB"},       {"usb", "other"},       {"PCI-Express", "PCI-Express"}, {"Thunderbolt", "Thunderbolt"},
        {"FireWire", "FireWire"}, {"SATA", "other"}, {" USB", "other"},               {std::nullopt, std::nullopt}};
    for (const auto& [given, expected] : cases) {
        DeviceSnapshot d = device();
        d.protocolName = given;
        testjson::Tree out = document(inventoryOf({d}))["inventory"]["devices"][0];
        if (expected) EXPECT_EQ(out["protocolName"], *expected) << given.value_or("none");
        else EXPECT_FALSE(out.contains("protocolName"));
    }
}

TEST(ProductDiagnosticReport, FileSystemNamesLowerCasedThenListed) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>> cases = {
        {"APFS", "apfs"}, {"ExFAT", "exfat"}, {"msdos", "msdos"}, {"NTFS", "ntfs"},         {"hfs", "hfs"},
        {"UDF", "udf"},   {"zfs", "other"},   {"ext4", "other"},  {"apfs ", "other"}, {std::nullopt, std::nullopt}};
    for (const auto& [given, expected] : cases) {
        testjson::Tree out = document(inventoryOf({device({volume(given)})}))["inventory"]["devices"][0]["volumes"][0];
        if (expected) EXPECT_EQ(out["fileSystem"], *expected) << given.value_or("none");
        else EXPECT_FALSE(out.contains("fileSystem"));
    }
}

TEST(ProductDiagnosticReport, IntervalOnlyWhenFiniteAndPositive) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (std::optional<double> interval : {std::optional<double>(0.0), std::optional<double>(-1.0),
                                           std::optional<double>(inf), std::optional<double>(nan),
                                           std::optional<double>()}) {
        DeviceSnapshot d = device();
        d.activity = ActivitySample{ActivityKind::observedIdle, interval, 1, 2, Date{3}, std::nullopt};
        testjson::Tree out = document(inventoryOf({d}))["inventory"]["devices"][0];
        EXPECT_FALSE(out["activity"].contains("intervalSeconds"));
        EXPECT_EQ(out["activity"]["bytesWritten"], 2);
        EXPECT_FALSE(out.contains("statisticsOutcome"));
        EXPECT_FALSE(out.contains("counters"));
        EXPECT_FALSE(out.contains("capacity"));
    }
}

TEST(ProductDiagnosticReport, EventCodeTableHasExactlyTheTwentyOneMessages) {
    const std::vector<std::pair<std::string, std::string>> table = {
        {"app_started", "앱 시작 · 마운트 유지 관측 모드"},
        {"system_sleep", "시스템 잠자기 · 관측 중지"},
        {"system_wake", "기상 · 새 관측 구간 시작"},
        {"observation_paused", "통계 관측 일시중지 · 연결 이벤트는 계속 확인"},
        {"observation_resumed", "통계 관측 재개 · 새 구간 시작"},
        {"background_enabled", "백그라운드 30초 관측 켜짐"},
        {"background_disabled", "백그라운드 이벤트 대기로 전환"},
        {"target_remembered", "관측 대상 기억 · 장치 제어 권한과 무관"},
        {"target_forgotten", "기억한 관측 대상 해제"},
        {"device_disappeared", "연결 해제 감지 · 원인 미확인"},
        {"device_appeared", "외장 장치 등장 감지"},
        {"volume_state_changed", "볼륨 마운트 상태 변경 감지 · 요청 원인 미확인"},
        {"diagnostic_copied", "진단 JSON 클립보드 복사 완료"},
        {"diagnostic_saved", "진단 JSON 저장 완료"},
        {"target_disconnected", "기억한 대상 연결 해제 확인 · 원인 미확인"},
        {"target_repeated_changes", "기억한 대상 반복 연결 변화 감지"},
        {"notification_permission_missing", "연결 알림 보류 · 시스템 권한 없음"},
        {"notification_submitted", "연결 알림 제출 완료 · 화면 표시 여부 미확인"},
        {"notification_failed", "연결 알림 제출 실패"},
        {"test_notification_submitted", "테스트 알림 제출 완료 · 화면 표시 여부 미확인"},
        {"session_restarted", "새 작업 세션 · 다음 유효 구간부터 집계"},
    };
    EXPECT_EQ(ProductDiagnosticReport::eventCodes().size(), table.size());
    std::vector<RecentEvent> events;
    for (const auto& [code, message] : table) {
        EXPECT_EQ(ProductDiagnosticReport::eventCode(message), code);
        events.push_back({Date{0}, message});
    }
    testjson::Tree doc = document({}, events);
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(doc["events"][i]["code"], table[i].first);

    EXPECT_EQ(ProductDiagnosticReport::eventCode("진단 JSON 저장 완료 "), "other");
    EXPECT_EQ(ProductDiagnosticReport::eventCode("진단 json 저장 완료"), "other");
    EXPECT_EQ(ProductDiagnosticReport::eventCode(""), "other");
}

TEST(ProductDiagnosticRuntime, ThirtyEightKeysInOrderWithEightOptional) {
    const std::vector<std::string> keys = {
        "samplingEnabled", "samplingIntervalSeconds", "visibleSurfaceCount", "loginItemRegistered",
        "targetRemembered", "settingsSchemaVersion", "onboardingCompleted", "activityHistorySamples",
        "activityHistoryDevices", "selectedHistoryIntervals", "historyReferenceDate", "eventHistoryOnInternalStorage",
        "lastSamplingResumedAt", "queryCountBeforeLastResume", "updateState", "updateCheckAvailable",
        "automaticUpdateChecks", "connectionNotificationsEnabled", "sessionCount", "currentSessionReadBytes",
        "currentSessionWriteBytes", "currentSessionObservedSeconds", "currentSessionElapsedSeconds",
        "sessionStorageAvailable", "observationPublicationCount", "connectionState", "connectionLossCount",
        "connectionRecoveryCount", "connectionIdentityChangeCount", "connectionConfirmedGapSeconds",
        "connectionRetainedChanges", "trackedClosedUISurfaces", "retainedClosedUIControllers",
        "retainedClosedUIViews", "onDemandUIEnabled", "uiProcessLaunchCount", "lastUIProcessStartedAt", "uiProcessID"};
    const std::vector<std::string> optionalKeys = {
        "lastSamplingResumedAt", "queryCountBeforeLastResume", "currentSessionReadBytes", "currentSessionWriteBytes",
        "currentSessionObservedSeconds", "currentSessionElapsedSeconds", "lastUIProcessStartedAt", "uiProcessID"};

    testjson::Tree full = testjson::encodeTree(fullRuntime());
    std::vector<std::string> written;
    for (auto it = full.begin(); it != full.end(); ++it) written.push_back(it.key());
    EXPECT_EQ(written, keys);
    EXPECT_EQ(full["observationPublicationCount"].get<std::uint64_t>(), 18446744073709551615ull);
    EXPECT_EQ(full["uiProcessID"], 4321);
    EXPECT_EQ(json::decode<Runtime>(full.dump()), fullRuntime());

    testjson::Tree bare = testjson::encodeTree(Runtime{});
    EXPECT_EQ(bare.size(), 30u);
    for (const auto& key : optionalKeys) EXPECT_FALSE(bare.contains(key)) << key;
    EXPECT_EQ(json::decode<Runtime>(bare.dump()), Runtime{});

    // The same dates as ISO text inside the report's options, and back.
    json::Options iso{json::DateForm::iso8601};
    testjson::Tree isoForm = testjson::encodeTree(fullRuntime(), iso);
    EXPECT_EQ(isoForm["lastUIProcessStartedAt"], "2001-01-01T00:01:20Z");
    EXPECT_EQ(testjson::decodeTree<Runtime>(isoForm, iso), fullRuntime());

    // A missing required key fails; so does an unknown update state.
    for (const std::string key : {"connectionState", "updateState", "samplingEnabled", "uiProcessLaunchCount"}) {
        testjson::Tree missing = full;
        missing.erase(key);
        EXPECT_THROW(json::decode<Runtime>(missing.dump()), json::DecodingError) << key;
    }
    testjson::Tree unknown = full;
    unknown["updateState"] = "checking";
    EXPECT_THROW(json::decode<Runtime>(unknown.dump()), json::DecodingError);
}

TEST(ProductDiagnosticRuntime, NonFiniteValueFailsTheWholeExport) {
    Runtime gap = fullRuntime();
    gap.connectionConfirmedGapSeconds = std::numeric_limits<double>::infinity();
    EXPECT_THROW(ProductDiagnosticReport::data({}, false, {}, gap, Date{0}), json::EncodingError);
    Runtime observed = fullRuntime();
    observed.currentSessionObservedSeconds = std::nan("");
    EXPECT_THROW(ProductDiagnosticReport::data({}, false, {}, observed, Date{0}), json::EncodingError);
    EXPECT_THROW(ProductDiagnosticReport::data({}, false, {}, {}, Date{std::nan("")}), json::EncodingError);

    testjson::Tree doc = document({}, {}, fullRuntime());
    // Copied unchanged: the object reads back as the record given.
    EXPECT_EQ(testjson::decodeTree<Runtime>(doc["runtime"], json::Options{json::DateForm::iso8601}), fullRuntime());
}

TEST(ProductDiagnosticReport, OperatingSystemVersionFromTheKernelRelease) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"6.1.0-18-amd64", "6.1.0"}, {"5.15", "5.15.0"},   {"5.15-rc1", "5.15.0"}, {"6", "6.0.0"},
        {"6.8.12+deb", "6.8.12"},    {"4.19.0.7", "4.19.0"}, {"06.01.02", "6.1.2"}, {"", "0.0.0"},
        {"abc", "0.0.0"},            {"6..1", "6.0.0"},    {"6.x.1", "6.0.0"},
        {"99999999999999999999999.1", "0.0.0"}};
    for (const auto& [release, expected] : cases)
        EXPECT_EQ(ProductDiagnosticReport::operatingSystemVersion(release), expected) << release;

    std::optional<platform::KernelVersion> kernel = platform::currentKernelVersion();
    ASSERT_TRUE(kernel);
    EXPECT_EQ(document({})["osVersion"], ProductDiagnosticReport::operatingSystemVersion(kernel->release));
    EXPECT_NE(ProductDiagnosticReport::operatingSystemVersion(), "0.0.0");
}
