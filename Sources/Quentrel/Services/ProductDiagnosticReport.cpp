#include "ProductDiagnosticReport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "Platform/Foundation/JSONPretty.h"
#include "Platform/Foundation/ProcessInfo.h"
#include "Wendmark/AppVersion.h"

namespace quentrel {
namespace {
// The document's own records (below) are only ever encoded, so they have no decoder.
template <class T>
concept ReportRecord = requires(const T& t, platform::json::ObjectEncoder& e) {
    typename T::IsReportRecord;
    t.encode(e);
};
}  // namespace
}  // namespace quentrel

namespace platform::json {
template <quentrel::ReportRecord T>
struct Coder<T> {
    static void encode(const T& v, Writer& w, const Options& options) {
        encodeObject(w, options, [&](ObjectEncoder& e) { v.encode(e); });
    }
};
}  // namespace platform::json

namespace quentrel {

namespace json = platform::json;
using platform::Date;

namespace {

// A value reaches the document only through one of these records' fields.

struct Volume {
    using IsReportRecord = void;
    std::string label;
    std::optional<std::string> fileSystem;
    bool isMounted = false;
    std::optional<std::uint64_t> capacity;

    void encode(json::ObjectEncoder& e) const {
        e.field("label", label).field("fileSystem", fileSystem).field("isMounted", isMounted).field("capacity", capacity);
    }
};

struct Activity {
    using IsReportRecord = void;
    wendmark::ActivityKind kind;
    std::optional<double> intervalSeconds;
    std::optional<std::uint64_t> bytesRead;
    std::optional<std::uint64_t> bytesWritten;
    Date measuredAt;

    void encode(json::ObjectEncoder& e) const {
        e.field("kind", kind)
            .field("intervalSeconds", intervalSeconds)
            .field("bytesRead", bytesRead)
            .field("bytesWritten", bytesWritten)
            .field("measuredAt", measuredAt);
    }
};

struct Device {
    using IsReportRecord = void;
    std::string label;
    std::optional<std::string> protocolName;
    std::optional<std::uint64_t> capacity;
    std::optional<bool> isSolidState;
    bool topologyVerified = false;
    Date observedAt;
    std::optional<wendmark::StatisticsOutcome> statisticsOutcome;
    std::optional<wendmark::IOCounters> counters;
    Activity activity;
    std::vector<Volume> volumes;

    void encode(json::ObjectEncoder& e) const {
        e.field("label", label)
            .field("protocolName", protocolName)
            .field("capacity", capacity)
            .field("isSolidState", isSolidState)
            .field("topologyVerified", topologyVerified)
            .field("observedAt", observedAt)
            .field("statisticsOutcome", statisticsOutcome)
            .field("counters", counters)
            .field("activity", activity)
            .field("volumes", volumes);
    }
};

struct Inventory {
    using IsReportRecord = void;
    Date capturedAt;
    bool sessionAvailable = false;
    std::int64_t externalMediaCount = 0;
    std::optional<std::uint64_t> statisticsQueryCount;
    std::vector<Device> devices;

    void encode(json::ObjectEncoder& e) const {
        e.field("capturedAt", capturedAt)
            .field("sessionAvailable", sessionAvailable)
            .field("externalMediaCount", externalMediaCount)
            .field("statisticsQueryCount", statisticsQueryCount)
            .field("devices", devices);
    }
};

struct Event {
    using IsReportRecord = void;
    Date date;
    std::string code;

    void encode(json::ObjectEncoder& e) const { e.field("date", date).field("code", code); }
};

struct Report {
    using IsReportRecord = void;
    std::string appVersion;
    std::string appBuild;
    std::int32_t processID = 0;
    Date exportedAt;
    std::string osVersion;
    bool paused = false;
    Inventory inventory;
    const ProductDiagnosticReport::Runtime* runtime = nullptr;
    std::vector<Event> events;

