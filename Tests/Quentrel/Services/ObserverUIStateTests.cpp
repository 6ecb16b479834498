#include "Quentrel/Services/ObserverUIState.h"

#include <gtest/gtest.h>

#include "Quentrel/Services/UIStateFixture.h"
#include "Support/JSONTree.h"

using namespace quentrel;
using platform::Date;
namespace json = platform::json;

namespace {

ObserverUIState minimalState() {
    ObserverUIState s;
    s.snapshot.capturedAt = Date{1};
    s.snapshot.status = "대기";
    s.sampling = {false, 30, "창 없음"};
    s.targetStatus = "기억한 SSD 없음";
    s.historyReferenceDate = Date{2};
    s.loginStatus = "꺼짐";
    s.noticeStatus = "꺼짐";
    return s;
}

constexpr std::string_view kMinimalJSON =
    R"({"snapshot":{"devices":[],"capturedAt":1.0,"status":"대기","sessionAvailable":false,"externalMediaCount":0},)"
    R"("isPaused":false,"isSystemSleeping":false,"sampling":{"enabled":false,"interval":30.0,"reason":"창 없음"},)"
    R"("visibleSurfaceCount":0,"targetStatus":"기억한 SSD 없음","backgroundPolling":false,"showStatusOnLaunch":false,)"
    R"("onboardingCompleted":false,"historyReferenceDate":2.0,"eventStorageStatus":"available",)"
    R"("canUndoHistoryClear":false,"canUndoObservationReset":false,"dataActionFailed":false,"recentEvents":[],)"
    R"("intervals":[],"sessions":[],"sessionStorageStatus":"available","canUndoSessionClear":false,)"
    R"("connectionStability":{"state":"waiting","lossCount":0,"recoveryCount":0,"identityChangeCount":0,)"
    R"("confirmedGapSeconds":0.0,"changes":[]},"awaitingFreshSample":false,"loginEnabled":false,)"
    R"("loginRequiresApproval":false,"loginBusy":false,"loginStatus":"꺼짐","noticesEnabled":false,)"
    R"("noticesBusy":false,"noticePermission":"notDetermined","noticeStatus":"꺼짐"})";

// Every field set, none at its default, one element in each list.
ObserverUIState fullState() {
    ObserverUIState s;
    auto dev = uistate::device("driver:42", "Portable SSD");
    dev.capacity = 18446744073709551615u;
    dev.volumes = {uistate::volume("sdb1", "Work", 1)};
    s.snapshot = {{dev}, Date{700000000.5}, "외장 장치 1개", true, 1, 18446744073709551615u, 7};
    s.selectedID = "driver:42";
    s.isPaused = true;
    s.isSystemSleeping = true;
    s.errorMessage = "볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.";
    s.sampling = {true, 1.5, "창 1개"};
    s.visibleSurfaceCount = 3;
    s.rememberedTarget = wendmark::ObservationTarget::fromDevice(dev, Date{600});
    s.targetStatus = "연결됨";
    s.backgroundPolling = true;
    s.showStatusOnLaunch = true;
    s.onboardingCompleted = true;
    s.historyReferenceDate = Date{700000000.25};
    s.diagnosticPreview = DiagnosticPreview{{'{', '}'}, Date{650}};
    s.eventStorageStatus = EventStorageStatus::writeFailed;
    s.canUndoHistoryClear = true;
    s.canUndoObservationReset = true;
    s.dataActionMessage = "기록을 지웠습니다.";
    s.dataActionFailed = true;
    s.recentEvents = {{Date{640}, "관측 시작"}};
    s.intervals = {{18446744073709551615u, Date{10}, Date{11}, 2048.5, 0}};
    s.currentSession = uistate::session(0, std::nullopt);
    s.sessions = {*s.currentSession};
    s.sessionStorageStatus = EventStorageStatus::memoryOnly;
    s.canUndoSessionClear = true;
    s.connectionStability = json::decode<wendmark::ConnectionStability>(
        R"({"state":"settling","startedAt":5,"lastLossAt":6,"lossCount":1,"recoveryCount":1,"identityChangeCount":2,)"
        R"("confirmedGapSeconds":1.5,"changes":[{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","date":6,)"
        R"("outcome":"recovered","recoveredAt":7.5,"gapSeconds":1.5}]})");
    s.awaitingFreshSample = true;
    s.loginEnabled = true;
    s.loginRequiresApproval = true;
    s.loginBusy = true;
    s.loginStatus = "승인 필요";
    s.loginError = "로그인 항목을 바꾸지 못했습니다.";
    s.noticesEnabled = true;
    s.noticesBusy = true;
    s.noticePermission = NoticePermission::denied;
    s.noticeStatus = "알림 꺼짐";
    return s;
}

