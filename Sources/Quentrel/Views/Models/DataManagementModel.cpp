#include "DataManagementModel.h"

#include <algorithm>

#include "Quentrel/Services/RecentEvent.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Wendmark/WorkSession.h"

namespace quentrel {

DataConfirmationAlert confirmationAlert(DataConfirmation confirmation) {
    switch (confirmation) {
    case DataConfirmation::reset:
        return {"관측 설정을 초기화할까요?",
                "기억한 장치·시작 화면·백그라운드 관측만 초기화합니다. 로그인 실행은 유지하며, 이번 실행 중에는 되돌릴 수 "
                "있습니다.",
                "초기화", false};
    case DataConfirmation::clearEvents:
        return {"최근 이벤트를 지울까요?",
                "현재 앱에 보관된 이벤트만 지웁니다. 열려 있는 진단 미리보기도 비웁니다. 이번 실행 중에는 삭제를 되돌릴 수 "
                "있습니다.",
                "지우기", true};
    case DataConfirmation::clearSessions:
        return {"완료된 세션을 지울까요?", "현재 세션은 유지합니다. 이번 실행 중에는 삭제를 되돌릴 수 있습니다.", "지우기",
                true};
    }
    return {};
}

std::size_t completedSessionCount(const ObserverStore& store) {
    if (!store.isMirror()) return store.completedSessions().size();
    const auto sessions = store.sessionSummaries();
    return static_cast<std::size_t>(
        std::count_if(sessions.begin(), sessions.end(), [](const auto& s) { return s.endReason.has_value(); }));
}

DataManagementModel makeDataManagementModel(const ObserverStore& store) {
    using Texts = DataManagementTexts;
    DataManagementModel m;
    const std::size_t events = store.history().size();
    m.eventsText = std::string(Texts::eventsTextBefore) + std::to_string(events) + std::string(Texts::eventsTextAfter);
    m.clearEventsEnabled = events > 0;
    m.showsUndoEvents = store.canUndoHistoryClear();

    const std::size_t sessions = completedSessionCount(store);
    m.sessionsText =
        std::string(Texts::sessionsTextBefore) + std::to_string(sessions) + std::string(Texts::sessionsTextAfter);
    m.clearSessionsEnabled = sessions > 0;
    m.showsUndoSessions = store.canUndoSessionClear();

    m.showsUndoReset = store.canUndoObservationReset();
    if (const auto& message = store.dataActionMessage()) {
        const bool failed = store.dataActionFailed();
        m.result = DataActionResult{*message, failed, failed ? Texts::failedSymbol : Texts::succeededSymbol};
    }
    return m;
}

}  // namespace quentrel