    void encode(json::ObjectEncoder& e) const {
        e.field("schemaVersion", ProductDiagnosticReport::schemaVersion)
            .field("privacy", std::string(ProductDiagnosticReport::privacy))
            .field("appVersion", appVersion)
            .field("appBuild", appBuild)
            .field("buildConfiguration", std::string(ProductDiagnosticReport::buildConfiguration))
            .field("processID", processID)
            .field("exportedAt", exportedAt)
            .field("osVersion", osVersion)
            .field("paused", paused)
            .field("inventory", inventory)
            .field("runtime", *runtime)
            .field("events", events);
    }
};

constexpr std::array<std::string_view, 4> allowedProtocols = {"USB", "PCI-Express", "Thunderbolt", "FireWire"};
constexpr std::array<std::string_view, 6> allowedFileSystems = {"apfs", "hfs", "exfat", "msdos", "ntfs", "udf"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

std::optional<std::string> reportedProtocol(const std::optional<std::string>& name) {
    if (!name) return std::nullopt;
    return listed(allowedProtocols, *name) ? *name : std::string(ProductDiagnosticReport::otherCode);
}

// Lower-cased as a whole. ASCII folding is enough: the only non-ASCII letter whose lower case is
// ASCII (KELVIN SIGN → "k") appears in no listed name, and anything unlisted becomes "other".
std::optional<std::string> reportedFileSystem(const std::optional<std::string>& name) {
    if (!name) return std::nullopt;
    std::string lower = *name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return listed(allowedFileSystems, lower) ? lower : std::string(ProductDiagnosticReport::otherCode);
}

Device reportedDevice(const wendmark::DeviceSnapshot& d, std::size_t index) {
    const std::string number = std::to_string(index + 1);
    Device device;
    device.label = "장치 " + number;
    device.protocolName = reportedProtocol(d.protocolName);
    device.capacity = d.capacity;
    device.isSolidState = d.isSolidState;
    device.topologyVerified = d.topologyVerified;
    device.observedAt = d.observedAt;
    if (d.statisticsAccess) device.statisticsOutcome = d.statisticsAccess->outcome;
    device.counters = d.counters;

    const wendmark::ActivitySample& sample = d.activity;
    device.activity.kind = sample.kind;
    // Written so that a NaN interval fails the comparison.
    if (sample.intervalSeconds && std::isfinite(*sample.intervalSeconds) && *sample.intervalSeconds > 0)
        device.activity.intervalSeconds = sample.intervalSeconds;
    device.activity.bytesRead = sample.bytesRead;
    device.activity.bytesWritten = sample.bytesWritten;
    device.activity.measuredAt = sample.measuredAt;

    const std::size_t volumeCount = std::min(d.volumes.size(), ProductDiagnosticReport::volumeLimit);
    device.volumes.reserve(volumeCount);
    for (std::size_t j = 0; j < volumeCount; ++j) {
        const wendmark::VolumeSnapshot& v = d.volumes[j];
        device.volumes.push_back(
            {"볼륨 " + number + "-" + std::to_string(j + 1), reportedFileSystem(v.fileSystem), v.isMounted, v.capacity});
    }
    return device;
}

}  // namespace

void ProductDiagnosticReport::Runtime::encode(json::ObjectEncoder& e) const {
    e.field("samplingEnabled", samplingEnabled)
        .field("samplingIntervalSeconds", samplingIntervalSeconds)
        .field("visibleSurfaceCount", visibleSurfaceCount)
        .field("loginItemRegistered", loginItemRegistered)
        .field("targetRemembered", targetRemembered)
        .field("settingsSchemaVersion", settingsSchemaVersion)
        .field("onboardingCompleted", onboardingCompleted)
        .field("activityHistorySamples", activityHistorySamples)
        .field("activityHistoryDevices", activityHistoryDevices)
        .field("selectedHistoryIntervals", selectedHistoryIntervals)
        .field("historyReferenceDate", historyReferenceDate)
        .field("eventHistoryOnInternalStorage", eventHistoryOnInternalStorage)
        .field("lastSamplingResumedAt", lastSamplingResumedAt)
        .field("queryCountBeforeLastResume", queryCountBeforeLastResume)
        .field("updateState", updateState)
        .field("updateCheckAvailable", updateCheckAvailable)
        .field("automaticUpdateChecks", automaticUpdateChecks)
        .field("connectionNotificationsEnabled", connectionNotificationsEnabled)
        .field("sessionCount", sessionCount)
        .field("currentSessionReadBytes", currentSessionReadBytes)
        .field("currentSessionWriteBytes", currentSessionWriteBytes)
        .field("currentSessionObservedSeconds", currentSessionObservedSeconds)
        .field("currentSessionElapsedSeconds", currentSessionElapsedSeconds)
        .field("sessionStorageAvailable", sessionStorageAvailable)
        .field("observationPublicationCount", observationPublicationCount)
        .field("connectionState", connectionState)
        .field("connectionLossCount", connectionLossCount)
        .field("connectionRecoveryCount", connectionRecoveryCount)
        .field("connectionIdentityChangeCount", connectionIdentityChangeCount)
        .field("connectionConfirmedGapSeconds", connectionConfirmedGapSeconds)
        .field("connectionRetainedChanges", connectionRetainedChanges)
        .field("trackedClosedUISurfaces", trackedClosedUISurfaces)
        .field("retainedClosedUIControllers", retainedClosedUIControllers)
        .field("retainedClosedUIViews", retainedClosedUIViews)
        .field("onDemandUIEnabled", onDemandUIEnabled)
        .field("uiProcessLaunchCount", uiProcessLaunchCount)
        .field("lastUIProcessStartedAt", lastUIProcessStartedAt)
        .field("uiProcessID", uiProcessID);
}

ProductDiagnosticReport::Runtime ProductDiagnosticReport::Runtime::decode(const json::ObjectDecoder& d) {
    return {
        .samplingEnabled = d.required<bool>("samplingEnabled"),
        .samplingIntervalSeconds = d.required<double>("samplingIntervalSeconds"),
        .visibleSurfaceCount = d.required<std::int64_t>("visibleSurfaceCount"),
        .loginItemRegistered = d.required<bool>("loginItemRegistered"),
        .targetRemembered = d.required<bool>("targetRemembered"),
        .settingsSchemaVersion = d.required<std::int64_t>("settingsSchemaVersion"),
        .onboardingCompleted = d.required<bool>("onboardingCompleted"),
        .activityHistorySamples = d.required<std::int64_t>("activityHistorySamples"),
        .activityHistoryDevices = d.required<std::int64_t>("activityHistoryDevices"),
        .selectedHistoryIntervals = d.required<std::int64_t>("selectedHistoryIntervals"),
        .historyReferenceDate = d.required<Date>("historyReferenceDate"),
        .eventHistoryOnInternalStorage = d.required<bool>("eventHistoryOnInternalStorage"),
        .lastSamplingResumedAt = d.optional<Date>("lastSamplingResumedAt"),
        .queryCountBeforeLastResume = d.optional<std::uint64_t>("queryCountBeforeLastResume"),
        .updateState = d.required<UpdateService::State>("updateState"),
        .updateCheckAvailable = d.required<bool>("updateCheckAvailable"),
        .automaticUpdateChecks = d.required<bool>("automaticUpdateChecks"),
        .connectionNotificationsEnabled = d.required<bool>("connectionNotificationsEnabled"),
        .sessionCount = d.required<std::int64_t>("sessionCount"),
        .currentSessionReadBytes = d.optional<std::uint64_t>("currentSessionReadBytes"),
        .currentSessionWriteBytes = d.optional<std::uint64_t>("currentSessionWriteBytes"),
        .currentSessionObservedSeconds = d.optional<double>("currentSessionObservedSeconds"),
        .currentSessionElapsedSeconds = d.optional<double>("currentSessionElapsedSeconds"),
        .sessionStorageAvailable = d.required<bool>("sessionStorageAvailable"),
        .observationPublicationCount = d.required<std::uint64_t>("observationPublicationCount"),
        .connectionState = d.required<std::string>("connectionState"),
        .connectionLossCount = d.required<std::int64_t>("connectionLossCount"),
        .connectionRecoveryCount = d.required<std::int64_t>("connectionRecoveryCount"),
        .connectionIdentityChangeCount = d.required<std::int64_t>("connectionIdentityChangeCount"),
        .connectionConfirmedGapSeconds = d.required<double>("connectionConfirmedGapSeconds"),
        .connectionRetainedChanges = d.required<std::int64_t>("connectionRetainedChanges"),
        .trackedClosedUISurfaces = d.required<std::int64_t>("trackedClosedUISurfaces"),
        .retainedClosedUIControllers = d.required<std::int64_t>("retainedClosedUIControllers"),
        .retainedClosedUIViews = d.required<std::int64_t>("retainedClosedUIViews"),
        .onDemandUIEnabled = d.required<bool>("onDemandUIEnabled"),
        .uiProcessLaunchCount = d.required<std::int64_t>("uiProcessLaunchCount"),
        .lastUIProcessStartedAt = d.optional<Date>("lastUIProcessStartedAt"),
        .uiProcessID = d.optional<std::int32_t>("uiProcessID"),
    };
}

const std::map<std::string, std::string, std::less<>>& ProductDiagnosticReport::eventCodes() {
    // A function-local static: initialised once, safely also under concurrent first use.
    static const std::map<std::string, std::string, std::less<>> codes = {
        {"앱 시작 · 마운트 유지 관측 모드", "app_started"},
        {"시스템 잠자기 · 관측 중지", "system_sleep"},
        {"기상 · 새 관측 구간 시작", "system_wake"},
        {"통계 관측 일시중지 · 연결 이벤트는 계속 확인", "observation_paused"},
        {"통계 관측 재개 · 새 구간 시작", "observation_resumed"},
        {"백그라운드 30초 관측 켜짐", "background_enabled"},
        {"백그라운드 이벤트 대기로 전환", "background_disabled"},
        {"관측 대상 기억 · 장치 제어 권한과 무관", "target_remembered"},
        {"기억한 관측 대상 해제", "target_forgotten"},
        {"연결 해제 감지 · 원인 미확인", "device_disappeared"},
        {"외장 장치 등장 감지", "device_appeared"},
        {"볼륨 마운트 상태 변경 감지 · 요청 원인 미확인", "volume_state_changed"},
        {"진단 JSON 클립보드 복사 완료", "diagnostic_copied"},
        {"진단 JSON 저장 완료", "diagnostic_saved"},
        {"기억한 대상 연결 해제 확인 · 원인 미확인", "target_disconnected"},
        {"기억한 대상 반복 연결 변화 감지", "target_repeated_changes"},
        {"연결 알림 보류 · 시스템 권한 없음", "notification_permission_missing"},
        {"연결 알림 제출 완료 · 화면 표시 여부 미확인", "notification_submitted"},
        {"연결 알림 제출 실패", "notification_failed"},
        {"테스트 알림 제출 완료 · 화면 표시 여부 미확인", "test_notification_submitted"},
        {"새 작업 세션 · 다음 유효 구간부터 집계", "session_restarted"},
    };
    return codes;
}

std::string_view ProductDiagnosticReport::eventCode(std::string_view message) {
    const auto& codes = eventCodes();
    auto it = codes.find(message);
    return it == codes.end() ? otherCode : std::string_view(it->second);
}

std::string ProductDiagnosticReport::operatingSystemVersion(std::string_view release) {
    std::array<std::uint64_t, 3> parts{0, 0, 0};
    const char* at = release.data();
    const char* end = release.data() + release.size();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            if (at == end || *at != '.') break;
            ++at;
        }
        std::uint64_t value = 0;
        auto [next, error] = std::from_chars(at, end, value);
        // No digits, or too many for a number: this part and the rest count as missing.
        if (error != std::errc()) break;
        parts[i] = value;
        at = next;
    }
    return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]);
}

