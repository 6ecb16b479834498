#include "WindowTable.h"

#include <array>
#include <utility>

#include "Quentrel/Stores/ObserverStore.h"

namespace quentrel {

namespace {

constexpr int minW = WindowTable::defaultMinimumWidth;
constexpr int minH = WindowTable::defaultMinimumHeight;

constexpr WindowSpec fitting(WindowContent content, std::string_view title) { return {content, title, true, 0, 0, 0, 0}; }

constexpr WindowSpec sized(WindowContent content, std::string_view title, int width, int height) {
    return {content, title, false, width, height, minW, minH};
}

constexpr std::string_view helpTitle = "Kavrinet 도움말";

constexpr std::array<std::pair<std::string_view, WindowSpec>, 10> rows = {{
    {"welcome", fitting(WindowContent::welcome, "Kavrinet 시작하기")},
    {"settings", fitting(WindowContent::settings, "Kavrinet 설정")},
    {"device-details", sized(WindowContent::deviceDetails, "장치 정보", 520, 570)},
    {"connection-summary", sized(WindowContent::connectionSummary, "연결 안정성 요약", 620, 540)},
    {"activity-log", sized(WindowContent::activityLog, "활동 기록", 620, 520)},
    {"diagnostic-preview", sized(WindowContent::diagnosticPreview, ObserverStore::diagnosticPreviewTitle, 660, 660)},
    {"data-management", sized(WindowContent::dataManagement, "설정과 기록 관리", 560, 550)},
    {"help", sized(WindowContent::helpUsage, helpTitle, 600, 620)},
    {"about", sized(WindowContent::helpAbout, helpTitle, 600, 620)},
    {"status", {WindowContent::dashboard, "Kavrinet", false, 620, 780, 540, 500}},
}};

constexpr WindowSpec otherWindow = sized(WindowContent::dashboard, "Kavrinet", 620, 780);

}  // namespace

WindowSpec WindowTable::spec(std::string_view windowID) {
    for (const auto& [id, spec] : rows)
        if (id == windowID) return spec;
    return otherWindow;
}

}  // namespace quentrel
