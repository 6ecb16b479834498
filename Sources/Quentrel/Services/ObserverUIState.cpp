#include "ObserverUIState.h"

namespace quentrel {

using platform::Date;
using std::optional;
using std::string;
using std::vector;

void ObserverUIState::encode(platform::json::ObjectEncoder& e) const {
    e.field("snapshot", snapshot)
        .field("selectedID", selectedID)
        .field("isPaused", isPaused)
        .field("isSystemSleeping", isSystemSleeping)
        .field("errorMessage", errorMessage)
        .field("sampling", sampling)
        .field("visibleSurfaceCount", visibleSurfaceCount)
        .field("rememberedTarget", rememberedTarget)
        .field("targetStatus", targetStatus)
        .field("backgroundPolling", backgroundPolling)
        .field("showStatusOnLaunch", showStatusOnLaunch)
        .field("onboardingCompleted", onboardingCompleted)
        .field("historyReferenceDate", historyReferenceDate)
        .field("diagnosticPreview", diagnosticPreview)
        .field("eventStorageStatus", eventStorageStatus)
        .field("canUndoHistoryClear", canUndoHistoryClear)
        .field("canUndoObservationReset", canUndoObservationReset)
        .field("dataActionMessage", dataActionMessage)
        .field("dataActionFailed", dataActionFailed)
        .field("recentEvents", recentEvents)
        .field("intervals", intervals)
        .field("currentSession", currentSession)
        .field("sessions", sessions)
        .field("sessionStorageStatus", sessionStorageStatus)
        .field("canUndoSessionClear", canUndoSessionClear)
        .field("connectionStability", connectionStability)
        .field("awaitingFreshSample", awaitingFreshSample)
        .field("loginEnabled", loginEnabled)
        .field("loginRequiresApproval", loginRequiresApproval)
        .field("loginBusy", loginBusy)
        .field("loginStatus", loginStatus)
        .field("loginError", loginError)
        .field("noticesEnabled", noticesEnabled)
        .field("noticesBusy", noticesBusy)
        .field("noticePermission", noticePermission)
        .field("noticeStatus", noticeStatus);
}

ObserverUIState ObserverUIState::decode(const platform::json::ObjectDecoder& d) {
    // Braced initialisation reads the keys in field order.
    return ObserverUIState{
        .snapshot = d.required<wendmark::InventorySnapshot>("snapshot"),
        .selectedID = d.optional<string>("selectedID"),
        .isPaused = d.required<bool>("isPaused"),
        .isSystemSleeping = d.required<bool>("isSystemSleeping"),
        .errorMessage = d.optional<string>("errorMessage"),
        .sampling = d.required<wendmark::SamplingConfiguration>("sampling"),
        .visibleSurfaceCount = d.required<std::int64_t>("visibleSurfaceCount"),
        .rememberedTarget = d.optional<wendmark::ObservationTarget>("rememberedTarget"),
        .targetStatus = d.required<string>("targetStatus"),
        .backgroundPolling = d.required<bool>("backgroundPolling"),
        .showStatusOnLaunch = d.required<bool>("showStatusOnLaunch"),
        .onboardingCompleted = d.required<bool>("onboardingCompleted"),
        .historyReferenceDate = d.required<Date>("historyReferenceDate"),
        .diagnosticPreview = d.optional<DiagnosticPreview>("diagnosticPreview"),
        .eventStorageStatus = d.required<EventStorageStatus>("eventStorageStatus"),
        .canUndoHistoryClear = d.required<bool>("canUndoHistoryClear"),
        .canUndoObservationReset = d.required<bool>("canUndoObservationReset"),
        .dataActionMessage = d.optional<string>("dataActionMessage"),
        .dataActionFailed = d.required<bool>("dataActionFailed"),
        .recentEvents = d.required<vector<RecentEvent>>("recentEvents"),
        .intervals = d.required<vector<wendmark::ActivityInterval>>("intervals"),
        .currentSession = d.optional<wendmark::WorkSession>("currentSession"),
        .sessions = d.required<vector<wendmark::WorkSession>>("sessions"),
        .sessionStorageStatus = d.required<EventStorageStatus>("sessionStorageStatus"),
        .canUndoSessionClear = d.required<bool>("canUndoSessionClear"),
        .connectionStability = d.required<wendmark::ConnectionStability>("connectionStability"),
        .awaitingFreshSample = d.required<bool>("awaitingFreshSample"),
        .loginEnabled = d.required<bool>("loginEnabled"),
        .loginRequiresApproval = d.required<bool>("loginRequiresApproval"),
        .loginBusy = d.required<bool>("loginBusy"),
        .loginStatus = d.required<string>("loginStatus"),
        .loginError = d.optional<string>("loginError"),
        .noticesEnabled = d.required<bool>("noticesEnabled"),
        .noticesBusy = d.required<bool>("noticesBusy"),
        .noticePermission = d.required<NoticePermission>("noticePermission"),
        .noticeStatus = d.required<string>("noticeStatus"),
    };
}

}  // namespace quentrel
