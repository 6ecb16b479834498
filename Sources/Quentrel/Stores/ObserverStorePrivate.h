#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "DiagnosticExport.h"
#include "HistoryUndo.h"
#include "ObserverStore.h"
#include "ObserverStoreServices.h"
#include "Platform/Desktop/PowerEvents.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/DefaultsDatabase.h"
#include "Platform/Foundation/UUID.h"
#include "Platform/Foundation/WillChangeSignal.h"
#include "Platform/Log/Logger.h"
#include "Quentrel/Services/ConnectionNotificationService.h"
#include "Quentrel/Services/EventStorageStatus.h"
#include "Quentrel/Services/LoginItemService.h"
#include "Quentrel/Services/ObserverUICommand.h"
#include "Quentrel/Services/ObserverUIState.h"
#include "Quentrel/Services/ProductDiagnosticReport.h"
#include "Quentrel/Services/RecentEvent.h"
#include "Quentrel/Services/RecentEventLog.h"
#include "Quentrel/Services/SessionSummaryStore.h"
#include "Quentrel/Services/UpdateService.h"
#include "Quentrel/Support/ProductSettings.h"
#include "RememberedConnection.h"
#include "Wendmark/ActivityHistory.h"
#include "Wendmark/ConnectionNotice.h"
#include "Wendmark/InventorySnapshot.h"
#include "Wendmark/ObservationInventory.h"
#include "Wendmark/ObservationPolicy.h"
#include "Wendmark/ObservationTarget.h"
#include "Wendmark/SamplingConfiguration.h"
#include "Wendmark/SessionAccumulator.h"
#include "Wendmark/WorkSession.h"

namespace quentrel {

// The inside of an ObserverStore: its state and every operation's steps, which the public class
// forwards to. Each of the store's source files fills in the part it is named after. Main queue
// only, as the store.
class ObserverStorePrivate {
public:
    // `environment.services` already resolved.
    ObserverStorePrivate(ObserverStore& q, ObserverStore::Environment environment);
    ObserverStorePrivate(const ObserverStorePrivate&) = delete;
    ObserverStorePrivate& operator=(const ObserverStorePrivate&) = delete;

    // A change batch: one publication step, then no further signal until the batch ends. Restores
    // the depth on every path out.
    class ChangeBatch {
    public:
        explicit ChangeBatch(ObserverStorePrivate& store) : store_(store) {
            store_.publish();
            ++store_.updateDepth_;
        }
        ~ChangeBatch() { --store_.updateDepth_; }
        ChangeBatch(const ChangeBatch&) = delete;
        ChangeBatch& operator=(const ChangeBatch&) = delete;

    private:
        ObserverStorePrivate& store_;
    };

    // The store's operations, as ObserverStore describes them.
    void start();
    void stop();
    void surfaceVisibilityChanged(const platform::UUID& surface, bool visible);
    void receive(wendmark::InventorySnapshot snapshot);
    void selectDevice(const std::string& id);
    void handleSystemSleep();
    void handleSystemWake();
    void setConnectionNotifications(bool on, std::function<void()> done);
    void startNewSession();
    void completeOnboarding();
    void applyUIState(const ObserverUIState& state);
    void setPaused(bool paused);
    void setBackgroundPolling(bool enabled);
    void setShowStatusOnLaunch(bool show);
    void rememberSelectedTarget();
    void forgetTarget();
    void resetObservationPreferences();
    void undoObservationReset();
    bool clearEventHistory();
    bool undoHistoryClear();
    bool clearSessionHistory();
    bool undoSessionClear();
    void prepareDiagnostics();
    void discardDiagnosticsPreview();
    void copyDiagnostics();
    void saveDiagnostics();
    void revealSelectedVolume();
    ObserverUIState makeUIState() const;
    void handleUICommand(const ObserverUICommand& command);
    void uiProcessEnded();
    std::vector<wendmark::WorkSession> sessionSummaries() const;
    const std::vector<wendmark::ActivityInterval>& selectedIntervals() const;
    bool isAwaitingFreshSample() const;
    const std::optional<wendmark::WorkSession>& currentSession() const;
    bool canRememberSelectedTarget() const;
    void setOnDemandUIEnabled(bool enabled);
    void recordUIProcessLaunch(platform::Date date);
    void setUIProcessID(std::optional<std::int32_t> pid);

    // The agent's callbacks from its file stores, its notification service and the deadline task;
    // they hold the store weakly, which needs it inside its shared_ptr first.
    void installCallbacks();

    // Publication: one will-change signal unless a batch is running.
    void publish();
    // The outcome line of a data action (each field published as it changes); returns `succeeded`.
    bool reportDataAction(bool succeeded, std::string_view message);
    void addEvent(std::string_view message);
    platform::Date currentDate() const { return now_(); }

    // Preferences.
    void applyObservationPreferences(const ProductSettings::ObservationPreferences& preferences);
    void refuseTarget();
    // The target of the selected drive and its stored bytes, when it can be remembered: the drive
    // is attached, the target tells it apart from every other one, and the bytes read back as it.
    struct RememberableTarget {
        wendmark::ObservationTarget target;
        platform::Data bytes;
    };
    std::optional<RememberableTarget> rememberableTarget() const;

    // Diagnostics.
    ProductDiagnosticReport::Runtime diagnosticRuntime() const;
    // Throws what the report builder throws.
    platform::Data diagnosticData() const;

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

    // The public object this is the inside of.
    ObserverStore& q_;

    // What the services struct supplies, and the monotonic clock.
    platform::SerialQueuePtr mainQueue_;
    std::function<platform::Date()> now_;
    platform::PowerEventsPtr powerEvents_;
    platform::PasteboardPtr pasteboard_;
    platform::SavePanelsPtr savePanels_;
    platform::FileBrowserPtr fileBrowser_;
    ObserverStoreServices::MountedVolumeCheck mountedVolumeMatches_;
    std::function<double()> monotonicNow_;

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
    std::string targetStatus_{ObserverStore::noTargetStatus};
    bool backgroundPolling_ = false;
    bool showStatusOnLaunch_ = false;
    bool onboardingCompleted_ = false;
    wendmark::ActivityHistory activityHistory_;
    platform::Date historyReferenceDate_;
    DiagnosticExport diagnosticExport_;
    EventStorageStatus eventStorageStatus_ = EventStorageStatus::memoryOnly;
    bool canUndoHistoryClear_ = false;
    bool canUndoObservationReset_ = false;
    std::optional<std::string> dataActionMessage_;
    bool dataActionFailed_ = false;
    HistoryUndo historyUndo_;
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
    RememberedConnection rememberedConnection_;
    double lastCheckpoint_ = 0;
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

    // Scratch of the policy observation, kept to spare an allocation per snapshot.
    std::vector<wendmark::ActivityKind> kindScratch_;
};

}  // namespace quentrel
