#pragma once

#include <string>
#include <string_view>

#include "Quentrel/Services/NoticePermission.h"

namespace quentrel {

class ConnectionNotificationService;
class ObserverStore;

// Every text of the settings window's connection-notification section.
struct ConnectionNotificationSettingsTexts {
    static constexpr std::string_view title = "연결 변화 알림";
    static constexpr std::string_view toggle = "기억한 SSD의 연결 변화 알림";
    static constexpr std::string_view toggleIdentifier = "connectionNotifications";
    static constexpr std::string_view rememberFirst = "장치 정보에서 관측 대상을 먼저 기억해 주세요.";
    static constexpr std::string_view rules =
        "3초 이상 연결이 보이지 않거나, 10분 내 3회 끊기면 알립니다. 정상 연결은 조용히 기록합니다.";
    static constexpr std::string_view deniedHint = "macOS 시스템 설정 → 알림 → Kavrinet에서 허용해 주세요.";
    static constexpr std::string_view deniedSymbol = "bell.slash";
    static constexpr std::string_view testButton = "테스트 알림";
    static constexpr std::string_view testIdentifier = "testConnectionNotification";
};

// What the section shows for one state of the store and its notification service.
struct ConnectionNotificationSettingsModel {
    bool toggleOn = false;
    // Off stays reachable without a remembered drive, on does not; nothing while busy.
    bool toggleEnabled = false;
    std::string caption;
    bool showsDeniedHint = false;
    // The delivery status and the test button, shown only while notifications are on.
    bool showsStatusRow = false;
    std::string deliveryStatus;
    bool testEnabled = false;

    friend bool operator==(const ConnectionNotificationSettingsModel&,
                           const ConnectionNotificationSettingsModel&) = default;
};

struct ConnectionNotificationSettingsInputs {
    bool hasRememberedTarget = false;
    bool enabled = false;
    bool busy = false;
    NoticePermission permission = NoticePermission::notDetermined;
    std::string deliveryStatus;
};

ConnectionNotificationSettingsModel makeConnectionNotificationSettingsModel(
    const ConnectionNotificationSettingsInputs& inputs);
ConnectionNotificationSettingsModel makeConnectionNotificationSettingsModel(
    const ObserverStore& store, const ConnectionNotificationService& notifications);

}  // namespace quentrel
