#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "ObserverStoreServices.h"
#include "Platform/Desktop/PowerEvents.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Dispatch/WorkItem.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/DefaultsDatabase.h"
#include "Platform/Foundation/UUID.h"
#include "Platform/Foundation/WillChangeSignal.h"
#include "Platform/Log/Logger.h"
#include "Quentrel/Services/ConnectionNotificationBackend.h"
#include "Quentrel/Services/ConnectionNotificationService.h"
#include "Quentrel/Services/DiagnosticPreview.h"
#include "Quentrel/Services/EventStorageStatus.h"
#include "Quentrel/Services/LoginItemService.h"
#include "Quentrel/Services/ObserverUICommand.h"
#include "Quentrel/Services/ObserverUIState.h"
#include "Quentrel/Services/RecentEvent.h"
#include "Quentrel/Services/RecentEventLog.h"
#include "Quentrel/Services/SessionSummaryStore.h"
#include "Quentrel/Services/UpdateService.h"
#include "Quentrel/Support/ProductSettings.h"
#include "Wendmark/ActivityHistory.h"
#include "Wendmark/ConnectionMonitor.h"
#include "Wendmark/ConnectionNotice.h"
#include "Wendmark/ConnectionStability.h"
#include "Wendmark/InventorySnapshot.h"
#include "Wendmark/ObservationInventory.h"
#include "Wendmark/ObservationPolicy.h"
#include "Wendmark/ObservationTarget.h"
#include "Wendmark/SamplingConfiguration.h"
#include "Wendmark/SessionAccumulator.h"
#include "Wendmark/WorkSession.h"

namespace quentrel {

// The one central state object of a program. In the agent it owns the drive inventory, the
// activity history, the work sessions, the remembered drive's connection records, the sampling
// decision and the two JSON stores, and every flag the views show. In the UI app the same class
// runs as a mirror (built with a command sink): it observes nothing, its operations send their
// command to the agent and change nothing here.
//
// Main queue only: every operation, callback and task runs there. Views read its fields and hear
// objectWillChange, which is sent once before each change they can see, or once for a whole batch
// of changes. Always held by a shared_ptr (make()): tasks and callbacks hold it weakly and do
// nothing once it is gone. Call stop() before releasing a started store.
class ObserverStore : public std::enable_shared_from_this<ObserverStore> {
public:
    // Recent-event texts.
    static constexpr std::string_view appStartedEvent = "앱 시작 · 마운트 유지 관측 모드";
    static constexpr std::string_view systemSleepEvent = "시스템 잠자기 · 관측 중지";
    static constexpr std::string_view systemWakeEvent = "기상 · 새 관측 구간 시작";
    static constexpr std::string_view deviceDisappearedEvent = "연결 해제 감지 · 원인 미확인";
    static constexpr std::string_view deviceAppearedEvent = "외장 장치 등장 감지";
    static constexpr std::string_view volumeStateChangedEvent = "볼륨 마운트 상태 변경 감지 · 요청 원인 미확인";
    static constexpr std::string_view sessionRestartedEvent = "새 작업 세션 · 다음 유효 구간부터 집계";
    static constexpr std::string_view targetDisconnectedEvent = "기억한 대상 연결 해제 확인 · 원인 미확인";
    static constexpr std::string_view targetRepeatedChangesEvent = "기억한 대상 반복 연결 변화 감지";

    // Texts of targetStatus.
    static constexpr std::string_view noTargetStatus = "기억된 관측 대상 없음";
    static constexpr std::string_view targetFoundStatus = "기억한 관측 대상 확인됨";
    static constexpr std::string_view targetWaitingStatus = "기억한 대상 연결 대기";
    static constexpr std::string_view targetAmbiguousStatus = "동일 식별 정보가 여럿 · 자동 선택 보류";

    // The placeholder snapshot and sampling decision before anything was observed.
    static constexpr std::string_view initialSnapshotStatus = "장치 이벤트를 기다립니다.";
    static constexpr std::string_view initialSamplingReason = "시작 중";
    static constexpr double initialSamplingInterval = 30.0;

