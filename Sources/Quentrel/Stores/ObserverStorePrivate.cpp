// Construction, publication and recent events, the mirror's state, the derived values and the
// work-session bookkeeping.

#include "ObserverStorePrivate.h"

#include <string>
#include <utility>

#include "Wendmark/DiskInventory.h"

namespace quentrel {

using platform::Date;
using wendmark::SessionEndReason;
using wendmark::WorkSession;

namespace {

std::string logSubsystem(const platform::BundleInfo& bundle) {
    return bundle.bundleIdentifier ? *bundle.bundleIdentifier : std::string(ObserverStore::fallbackLogSubsystem);
}

}  // namespace

ObserverStorePrivate::ObserverStorePrivate(ObserverStore& q, ObserverStore::Environment environment)
    : q_(q),
      mainQueue_(environment.services.mainQueue),
      now_(environment.services.now),
      powerEvents_(environment.services.powerEvents),
      pasteboard_(environment.services.pasteboard),
      savePanels_(environment.services.savePanels),
      fileBrowser_(environment.services.fileBrowser),
      mountedVolumeMatches_(environment.services.mountedVolumeMatches),
      monotonicNow_(environment.monotonicNow ? std::move(environment.monotonicNow)
                                             : &ObserverStore::continuousClockSeconds),
      rememberedConnection_(mainQueue_, monotonicNow_),
      logger_(logSubsystem(*environment.services.bundle), std::string(ObserverStore::logCategory)) {
    const ObserverStoreServices& services = environment.services;

    const Date now = currentDate();
    snapshot_.capturedAt = now;
    snapshot_.status = std::string(ObserverStore::initialSnapshotStatus);
    historyReferenceDate_ = now;
    sampling_ = {false, ObserverStore::initialSamplingInterval, std::string(ObserverStore::initialSamplingReason)};

    updates_ = std::make_shared<UpdateService>(services.bundle->infoDictionary);

    remoteCommand_ = std::move(environment.remoteCommand);
    loginItem_ = std::make_shared<LoginItemService>(remoteCommand_, services.loginItems);
    preferences_ = std::move(environment.preferences);
    usesSystemServices_ = environment.usesSystemServices;

    ConnectionNotificationBackendPtr backend = environment.notificationBackend
                                                   ? std::move(environment.notificationBackend)
                                                   : makeDefaultNotificationBackend(services);
    connectionNotifications_ = ConnectionNotificationService::make(preferences_, std::move(backend), remoteCommand_);

    sessionStorage_ = environment.sessionStorage
                          ? std::move(environment.sessionStorage)
                          : std::make_shared<SessionSummaryStore>(!environment.usesSystemServices);
    completedSessions_ = sessionStorage_->initialSessions();
    sessionStorageStatus_ = sessionStorage_->initialStatus();

    inventoryFactory_ = environment.inventoryFactory ? std::move(environment.inventoryFactory)
                                                     : [](wendmark::ObservationInventory::Handler handler) {
                                                           return std::shared_ptr<wendmark::ObservationInventory>(
                                                               wendmark::DiskInventory::make(std::move(handler)));
                                                       };

    if (environment.usesSystemServices) ProductSettings::migrate(*preferences_, services.bundle->bundleIdentifier);
    preferences_->registerDefaults({{std::string(ProductSettings::showStatusOnLaunchKey), false},
                                    {std::string(ProductSettings::backgroundPollingKey), false},
                                    {std::string(ProductSettings::onboardingCompletedKey), false}});
    const ProductSettings::ObservationPreferences stored = ProductSettings::observationPreferences(*preferences_);
    backgroundPolling_ = stored.backgroundPolling;
    showStatusOnLaunch_ = stored.showDashboard;
    onboardingCompleted_ = preferences_->boolForKey(ProductSettings::onboardingCompletedKey);
    if (auto data = preferences_->dataForKey(ProductSettings::observationTargetKey)) {
        rememberedTarget_ = ProductSettings::validatedTarget(*data);
    }

    eventLog_ = environment.eventLog ? std::move(environment.eventLog)
                                     : std::make_shared<RecentEventLog>(static_cast<bool>(remoteCommand_));
    history_ = eventLog_->initialEvents();
    eventStorageStatus_ = eventLog_->initialStatus();
}

void ObserverStorePrivate::installCallbacks() {
    std::weak_ptr<ObserverStore> weak = q_.weak_from_this();
    auto queue = mainQueue_;
    sessionStorage_->setStatusHandler([weak, queue](EventStorageStatus status) {
        queue->async([weak, status] {
            if (auto store = weak.lock()) {
                store->d_->publish();
                store->d_->sessionStorageStatus_ = status;
            }
        });
    });
    connectionNotifications_->onResult = [weak](const std::string& text) {
        if (auto store = weak.lock()) store->d_->addEvent(text);
    };
    eventLog_->setStatusHandler([weak, queue](EventStorageStatus status) {
        queue->async([weak, status] {
            if (auto store = weak.lock()) {
                store->d_->publish();
                store->d_->eventStorageStatus_ = status;
            }
        });
    });
    rememberedConnection_.setDeadlineHandler([weak] {
        if (auto store = weak.lock()) store->d_->connectionDeadlineReached();
    });
}

void ObserverStorePrivate::publish() {
    if (updateDepth_ != 0) return;
    ++publicationCount_;
    objectWillChange_.send();
}

void ObserverStorePrivate::addEvent(std::string_view message) {
    publish();
    const Date now = currentDate();
    history_.insert(history_.begin(), RecentEvent{now, std::string(message)});
    history_ = RecentEventLog::bounded(history_, now);
    eventLog_->save(history_);
    logger_.info(message);
}

void ObserverStorePrivate::completeOnboarding() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(ObserverUICommand::Case::completeOnboarding));
        return;
    }
    publish();
    onboardingCompleted_ = true;
    preferences_->set(true, ProductSettings::onboardingCompletedKey);
}

