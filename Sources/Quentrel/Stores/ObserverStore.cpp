// The public face: each operation and value is the private implementation's.

#include "ObserverStore.h"

#include <utility>

#include "ObserverStorePrivate.h"
#include "Platform/Foundation/Clocks.h"

namespace quentrel {

std::shared_ptr<ObserverStore> ObserverStore::make(Environment environment) {
    environment.services = environment.services.resolved();
    auto store = std::make_shared<ObserverStore>(std::move(environment));
    // The callbacks hold the store weakly, which needs it inside its shared_ptr first.
    if (!store->isMirror()) store->d_->installCallbacks();
    return store;
}

double ObserverStore::continuousClockSeconds() {
    // The origin is the first reading, taken once for the whole process.
    static const double origin = platform::systemContinuousTime();
    return platform::systemContinuousTime() - origin;
}

ObserverStore::ObserverStore(Environment environment)
    : d_(std::make_unique<ObserverStorePrivate>(*this, std::move(environment))) {}

// Releasing the store does not stop what stop() stops; a pending deadline task is only cancelled,
// to let the queue drop it early.
ObserverStore::~ObserverStore() = default;

void ObserverStore::start() { d_->start(); }
void ObserverStore::stop() { d_->stop(); }
void ObserverStore::surfaceVisibilityChanged(const platform::UUID& surface, bool visible) {
    d_->surfaceVisibilityChanged(surface, visible);
}
void ObserverStore::receive(wendmark::InventorySnapshot snapshot) { d_->receive(std::move(snapshot)); }
void ObserverStore::selectDevice(const std::string& id) { d_->selectDevice(id); }
void ObserverStore::handleSystemSleep() { d_->handleSystemSleep(); }
void ObserverStore::handleSystemWake() { d_->handleSystemWake(); }
void ObserverStore::setConnectionNotifications(bool on, std::function<void()> done) {
    d_->setConnectionNotifications(on, std::move(done));
}
void ObserverStore::startNewSession() { d_->startNewSession(); }
void ObserverStore::completeOnboarding() { d_->completeOnboarding(); }
void ObserverStore::applyUIState(const ObserverUIState& state) { d_->applyUIState(state); }
void ObserverStore::setPaused(bool paused) { d_->setPaused(paused); }
void ObserverStore::setBackgroundPolling(bool enabled) { d_->setBackgroundPolling(enabled); }
void ObserverStore::setShowStatusOnLaunch(bool show) { d_->setShowStatusOnLaunch(show); }
void ObserverStore::rememberSelectedTarget() { d_->rememberSelectedTarget(); }
void ObserverStore::forgetTarget() { d_->forgetTarget(); }
void ObserverStore::resetObservationPreferences() { d_->resetObservationPreferences(); }
void ObserverStore::undoObservationReset() { d_->undoObservationReset(); }
bool ObserverStore::clearEventHistory() { return d_->clearEventHistory(); }
bool ObserverStore::undoHistoryClear() { return d_->undoHistoryClear(); }
bool ObserverStore::clearSessionHistory() { return d_->clearSessionHistory(); }
bool ObserverStore::undoSessionClear() { return d_->undoSessionClear(); }
void ObserverStore::prepareDiagnostics() { d_->prepareDiagnostics(); }
void ObserverStore::discardDiagnosticsPreview() { d_->discardDiagnosticsPreview(); }
void ObserverStore::copyDiagnostics() { d_->copyDiagnostics(); }
void ObserverStore::saveDiagnostics() { d_->saveDiagnostics(); }
void ObserverStore::revealSelectedVolume() { d_->revealSelectedVolume(); }
ObserverUIState ObserverStore::makeUIState() const { return d_->makeUIState(); }
void ObserverStore::handleUICommand(const ObserverUICommand& command) { d_->handleUICommand(command); }
void ObserverStore::uiProcessEnded() { d_->uiProcessEnded(); }
void ObserverStore::setOnDemandUIEnabled(bool enabled) { d_->setOnDemandUIEnabled(enabled); }
void ObserverStore::recordUIProcessLaunch(platform::Date date) { d_->recordUIProcessLaunch(date); }
void ObserverStore::setUIProcessID(std::optional<std::int32_t> pid) { d_->setUIProcessID(pid); }

std::vector<wendmark::WorkSession> ObserverStore::sessionSummaries() const { return d_->sessionSummaries(); }
const std::vector<wendmark::ActivityInterval>& ObserverStore::selectedIntervals() const {
    return d_->selectedIntervals();
}
bool ObserverStore::isAwaitingFreshSample() const { return d_->isAwaitingFreshSample(); }
const std::optional<wendmark::WorkSession>& ObserverStore::currentSession() const { return d_->currentSession(); }
bool ObserverStore::canRememberSelectedTarget() const { return d_->canRememberSelectedTarget(); }

platform::WillChangeSignal& ObserverStore::objectWillChange() { return d_->objectWillChange_; }
bool ObserverStore::isMirror() const { return static_cast<bool>(d_->remoteCommand_); }
const CommandSink& ObserverStore::remoteCommand() const { return d_->remoteCommand_; }
std::uint64_t ObserverStore::publicationCount() const { return d_->publicationCount_; }
const wendmark::InventorySnapshot& ObserverStore::snapshot() const { return d_->snapshot_; }
const std::optional<std::string>& ObserverStore::selectedID() const { return d_->selectedID_; }
bool ObserverStore::isPaused() const { return d_->isPaused_; }
bool ObserverStore::isSystemSleeping() const { return d_->isSystemSleeping_; }
const std::optional<std::string>& ObserverStore::errorMessage() const { return d_->errorMessage_; }
const wendmark::SamplingConfiguration& ObserverStore::sampling() const { return d_->sampling_; }
std::int64_t ObserverStore::visibleSurfaceCount() const { return d_->visibleSurfaceCount_; }
const std::optional<wendmark::ObservationTarget>& ObserverStore::rememberedTarget() const {
    return d_->rememberedTarget_;
}
const std::string& ObserverStore::targetStatus() const { return d_->targetStatus_; }
bool ObserverStore::backgroundPolling() const { return d_->backgroundPolling_; }
bool ObserverStore::showStatusOnLaunch() const { return d_->showStatusOnLaunch_; }
bool ObserverStore::onboardingCompleted() const { return d_->onboardingCompleted_; }
const wendmark::ActivityHistory& ObserverStore::activityHistory() const { return d_->activityHistory_; }
platform::Date ObserverStore::historyReferenceDate() const { return d_->historyReferenceDate_; }
const std::optional<DiagnosticPreview>& ObserverStore::diagnosticPreview() const {
    return d_->diagnosticExport_.preview();
}
EventStorageStatus ObserverStore::eventStorageStatus() const { return d_->eventStorageStatus_; }
bool ObserverStore::canUndoHistoryClear() const { return d_->canUndoHistoryClear_; }
bool ObserverStore::canUndoObservationReset() const { return d_->canUndoObservationReset_; }
const std::optional<std::string>& ObserverStore::dataActionMessage() const { return d_->dataActionMessage_; }
bool ObserverStore::dataActionFailed() const { return d_->dataActionFailed_; }
const std::optional<platform::Date>& ObserverStore::observationStartedAt() const {
    return d_->observationStartedAt_;
}
const std::shared_ptr<LoginItemService>& ObserverStore::loginItem() const { return d_->loginItem_; }
const std::shared_ptr<UpdateService>& ObserverStore::updates() const { return d_->updates_; }
const std::shared_ptr<RecentEventLog>& ObserverStore::eventLog() const { return d_->eventLog_; }
const std::shared_ptr<ConnectionNotificationService>& ObserverStore::connectionNotifications() const {
    return d_->connectionNotifications_;
}
const std::shared_ptr<SessionSummaryStore>& ObserverStore::sessionStorage() const { return d_->sessionStorage_; }
const wendmark::SessionAccumulator& ObserverStore::sessionAccumulator() const { return d_->sessionAccumulator_; }
const std::vector<wendmark::WorkSession>& ObserverStore::completedSessions() const {
    return d_->completedSessions_;
}
EventStorageStatus ObserverStore::sessionStorageStatus() const { return d_->sessionStorageStatus_; }
bool ObserverStore::canUndoSessionClear() const { return d_->canUndoSessionClear_; }
const wendmark::ConnectionStability& ObserverStore::connectionStability() const {
    return d_->rememberedConnection_.stability();
}
const std::vector<RecentEvent>& ObserverStore::history() const { return d_->history_; }
bool ObserverStore::onDemandUIEnabled() const { return d_->onDemandUIEnabled_; }
std::int64_t ObserverStore::uiProcessLaunchCount() const { return d_->uiProcessLaunchCount_; }
const std::optional<platform::Date>& ObserverStore::lastUIProcessStartedAt() const {
    return d_->lastUIProcessStartedAt_;
}
const std::optional<std::int32_t>& ObserverStore::uiProcessID() const { return d_->uiProcessID_; }

}  // namespace quentrel