    static constexpr std::string_view fallbackLogSubsystem = "QuentrelProduct";
    static constexpr std::string_view logCategory = "Observation";

    // Session summaries are saved at least this often (monotonic seconds) while a session is open.
    static constexpr double checkpointInterval = 300.0;
    // The shortest wait of the connection-deadline task.
    static constexpr double minimumDeadlineDelay = 0.01;
    // The most UI surfaces counted as visible at once.
    static constexpr std::size_t maximumVisibleSurfaces = 64;

    // The agent: the standard defaults, no event log, migrateLegacy true, no session storage, no
    // back end, no sink. The UI app: the same with migrateLegacy false and the sink to the agent.
    // An empty monotonicNow is the continuous clock since the process's first reading of it; an
    // empty inventoryFactory builds a DiskInventory. Never fails and sends no signal.
    static std::shared_ptr<ObserverStore> make(std::shared_ptr<platform::DefaultsDatabase> preferences,
                                                std::shared_ptr<RecentEventLog> eventLog, bool migrateLegacy,
                                                std::shared_ptr<SessionSummaryStore> sessionStorage,
                                                ConnectionNotificationBackendPtr notificationBackend,
                                                CommandSink remoteCommand, std::function<double()> monotonicNow = {},
                                                wendmark::ObservationInventory::Factory inventoryFactory = {},
                                                ObserverStoreServices services = {});

    // The default monotonic clock: continuous-clock seconds since the first reading in this process.
    static double continuousClockSeconds();

    ObserverStore(const ObserverStore&) = delete;
    ObserverStore& operator=(const ObserverStore&) = delete;
    ~ObserverStore();

    // Lifecycle (the agent's delegate). A mirror never starts; stop() acts only after start().
    void start();
    void stop();
    // A window or other UI surface became visible or hidden.
    void surfaceVisibilityChanged(const platform::UUID& surface, bool visible);

    // Takes in one inventory snapshot; an older revision than the held one is dropped.
    void receive(wendmark::InventorySnapshot snapshot);
    // The user's choice of device; an id not in the held snapshot is ignored.
    void selectDevice(const std::string& id);

    // The system is about to sleep / has woken (delivered on the main queue).
    void handleSystemSleep();
    void handleSystemWake();

    // The user's switch for connection notices. Asynchronous: `done` (optional) runs on the main
    // queue once the store has applied the outcome, at once when nothing was to be done.
    void setConnectionNotifications(bool on, std::function<void()> done = {});

    // Ends the current work session and logs that a new one begins with the next valid interval.
    void startNewSession();
    // The user finished the welcome flow.
    void completeOnboarding();

    // The mirror's copy of the agent's state, as one change batch; a store without a sink ignores it.
    void applyUIState(const ObserverUIState& state);

    // Derived values; a mirror answers the first four from the last state it was given.
    // The open session (if any), then the completed ones, within the session store's bounds.
    std::vector<wendmark::WorkSession> sessionSummaries() const;
    // The selected device's intervals ending at historyReferenceDate; memoised, valid until the
    // next change of the store.
    const std::vector<wendmark::ActivityInterval>& selectedIntervals() const;
    // Sampling is on but the selected device has no sample of the current observation period yet.
    bool isAwaitingFreshSample() const;
    // The open work session.
    const std::optional<wendmark::WorkSession>& currentSession() const;
    // The selected device can be remembered and is recognised as exactly one connected device.
    bool canRememberSelectedTarget() const;

    platform::WillChangeSignal& objectWillChange() { return objectWillChange_; }