void ObserverStorePrivate::setOnDemandUIEnabled(bool enabled) {
    publish();
    onDemandUIEnabled_ = enabled;
}

void ObserverStorePrivate::recordUIProcessLaunch(Date date) {
    publish();
    ++uiProcessLaunchCount_;
    lastUIProcessStartedAt_ = date;
}

void ObserverStorePrivate::setUIProcessID(std::optional<std::int32_t> pid) {
    publish();
    uiProcessID_ = pid;
}

void ObserverStorePrivate::applyUIState(const ObserverUIState& state) {
    if (!remoteCommand_) return;
    ChangeBatch batch(*this);
    remoteState_ = state;
    snapshot_ = state.snapshot;
    selectedID_ = state.selectedID;
    isPaused_ = state.isPaused;
    isSystemSleeping_ = state.isSystemSleeping;
    errorMessage_ = state.errorMessage;
    sampling_ = state.sampling;
    visibleSurfaceCount_ = state.visibleSurfaceCount;
    rememberedTarget_ = state.rememberedTarget;
    targetStatus_ = state.targetStatus;
    backgroundPolling_ = state.backgroundPolling;
    showStatusOnLaunch_ = state.showStatusOnLaunch;
    onboardingCompleted_ = state.onboardingCompleted;
    historyReferenceDate_ = state.historyReferenceDate;
    diagnosticExport_.setPreview(state.diagnosticPreview);
    eventStorageStatus_ = state.eventStorageStatus;
    canUndoHistoryClear_ = state.canUndoHistoryClear;
    canUndoObservationReset_ = state.canUndoObservationReset;
    dataActionMessage_ = state.dataActionMessage;
    dataActionFailed_ = state.dataActionFailed;
    history_ = state.recentEvents;
    sessionStorageStatus_ = state.sessionStorageStatus;
    canUndoSessionClear_ = state.canUndoSessionClear;
    rememberedConnection_.applyMirror(state.connectionStability);
    loginItem_->applyMirror(state.loginEnabled, state.loginRequiresApproval, state.loginBusy, state.loginStatus,
                            state.loginError);
    connectionNotifications_->applyMirror(state.noticesEnabled, state.noticesBusy, state.noticePermission,
                                          state.noticeStatus);
}

// Derived values.

std::vector<WorkSession> ObserverStorePrivate::sessionSummaries() const {
    if (remoteState_) return remoteState_->sessions;
    std::vector<WorkSession> sessions;
    sessions.reserve(completedSessions_.size() + 1);
    if (const auto& current = sessionAccumulator_.current()) sessions.push_back(*current);
    sessions.insert(sessions.end(), completedSessions_.begin(), completedSessions_.end());
    return SessionSummaryStore::bounded(sessions, currentDate());
}

const std::vector<wendmark::ActivityInterval>& ObserverStorePrivate::selectedIntervals() const {
    static const std::vector<wendmark::ActivityInterval> none;
    if (remoteState_) return remoteState_->intervals;
    if (!selectedID_) return none;
    if (intervalCache_ && intervalCache_->id == selectedID_ && intervalCache_->date == historyReferenceDate_ &&
        intervalCache_->generation == historyGeneration_) {
        return intervalCache_->values;
    }
    intervalCache_ = IntervalCache{selectedID_, historyReferenceDate_, historyGeneration_,
                                   activityHistory_.intervals(*selectedID_, historyReferenceDate_)};
    return intervalCache_->values;
}

bool ObserverStorePrivate::isAwaitingFreshSample() const {
    if (remoteState_) return remoteState_->awaitingFreshSample;
    if (!sampling_.enabled || !observationStartedAt_) return false;
    for (const auto& device : snapshot_.devices) {
        if (selectedID_ && device.id == *selectedID_) return device.activity.measuredAt < *observationStartedAt_;
    }
    return true;
}

const std::optional<WorkSession>& ObserverStorePrivate::currentSession() const {
    return remoteState_ ? remoteState_->currentSession : sessionAccumulator_.current();
}

bool ObserverStorePrivate::canRememberSelectedTarget() const {
    return rememberableTarget().has_value();
}

// Work sessions.

void ObserverStorePrivate::finishSession(SessionEndReason reason, Date date) {
    const double now = monotonicNow_();
    publish();
    if (auto ended = sessionAccumulator_.finish(reason, date, now)) {
        retainSession(*ended);
        checkpoint();
    }
}

void ObserverStorePrivate::retainSession(const WorkSession& session) {
    std::vector<WorkSession> sessions;
    sessions.reserve(completedSessions_.size() + 1);
    sessions.push_back(session);
    sessions.insert(sessions.end(), completedSessions_.begin(), completedSessions_.end());
    publish();
    completedSessions_ = SessionSummaryStore::bounded(sessions, currentDate());
}

void ObserverStorePrivate::checkpoint() {
    lastCheckpoint_ = monotonicNow_();
    sessionStorage_->save(sessionSummaries());
}

void ObserverStorePrivate::startNewSession() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(ObserverUICommand::Case::newSession));
        return;
    }
    finishSession(SessionEndReason::newSession, currentDate());
    addEvent(ObserverStore::sessionRestartedEvent);
}

}  // namespace quentrel