constexpr std::string_view kFullJSON =
    R"({"snapshot":{"devices":[{"id":"driver:42","model":"Portable SSD","protocolName":"USB",)"
    R"("capacity":18446744073709551615,"isSolidState":true,"volumes":[{"bsdName":"sdb1","name":"Work",)"
    R"("fileSystem":"exfat","isMounted":true,"mountPath":"/media/Work",)"
    R"("volumeUUID":"E621E1F8-C36C-495A-93FC-000000000001","capacity":500107862016}],)"
    R"("counters":{"bytesRead":123456789,"bytesWritten":987654321},"activity":{"kind":"observedIO",)"
    R"("intervalSeconds":1.0,"bytesRead":4096,"bytesWritten":0,"measuredAt":700000000.0},"topologyVerified":true,)"
    R"("statisticsSource":"IOBlockStorageDriver","observedAt":700000000.0,)"
    R"("linkBandwidth":{"transport":"usb","bitsPerSecond":10000000000}}],"capturedAt":700000000.5,)"
    R"("status":"외장 장치 1개","sessionAvailable":true,"externalMediaCount":1,)"
    R"("statisticsQueryCount":18446744073709551615,"revision":7},)"
    R"("selectedID":"driver:42","isPaused":true,"isSystemSleeping":true,)"
    R"("errorMessage":"볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.",)"
    R"("sampling":{"enabled":true,"interval":1.5,"reason":"창 1개"},"visibleSurfaceCount":3,)"
    R"("rememberedTarget":{"model":"Portable SSD","capacity":18446744073709551615,)"
    R"("volumeUUIDs":["E621E1F8-C36C-495A-93FC-000000000001"],"displayName":"Work","registeredAt":600.0},)"
    R"("targetStatus":"연결됨","backgroundPolling":true,"showStatusOnLaunch":true,"onboardingCompleted":true,)"
    R"("historyReferenceDate":700000000.25,"diagnosticPreview":{"data":"e30=","createdAt":650.0},)"
    R"("eventStorageStatus":"writeFailed","canUndoHistoryClear":true,"canUndoObservationReset":true,)"
    R"("dataActionMessage":"기록을 지웠습니다.","dataActionFailed":true,)"
    R"("recentEvents":[{"date":640.0,"message":"관측 시작"}],)"
    R"("intervals":[{"id":18446744073709551615,"start":10.0,"end":11.0,"readBytesPerSecond":2048.5,)"
    R"("writeBytesPerSecond":0.0}],)"
    R"("currentSession":{"id":"E621E1F8-C36C-495A-93FC-000000000000","startedAt":699996400.0,)"
    R"("updatedAt":699998200.25,"bytesRead":0,"bytesWritten":0,"observedSeconds":1700.5,"elapsedSeconds":1800.25},)"
    R"("sessions":[{"id":"E621E1F8-C36C-495A-93FC-000000000000","startedAt":699996400.0,)"
    R"("updatedAt":699998200.25,"bytesRead":0,"bytesWritten":0,"observedSeconds":1700.5,"elapsedSeconds":1800.25}],)"
    R"("sessionStorageStatus":"memoryOnly","canUndoSessionClear":true,)"
    R"("connectionStability":{"state":"settling","startedAt":5.0,"lastLossAt":6.0,"lossCount":1,"recoveryCount":1,)"
    R"("identityChangeCount":2,"confirmedGapSeconds":1.5,"changes":[{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
    R"("date":6.0,"outcome":"recovered","recoveredAt":7.5,"gapSeconds":1.5}]},)"
    R"("awaitingFreshSample":true,"loginEnabled":true,"loginRequiresApproval":true,"loginBusy":true,)"
    R"("loginStatus":"승인 필요","loginError":"로그인 항목을 바꾸지 못했습니다.","noticesEnabled":true,)"
    R"("noticesBusy":true,"noticePermission":"denied","noticeStatus":"알림 꺼짐"})";

testjson::Tree withoutKey(std::string_view text, const std::string& key) {
    testjson::Tree v = testjson::Tree::parse(text);
    v.erase(key);
    return v;
}

}  // namespace

