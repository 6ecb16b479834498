#include "ActivityLogModel.h"

#include "Quentrel/Services/RecentEvent.h"
#include "Quentrel/Stores/ObserverStore.h"

namespace quentrel {

namespace {
// Every text of the window around the sessions list.
constexpr const char* titleText = "활동 기록";
constexpr const char* previewTitle = "진단 미리보기";
constexpr const char* manageTitle = "기록 관리";
constexpr const char* summaryTitle = "연결 요약";
constexpr const char* undoTitle = "삭제 되돌리기";
constexpr const char* pickerText = "기록 종류";
constexpr const char* sessionsTitle = "작업 세션";
constexpr const char* eventsTitle = "이벤트";
constexpr const char* emptyTitle = "기록이 없습니다";
}  // namespace

ActivityLogModel ActivityLogModel::make(const ObserverStore& store, int tab, const LocaleFormatter& locale) {
    ActivityLogModel m;
    m.title = titleText;
    m.previewButton = {previewTitle, "doc.text.magnifyingglass"};
    m.storageBanner = WorkSessionHistoryModel::storageBannerFor(store.eventStorageStatus());
    m.manageButton = {manageTitle, "slider.horizontal.3"};
    m.summaryButton = {summaryTitle, "link"};
    m.undoButton = {undoTitle, "arrow.uturn.backward"};
    m.showsUndo = store.canUndoHistoryClear();
    m.pickerLabel = pickerText;
    m.tabTitles = {sessionsTitle, eventsTitle};
    m.tab = tab;
    m.showsSessions = tab == sessionsTab;
    m.eventSymbol = "circle.fill";
    const auto& history = store.history();
    if (history.empty()) m.emptyEvents = SymbolText{emptyTitle, "clock"};
    m.events.reserve(history.size());
    for (const auto& event : history) m.events.push_back({event.message, locale.dateTime(event.date)});
    return m;
}

}  // namespace quentrel
