#include "QuickViewModel.h"

#include "Quentrel/Stores/ObserverStore.h"
#include "StoreSelection.h"
#include "Wendmark/SamplingConfiguration.h"

namespace quentrel {

namespace {
// Every text of the quick view (the embedded views hold their own).
constexpr const char* productTitle = "Kavrinet";
constexpr const char* closeHelp = "빠른 보기 닫기";
constexpr const char* settingsHelp = "설정";
constexpr const char* moreHelp = "더 보기";
constexpr const char* activityLogItem = "활동 기록";
constexpr const char* deviceInfoItem = "장치 정보";
constexpr const char* welcomeItem = "시작 안내";
constexpr const char* quitItem = "Kavrinet 종료";
constexpr const char* emptyText = "장치를 선택하면 활동이 표시됩니다";
constexpr const char* onboardingTitle = "처음이라면, 시작 안내 보기";
constexpr const char* dashboardTitle = "대시보드";
constexpr const char* finderTitle = "Finder 열기";
constexpr const char* resumeTitle = "I/O 관측 재개";
constexpr const char* pauseTitle = "I/O 관측 일시중지";

// The windows the quick view opens.
constexpr const char* settingsWindowID = "settings";
constexpr const char* activityLogWindowID = "activity-log";
constexpr const char* deviceDetailsWindowID = "device-details";
constexpr const char* welcomeWindowID = "welcome";
constexpr const char* dashboardWindowID = "status";
}  // namespace

QuickViewModel QuickViewModel::make(const ObserverStore& store, const LocaleFormatter& locale) {
    const auto* selected = selectedDevice(store);
    const bool sleeping = store.isSystemSleeping();
    QuickViewModel m;
    m.title = productTitle;
    m.close = {"xmark", closeHelp};
    m.settings = {"gearshape", settingsHelp};
    m.settingsWindow = settingsWindowID;
    m.more = {"ellipsis", moreHelp};
    m.menu = {
        {activityLogItem, "clock.arrow.circlepath", "Ctrl+L", true, activityLogWindowID},
        {deviceInfoItem, "info.circle", "", selected != nullptr, deviceDetailsWindowID},
        {welcomeItem, "sparkle", "", true, welcomeWindowID},
        {},
        {quitItem, "", "Ctrl+Q", true, ""},
    };
    if (selected) {
        Device d{*DeviceObservationModel::fromStore(store, true, locale), {}};
        d.graph.identity = store.selectedID();
        d.graph.intervals = store.selectedIntervals();
        d.graph.referenceDate = store.historyReferenceDate();
        d.graph.collecting = store.sampling().enabled;
        d.graph.samplingInterval = store.sampling().interval;
        d.graph.compact = true;
        m.device = std::move(d);
    }
    m.empty = {"waveform.path", emptyText};
    if (!store.onboardingCompleted()) m.onboarding = Prompt{onboardingTitle, "sparkle", welcomeWindowID};
    m.errorLine = store.errorMessage();
    m.dashboard = {dashboardTitle, "macwindow", "Ctrl+O", dashboardWindowID};
    m.finder = {finderTitle, "folder", false, selected && selected->mountedCount() >= 1 && !sleeping};
    m.pause = store.isPaused() ? IconButton{resumeTitle, "play.fill", true, !sleeping}
                               : IconButton{pauseTitle, "pause.fill", false, !sleeping};
    return m;
}

}  // namespace quentrel
