#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quentrel {

class ObserverStore;

// Every text of the data-management window.
struct DataManagementTexts {
    static constexpr std::string_view windowID = "data-management";
    static constexpr std::string_view title = "설정과 기록 관리";

    static constexpr std::string_view preferencesSection = "관측 설정";
    static constexpr std::string_view preferencesText =
        "기억한 장치를 지우고 시작 화면·백그라운드 관측을 끕니다. 로그인 실행과 첫 실행 안내의 완료 상태는 유지합니다.";
    static constexpr std::string_view resetButton = "관측 설정 초기화";
    static constexpr std::string_view resetSymbol = "arrow.counterclockwise";
    static constexpr std::string_view resetIdentifier = "resetObservationPreferences";
    static constexpr std::string_view undoResetButton = "초기화 되돌리기";
    static constexpr std::string_view undoResetIdentifier = "undoObservationReset";

    static constexpr std::string_view eventsSection = "최근 이벤트";
    static constexpr std::string_view eventsTextBefore = "앱에 저장된 최근 이벤트 ";
    static constexpr std::string_view eventsTextAfter =
        "건을 지웁니다. 새 이벤트는 계속 기록됩니다. 5분 그래프와 따로 저장한 진단 파일은 유지됩니다.";
    static constexpr std::string_view clearEventsButton = "최근 이벤트 지우기";
    static constexpr std::string_view clearSymbol = "trash";
    static constexpr std::string_view clearEventsIdentifier = "clearEventHistory";
    static constexpr std::string_view undoEventsButton = "삭제 되돌리기";
    static constexpr std::string_view undoEventsIdentifier = "undoHistoryClear";
    static constexpr std::string_view eventsNote = "되돌릴 기록은 앱을 종료하면 사라집니다.";

    static constexpr std::string_view sessionsSection = "작업 세션";
    static constexpr std::string_view sessionsTextBefore = "완료된 세션 ";
    static constexpr std::string_view sessionsTextAfter = "개를 지웁니다. 현재 세션은 계속 집계됩니다.";
    static constexpr std::string_view clearSessionsButton = "완료된 세션 지우기";
    static constexpr std::string_view clearSessionsIdentifier = "clearSessionHistory";
    static constexpr std::string_view undoSessionsButton = "세션 삭제 되돌리기";
    static constexpr std::string_view undoSessionsIdentifier = "undoSessionClear";

    static constexpr std::string_view failedSymbol = "exclamationmark.circle";
    static constexpr std::string_view succeededSymbol = "checkmark.circle";
    static constexpr std::string_view scopeNote =
        "이 작업은 Kavrinet의 관측 설정과 최근 이벤트·세션에만 적용됩니다. SSD의 파일과 별도 실험 앱의 검증·복구 기록은 "
        "건드리지 않습니다.";

    static constexpr std::string_view cancel = "취소";
};

// The three confirmations of the window.
enum class DataConfirmation { reset, clearEvents, clearSessions };

// One confirmation alert: its title and message, and the confirming button (the other one is
// "취소", with the cancel role, and does nothing).
struct DataConfirmationAlert {
    std::string_view title;
    std::string_view message;
    std::string_view confirmTitle;
    bool destructive = false;
};
DataConfirmationAlert confirmationAlert(DataConfirmation confirmation);

// The result line of the last data action.
struct DataActionResult {
    std::string message;
    bool failed = false;
    std::string_view symbol;

    friend bool operator==(const DataActionResult&, const DataActionResult&) = default;
};

// What the window shows for one state of the store.
struct DataManagementModel {
    std::string eventsText;
    bool clearEventsEnabled = false;
    bool showsUndoEvents = false;

    std::string sessionsText;
    bool clearSessionsEnabled = false;
    bool showsUndoSessions = false;

    bool showsUndoReset = false;
    std::optional<DataActionResult> result;

    friend bool operator==(const DataManagementModel&, const DataManagementModel&) = default;
};

// The completed sessions that the agent holds: in the agent its completed list; in the UI app
// the sessions of the mirrored list that have ended.
std::size_t completedSessionCount(const ObserverStore& store);

DataManagementModel makeDataManagementModel(const ObserverStore& store);

}  // namespace quentrel
