#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "LocalizedFormats.h"
#include "Quentrel/Services/UpdateService.h"

namespace quentrel {

// Every text of the settings window's update section.
struct UpdateSettingsTexts {
    static constexpr std::string_view title = "업데이트";
    static constexpr std::string_view failure = "업데이트 확인을 시작하지 못했습니다. 앱을 다시 열어주세요.";
    static constexpr std::string_view toggle = "업데이트 자동 확인";
    static constexpr std::string_view toggleIdentifier = "automaticUpdateChecks";
    static constexpr std::string_view explanation = "새 버전만 알립니다. 다운로드·설치와 앱 재실행은 직접 선택합니다.";
    static constexpr std::string_view checkButton = "업데이트 확인…";
    static constexpr std::string_view checkIdentifier = "checkForUpdates";
};

// The update service's published fields, as the section reads them.
struct UpdateSettingsInputs {
    bool isConfigured = false;
    UpdateService::State state = UpdateService::State::unconfigured;
    bool automaticallyChecksForUpdates = false;
    bool canCheckForUpdates = false;
    std::optional<platform::Date> lastCheckDate;

    static UpdateSettingsInputs of(const UpdateService& updates);
};

// What the section shows: nothing while updates are not configured, only the failure text in
// state failed, else the toggle, its explanation and the check row.
struct UpdateSettingsModel {
    enum class Content { none, failure, controls };

    Content content = Content::none;
    bool toggleOn = false;
    bool toggleEnabled = false;
    bool checkEnabled = false;
    std::optional<std::string> lastCheck;

    friend bool operator==(const UpdateSettingsModel&, const UpdateSettingsModel&) = default;
};

UpdateSettingsModel makeUpdateSettingsModel(const UpdateSettingsInputs& inputs, const LocalizedFormats& formats);

}  // namespace quentrel
