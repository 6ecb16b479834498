#include "Quentrel/Views/Models/ConnectionNotificationSettingsModel.h"

#include <gtest/gtest.h>

using namespace quentrel;
using Permission = NoticePermission;

namespace {
constexpr const char* rememberFirst = "장치 정보에서 관측 대상을 먼저 기억해 주세요.";
constexpr const char* rules = "3초 이상 연결이 보이지 않거나, 10분 내 3회 끊기면 알립니다. 정상 연결은 조용히 기록합니다.";
}  // namespace

TEST(ConnectionNotificationSettingsModel, followsTargetSwitchBusyAndPermission) {
    struct Row {
        const char* name;
        ConnectionNotificationSettingsInputs in;
        bool toggleEnabled, deniedHint, statusRow, testEnabled;
        const char* caption;
    } rows[] = {
        {"no drive, off: cannot be turned on", {false, false, false, Permission::notDetermined, "대기"},
         false, false, false, false, rememberFirst},
        {"drive forgotten while on: can still be turned off", {false, true, false, Permission::allowed, "전달됨"},
         true, false, true, true, rememberFirst},
        {"drive, off", {true, false, false, Permission::allowed, "대기"}, true, false, false, true, rules},
        {"busy wins over everything", {true, true, true, Permission::allowed, "대기"}, false, false, true, true, rules},
        {"not determined: row without a usable test", {true, true, false, Permission::notDetermined, "대기"},
         true, false, true, false, rules},
        {"denied shows the hint even while off", {true, false, false, Permission::denied, "거부됨"},
         true, true, false, false, rules},
    };
    for (const auto& r : rows) {
        const auto m = makeConnectionNotificationSettingsModel(r.in);
        EXPECT_EQ(m.toggleOn, r.in.enabled) << r.name;
        EXPECT_EQ(m.toggleEnabled, r.toggleEnabled) << r.name;
        EXPECT_EQ(m.caption, r.caption) << r.name;
        EXPECT_EQ(m.showsDeniedHint, r.deniedHint) << r.name;
        EXPECT_EQ(m.showsStatusRow, r.statusRow) << r.name;
        EXPECT_EQ(m.testEnabled, r.testEnabled) << r.name;
        EXPECT_EQ(m.deliveryStatus, r.statusRow ? r.in.deliveryStatus : "") << r.name;
    }
}
