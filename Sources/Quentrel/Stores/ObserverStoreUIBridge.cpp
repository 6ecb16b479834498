// The agent's side of the UI app: the state it is sent, the commands it sends, and its end.

#include <vector>

#include "ObserverStorePrivate.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"

namespace quentrel {

using Case = ObserverUICommand::Case;

ObserverUIState ObserverStorePrivate::makeUIState() const {
    ObserverUIState s;
    s.snapshot = snapshot_;
    s.selectedID = selectedID_;
    s.isPaused = isPaused_;
    s.isSystemSleeping = isSystemSleeping_;
    s.errorMessage = errorMessage_;
    s.sampling = sampling_;
    s.visibleSurfaceCount = visibleSurfaceCount_;
    s.rememberedTarget = rememberedTarget_;
    s.targetStatus = targetStatus_;
    s.backgroundPolling = backgroundPolling_;
    s.showStatusOnLaunch = showStatusOnLaunch_;
    s.onboardingCompleted = onboardingCompleted_;
    s.historyReferenceDate = historyReferenceDate_;
    s.diagnosticPreview = diagnosticExport_.preview();
    s.eventStorageStatus = eventStorageStatus_;
    s.canUndoHistoryClear = canUndoHistoryClear_;
    s.canUndoObservationReset = canUndoObservationReset_;
    s.dataActionMessage = dataActionMessage_;
    s.dataActionFailed = dataActionFailed_;
    s.recentEvents = history_;
    s.intervals = selectedIntervals();
    // The running session travels twice: on its own and first in the list.
    s.currentSession = currentSession();
    s.sessions = sessionSummaries();
    s.sessionStorageStatus = sessionStorageStatus_;
    s.canUndoSessionClear = canUndoSessionClear_;
    s.connectionStability = rememberedConnection_.stability();
    s.awaitingFreshSample = isAwaitingFreshSample();
    s.loginEnabled = loginItem_->enabled();
    s.loginRequiresApproval = loginItem_->requiresApproval();
    s.loginBusy = loginItem_->isBusy();
    s.loginStatus = loginItem_->statusText();
    s.loginError = loginItem_->error();
    s.noticesEnabled = connectionNotifications_->enabled();
    s.noticesBusy = connectionNotifications_->busy();
    s.noticePermission = connectionNotifications_->permission();
    s.noticeStatus = connectionNotifications_->deliveryStatus();
    return s;
}

void ObserverStorePrivate::handleUICommand(const ObserverUICommand& command) {
    if (remoteCommand_) return;
    switch (command.kind) {
        case Case::select: return selectDevice(command.deviceID);
        case Case::completeOnboarding: return completeOnboarding();
        case Case::surface: return surfaceVisibilityChanged(command.surfaceID, command.flag);
        case Case::pause: return setPaused(command.flag);
        case Case::refresh:
            if (!isPaused_ && !isSystemSleeping_ && inventory_) inventory_->refresh();
            return;
        case Case::background: return setBackgroundPolling(command.flag);
        case Case::showOnLaunch: return setShowStatusOnLaunch(command.flag);
        case Case::remember: return rememberSelectedTarget();
        case Case::forget: return forgetTarget();
        case Case::reset: return resetObservationPreferences();
        case Case::undoReset: return undoObservationReset();
        case Case::clearEvents: clearEventHistory(); return;
        case Case::undoEvents: undoHistoryClear(); return;
        case Case::clearSessions: clearSessionHistory(); return;
        case Case::undoSessions: undoSessionClear(); return;
        // The event is logged also when no session was running.
        case Case::newSession: return startNewSession();
        // The three asynchronous cases return at once; their results arrive with a later state.
        case Case::notifications: return setConnectionNotifications(command.flag, {});
        case Case::refreshNotifications: return connectionNotifications_->refreshPermission();
        case Case::testNotification: return connectionNotifications_->sendTest();
        case Case::login: return loginItem_->setEnabled(command.flag);
        case Case::refreshLogin: return loginItem_->refresh();
        case Case::approvalSettings: return loginItem_->openLoginItemsSettings();
        case Case::prepareDiagnostics: return prepareDiagnostics();
        case Case::discardDiagnostics: return discardDiagnosticsPreview();
        case Case::copyDiagnostics: return copyDiagnostics();
        case Case::saveDiagnostics: return saveDiagnostics();
        case Case::revealVolume: return revealSelectedVolume();
        case Case::quickView: return ObserverWindowPresenter::requestQuickView();
        case Case::quit: return ObserverWindowPresenter::requestQuit();
    }
}

void ObserverStorePrivate::uiProcessEnded() {
    if (remoteCommand_) return;
    // A copy: each call changes the set.
    const std::vector<platform::UUID> surfaces(visibleSurfaces_.begin(), visibleSurfaces_.end());
    for (const platform::UUID& surface : surfaces) surfaceVisibilityChanged(surface, false);
    discardDiagnosticsPreview();
    setUIProcessID(std::nullopt);
}

}  // namespace quentrel