std::string ProductDiagnosticReport::operatingSystemVersion() {
    std::optional<platform::KernelVersion> kernel = platform::currentKernelVersion();
    return operatingSystemVersion(kernel ? std::string_view(kernel->release) : std::string_view());
}

platform::Data ProductDiagnosticReport::data(const wendmark::InventorySnapshot& inventory, bool paused,
                                             const std::vector<RecentEvent>& events, const Runtime& runtime,
                                             Date date) {
    Report report;
    report.appVersion = wendmark::AppVersion::current();
    report.appBuild = wendmark::AppVersion::build();
    report.processID = platform::processIdentifier();
    report.exportedAt = date;
    report.osVersion = operatingSystemVersion();
    report.paused = paused;

    const std::size_t deviceCount = std::min(inventory.devices.size(), deviceLimit);
    report.inventory.capturedAt = inventory.capturedAt;
    report.inventory.sessionAvailable = inventory.sessionAvailable;
    report.inventory.externalMediaCount = inventory.externalMediaCount;
    report.inventory.statisticsQueryCount = inventory.statisticsQueryCount;
    report.inventory.devices.reserve(deviceCount);
    for (std::size_t i = 0; i < deviceCount; ++i) report.inventory.devices.push_back(reportedDevice(inventory.devices[i], i));

    report.runtime = &runtime;

    const std::size_t eventCount = std::min(events.size(), eventLimit);
    report.events.reserve(eventCount);
    for (std::size_t i = 0; i < eventCount; ++i)
        report.events.push_back({events[i].date, std::string(eventCode(events[i].message))});

    const std::string text = json::prettySortedText(json::encode(report, json::Options{json::DateForm::iso8601}));
    return platform::Data(text.begin(), text.end());
}

}  // namespace quentrel
