#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ProductIdentity.h"

namespace quentrel {

class LoginItemService;
class ObserverStore;

// Every text of the settings window (its two embedded sections have their own).
struct ObserverSettingsTexts {
    static constexpr std::string_view windowID = "settings";
    static constexpr std::string_view title = "설정";
    static constexpr std::string_view launchSection = "실행";
    static constexpr std::string_view launchToggle = "시작할 때 대시보드 열기";
    static constexpr std::string_view loginToggle = "로그인 시 실행";
    static constexpr std::string_view approvalButton = "로그인 항목 설정 열기";
    static constexpr std::string_view observationSection = "관측";
    static constexpr std::string_view backgroundToggle = "백그라운드 I/O 관측";
    static constexpr std::string_view backgroundCaption = "켜면 창을 닫아도 30초마다 확인합니다.";
    static constexpr std::string_view targetSymbol = "pin.fill";
    static constexpr std::string_view forgetButton = "기억 지우기";
    static constexpr std::string_view activityLogButton = "활동 기록 열기";
    static constexpr std::string_view dataManagementButton = "설정과 기록 관리";
    static constexpr std::string_view dataManagementSymbol = "slider.horizontal.3";
    static constexpr std::string_view dataManagementIdentifier = "openDataManagement";
    static constexpr std::string_view helpButton = "도움말 · 앱 정보";
    static constexpr std::string_view helpSymbol = "questionmark.circle";
    static constexpr std::string_view helpIdentifier = "openProductHelp";

    // The windows the three link buttons open.
    static constexpr std::string_view activityLogWindow = "activity-log";
    static constexpr std::string_view dataManagementWindow = "data-management";
    static constexpr std::string_view helpWindow = "help";
};

// What the settings window shows of the store and the login-item service.
struct ObserverSettingsModel {
    bool launchOn = false;
    bool loginOn = false;
    bool loginToggleEnabled = false;
    std::string loginStatus;
    bool showsApprovalButton = false;
    std::optional<std::string> loginError;
    bool backgroundOn = false;
    // The remembered drive's name; absent: no separator and no pin row.
    std::optional<std::string> rememberedTargetName;
    // "<name> · <version> (<build>)".
    std::string versionCaption;

    friend bool operator==(const ObserverSettingsModel&, const ObserverSettingsModel&) = default;
};

std::string versionCaption(const ProductIdentity& product);

ObserverSettingsModel makeObserverSettingsModel(const ObserverStore& store, const LoginItemService& loginItem,
                                                const ProductIdentity& product);

}  // namespace quentrel