    // State the views read.
    bool isMirror() const { return static_cast<bool>(remoteCommand_); }
    std::uint64_t publicationCount() const { return publicationCount_; }
    const wendmark::InventorySnapshot& snapshot() const { return snapshot_; }
    const std::optional<std::string>& selectedID() const { return selectedID_; }
    bool isPaused() const { return isPaused_; }
    bool isSystemSleeping() const { return isSystemSleeping_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    const wendmark::SamplingConfiguration& sampling() const { return sampling_; }
    std::int64_t visibleSurfaceCount() const { return visibleSurfaceCount_; }
    const std::optional<wendmark::ObservationTarget>& rememberedTarget() const { return rememberedTarget_; }
    const std::string& targetStatus() const { return targetStatus_; }
    bool backgroundPolling() const { return backgroundPolling_; }
    bool showStatusOnLaunch() const { return showStatusOnLaunch_; }
    bool onboardingCompleted() const { return onboardingCompleted_; }
    const wendmark::ActivityHistory& activityHistory() const { return activityHistory_; }
    platform::Date historyReferenceDate() const { return historyReferenceDate_; }
    const std::optional<DiagnosticPreview>& diagnosticPreview() const { return diagnosticPreview_; }
    EventStorageStatus eventStorageStatus() const { return eventStorageStatus_; }
    bool canUndoHistoryClear() const { return canUndoHistoryClear_; }
    bool canUndoObservationReset() const { return canUndoObservationReset_; }
    const std::optional<std::string>& dataActionMessage() const { return dataActionMessage_; }
    bool dataActionFailed() const { return dataActionFailed_; }
    const std::optional<platform::Date>& observationStartedAt() const { return observationStartedAt_; }
    const std::shared_ptr<LoginItemService>& loginItem() const { return loginItem_; }
    const std::shared_ptr<UpdateService>& updates() const { return updates_; }
    const std::shared_ptr<RecentEventLog>& eventLog() const { return eventLog_; }
    const std::shared_ptr<ConnectionNotificationService>& connectionNotifications() const {
        return connectionNotifications_;
    }
    const std::shared_ptr<SessionSummaryStore>& sessionStorage() const { return sessionStorage_; }
    const wendmark::SessionAccumulator& sessionAccumulator() const { return sessionAccumulator_; }
    const std::vector<wendmark::WorkSession>& completedSessions() const { return completedSessions_; }
    EventStorageStatus sessionStorageStatus() const { return sessionStorageStatus_; }
    bool canUndoSessionClear() const { return canUndoSessionClear_; }
    const wendmark::ConnectionStability& connectionStability() const { return connectionStability_; }
    const std::vector<RecentEvent>& history() const { return history_; }

    // The UI app's process, as the agent's delegate and UI bridge report it.
    bool onDemandUIEnabled() const { return onDemandUIEnabled_; }
    std::int64_t uiProcessLaunchCount() const { return uiProcessLaunchCount_; }
    const std::optional<platform::Date>& lastUIProcessStartedAt() const { return lastUIProcessStartedAt_; }
    const std::optional<std::int32_t>& uiProcessID() const { return uiProcessID_; }
    void setOnDemandUIEnabled(bool enabled);
    // One more launch of the UI app, started at `date`.
    void recordUIProcessLaunch(platform::Date date);
    void setUIProcessID(std::optional<std::int32_t> pid);

    struct Arguments;
    explicit ObserverStore(Arguments arguments);  // use make()

private:
    friend struct ObserverStoreTestAccess;
    class ChangeBatch;

    // Publication: one will-change signal unless a batch is running.
    void publish();
    void addEvent(std::string_view message);
    void installCallbacks();
    platform::Date currentDate() const { return now_(); }

    // Work sessions.
    void finishSession(wendmark::SessionEndReason reason, platform::Date date);
    void retainSession(const wendmark::WorkSession& session);
    void checkpoint();
    void updateSessionSelection(platform::Date date);

    // Sampling.
    void updateSampling(bool force);

    // Connection monitoring.
    void resetConnectionMonitoring();
    void updateConnectionMonitoring(const wendmark::InventorySnapshot& snapshot);
    void scheduleConnectionDeadline();
    void cancelConnectionDeadline();
    void connectionDeadlineReached();
    void deliverConnectionNotices(const std::vector<wendmark::ConnectionNotice>& notices);

    // Intake helpers.
    void logDeviceEvents(const wendmark::InventorySnapshot& held, const wendmark::InventorySnapshot& incoming);
    void selectAutomatically(const std::vector<std::string>& matches);

    struct IntervalCache {
        std::optional<std::string> id;
        platform::Date date;
        std::uint64_t generation = 0;
        std::vector<wendmark::ActivityInterval> values;
    };

    platform::WillChangeSignal objectWillChange_;
    std::int64_t updateDepth_ = 0;
    std::uint64_t publicationCount_ = 0;
    mutable std::optional<IntervalCache> intervalCache_;
    std::uint64_t historyGeneration_ = 0;
    wendmark::InventorySnapshot snapshot_;
    std::optional<std::string> selectedID_;
    bool isPaused_ = false;
    bool isSystemSleeping_ = false;
    std::optional<std::string> errorMessage_;
    wendmark::SamplingConfiguration sampling_;
    std::int64_t visibleSurfaceCount_ = 0;
    std::optional<wendmark::ObservationTarget> rememberedTarget_;
    std::string targetStatus_{noTargetStatus};
    bool backgroundPolling_ = false;
    bool showStatusOnLaunch_ = false;
    bool onboardingCompleted_ = false;
    wendmark::ActivityHistory activityHistory_;
    platform::Date historyReferenceDate_;
    std::optional<DiagnosticPreview> diagnosticPreview_;
    EventStorageStatus eventStorageStatus_ = EventStorageStatus::memoryOnly;
    bool canUndoHistoryClear_ = false;
    bool canUndoObservationReset_ = false;
    std::optional<std::string> dataActionMessage_;
    bool dataActionFailed_ = false;
    std::vector<RecentEvent> historyBeforeClear_;
    std::optional<ProductSettings::ObservationPreferences> preferencesBeforeReset_;
    std::optional<platform::Date> observationStartedAt_;
    std::optional<std::uint64_t> queryCountBeforeLastResume_;
    std::optional<platform::Date> lastSamplingResumedAt_;
    std::shared_ptr<LoginItemService> loginItem_;
    CommandSink remoteCommand_;
    std::optional<ObserverUIState> remoteState_;
    std::shared_ptr<UpdateService> updates_;
    std::shared_ptr<RecentEventLog> eventLog_;
    std::shared_ptr<ConnectionNotificationService> connectionNotifications_;
    std::shared_ptr<SessionSummaryStore> sessionStorage_;
    wendmark::SessionAccumulator sessionAccumulator_;
    std::vector<wendmark::WorkSession> completedSessions_;
    EventStorageStatus sessionStorageStatus_ = EventStorageStatus::memoryOnly;
    bool canUndoSessionClear_ = false;
    std::vector<wendmark::WorkSession> sessionsBeforeClear_;
    wendmark::ConnectionStability connectionStability_;
    wendmark::ConnectionMonitor connectionMonitor_;
    std::shared_ptr<platform::WorkItem> connectionDeadline_;
    std::optional<double> scheduledConnectionDeadline_;
    std::optional<std::string> trackedConnectionID_;
    double lastCheckpoint_ = 0;
    std::function<double()> monotonicNow_;
    bool usesSystemServices_ = false;
    std::shared_ptr<wendmark::ObservationInventory> inventory_;
    wendmark::ObservationInventory::Factory inventoryFactory_;
    std::vector<std::unique_ptr<platform::PowerEvents::Subscription>> notificationTokens_;
    std::unordered_set<platform::UUID> visibleSurfaces_;
    bool onDemandUIEnabled_ = false;
    std::int64_t uiProcessLaunchCount_ = 0;
    std::optional<platform::Date> lastUIProcessStartedAt_;
    std::optional<std::int32_t> uiProcessID_;
    wendmark::ObservationPolicy policy_;
    std::optional<platform::Date> lastPolicySample_;
    std::vector<RecentEvent> history_;
    std::shared_ptr<platform::DefaultsDatabase> preferences_;
    platform::Logger logger_;
    bool started_ = false;
    bool initialSnapshotReceived_ = false;
    std::optional<std::string> automaticallySelectedID_;

    // What the services struct supplies.
    platform::SerialQueuePtr mainQueue_;
    std::function<platform::Date()> now_;
    platform::PowerEventsPtr powerEvents_;

    // Scratch of the policy observation, kept to spare an allocation per snapshot.
    std::vector<wendmark::ActivityKind> kindScratch_;
};

}  // namespace quentrel