TEST(ObserverUIState, WithoutValuesTheSevenOptionalKeysAreLeftOut) {
    EXPECT_EQ(json::encode(minimalState()), kMinimalJSON);
    const auto back = json::decode<ObserverUIState>(kMinimalJSON);
    EXPECT_FALSE(back.selectedID);
    EXPECT_FALSE(back.errorMessage);
    EXPECT_FALSE(back.rememberedTarget);
    EXPECT_FALSE(back.diagnosticPreview);
    EXPECT_FALSE(back.dataActionMessage);
    EXPECT_FALSE(back.currentSession);
    EXPECT_FALSE(back.loginError);
    EXPECT_EQ(json::encode(back), kMinimalJSON);
}

TEST(ObserverUIState, WritesAll36KeysInFieldOrderAndReadsThemBack) {
    const std::string text = json::encode(fullState());
    EXPECT_EQ(text, kFullJSON);
    EXPECT_EQ(testjson::Tree::parse(text).size(), 36u);
    const auto back = json::decode<ObserverUIState>(text);
    EXPECT_EQ(json::encode(back), kFullJSON);
    // Unsigned 64-bit values survive exactly.
    EXPECT_EQ(back.snapshot.devices.at(0).capacity, 18446744073709551615u);
    EXPECT_EQ(back.intervals.at(0).id, 18446744073709551615u);
    EXPECT_EQ(back.diagnosticPreview, fullState().diagnosticPreview);
    EXPECT_EQ(back.currentSession, back.sessions.at(0));
}

TEST(ObserverUIState, EveryRequiredKeyIsNeededAndOptionalsMayBeMissingOrNull) {
    testjson::Tree full = testjson::Tree::parse(kFullJSON);
    full["futureField"] = testjson::Tree::array({1, 2});  // unknown keys are ignored
    int required = 0;
    for (auto it = full.begin(); it != full.end(); ++it) {
        const std::string key = it.key();
        const bool optional = key == "selectedID" || key == "errorMessage" || key == "rememberedTarget" ||
                              key == "diagnosticPreview" || key == "dataActionMessage" ||
                              key == "currentSession" || key == "loginError";
        if (key == "futureField") continue;
        testjson::Tree nulled = full;
        nulled[key] = nullptr;
        if (optional) {
            EXPECT_NO_THROW(testjson::decodeTree<ObserverUIState>(withoutKey(kFullJSON, key))) << key;
            EXPECT_EQ(testjson::encodeTree(testjson::decodeTree<ObserverUIState>(nulled)), withoutKey(kFullJSON, key)) << key;
        } else {
            ++required;
            EXPECT_THROW(testjson::decodeTree<ObserverUIState>(withoutKey(kFullJSON, key)), json::DecodingError) << key;
            EXPECT_THROW(testjson::decodeTree<ObserverUIState>(nulled), json::DecodingError) << key;
        }
    }
    EXPECT_EQ(required, 29);
}

TEST(ObserverUIState, AWrongKindOrUnknownCaseFailsTheWholeState) {
    const std::pair<const char*, testjson::Tree> cases[] = {
        {"isPaused", 1},
        {"visibleSurfaceCount", 1.5},
        {"visibleSurfaceCount", "3"},
        {"noticePermission", "authorized"},
        {"eventStorageStatus", "Available"},
        {"recentEvents", testjson::Tree::object()},
        {"historyReferenceDate", "2024-01-01T00:00:00Z"},
        {"diagnosticPreview", testjson::Tree{{"data", "not base64!"}, {"createdAt", 1}}},
        {"loginStatus", false},
    };
    for (const auto& [key, value] : cases) {
        testjson::Tree v = testjson::Tree::parse(kFullJSON);
        v[key] = value;
        EXPECT_THROW(testjson::decodeTree<ObserverUIState>(v), json::DecodingError) << key << " = " << value.dump();
    }
    EXPECT_THROW(json::decode<ObserverUIState>("[]"), json::DecodingError);
}

TEST(ObserverUIState, ANonFiniteNumberCannotBeEncoded) {
    auto s = minimalState();
    s.sampling.interval = std::numeric_limits<double>::infinity();
    EXPECT_THROW(json::encode(s), json::EncodingError);
    s = minimalState();
    s.intervals = {{1, Date{0}, Date{1}, std::nan(""), 0}};
    EXPECT_THROW(json::encode(s), json::EncodingError);
}
