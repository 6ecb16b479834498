#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ObserverStoreServices.h"
#include "Quentrel/Services/ConnectionNotificationBackend.h"
#include "Quentrel/Services/ObserverUICommand.h"
#include "Wendmark/ObservationInventory.h"

// Only named here: their users include them.
namespace platform {
class DefaultsDatabase;
class WillChangeSignal;
}  // namespace platform
namespace wendmark {
class ActivityHistory;
struct ActivityInterval;
class ConnectionStability;
class ObservationTarget;
struct SamplingConfiguration;
class SessionAccumulator;
struct WorkSession;
}  // namespace wendmark

namespace quentrel {

class ConnectionNotificationService;
struct DiagnosticPreview;
enum class EventStorageStatus;
class LoginItemService;
class ObserverStorePrivate;
struct ObserverUIState;
struct RecentEvent;
class RecentEventLog;
class SessionSummaryStore;
class UpdateService;

// The one central state object of a program. In the agent it owns the drive inventory, the
// activity history, the work sessions, the remembered drive's connection records, the sampling
// decision and the two JSON stores, and every flag the views show. In the UI app the same class
// runs as a mirror (built with a command sink): it observes nothing, its operations send their
// command to the agent and change nothing here.
//
// Main queue only: every operation, callback and task runs there. Views read its fields and hear
// objectWillChange, which is sent once before each change they can see, or once for a whole batch
// of changes. Always held by a shared_ptr (make()): tasks and callbacks hold it weakly and do
// nothing once it is gone. Call stop() before releasing a started store. Its state lives in
// ObserverStorePrivate, which only the store's own source files see.
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
    static constexpr std::string_view pausedEvent = "통계 관측 일시중지 · 연결 이벤트는 계속 확인";
    static constexpr std::string_view resumedEvent = "통계 관측 재개 · 새 구간 시작";
    static constexpr std::string_view backgroundEnabledEvent = "백그라운드 30초 관측 켜짐";
    static constexpr std::string_view backgroundDisabledEvent = "백그라운드 이벤트 대기로 전환";
    static constexpr std::string_view targetRememberedEvent = "관측 대상 기억 · 장치 제어 권한과 무관";
    static constexpr std::string_view targetForgottenEvent = "기억한 관측 대상 해제";
    static constexpr std::string_view diagnosticCopiedEvent = "진단 JSON 클립보드 복사 완료";
    static constexpr std::string_view diagnosticSavedEvent = "진단 JSON 저장 완료";

    // Texts of targetStatus.
    static constexpr std::string_view noTargetStatus = "기억된 관측 대상 없음";
    static constexpr std::string_view targetFoundStatus = "기억한 관측 대상 확인됨";
    static constexpr std::string_view targetWaitingStatus = "기억한 대상 연결 대기";
    static constexpr std::string_view targetAmbiguousStatus = "동일 식별 정보가 여럿 · 자동 선택 보류";
    static constexpr std::string_view targetRememberedStatus = "관측 대상으로 기억됨";

    // Texts of errorMessage.
    static constexpr std::string_view targetRefusedError =
        "고유한 볼륨 식별 정보를 확인할 수 없어 대상을 기억하지 않았습니다.";
    static constexpr std::string_view diagnosticBuildFailedError = "진단을 만들지 못했습니다. 잠시 후 다시 시도해주세요.";
    static constexpr std::string_view diagnosticCopyFailedError = "진단을 복사하지 못했습니다. 다시 시도해주세요.";
    static constexpr std::string_view diagnosticSaveFailedError =
        "진단을 저장하지 못했습니다. 저장 위치와 접근 권한을 확인해주세요.";
    static constexpr std::string_view revealRefusedError = "볼륨 연결과 경로를 다시 확인한 뒤 Finder를 열어주세요.";
    static constexpr std::string_view revealFailedError = "Finder에서 볼륨을 열지 못했습니다.";

    // Texts of dataActionMessage.
    static constexpr std::string_view preferencesResetMessage =
        "관측 설정을 초기화했습니다. 이번 실행 중에는 되돌릴 수 있습니다.";
    static constexpr std::string_view preferencesRestoredMessage = "초기화 전 관측 설정을 복원했습니다.";
    static constexpr std::string_view eventsClearedMessage =
        "최근 이벤트를 지웠습니다. 이번 실행 중에는 되돌릴 수 있습니다.";
    static constexpr std::string_view eventsClearFailedMessage =
        "저장된 기록을 지우지 못했습니다. 기록을 유지했으니 저장 상태를 확인한 뒤 다시 시도해주세요.";
    static constexpr std::string_view eventsRestoredMessage = "보관 범위 안의 이전 기록을 복원했습니다.";
    static constexpr std::string_view eventsRestoreFailedMessage =
        "이전 기록을 저장하지 못했습니다. 복원할 기록은 이번 실행 동안 유지됩니다.";
    static constexpr std::string_view sessionsClearedMessage =
        "완료된 세션을 지웠습니다. 이번 실행 중에는 되돌릴 수 있습니다.";
    static constexpr std::string_view sessionsClearFailedMessage = "세션 기록을 지우지 못해 기존 기록을 유지했습니다.";
    static constexpr std::string_view sessionsRestoredMessage = "완료된 세션을 복원했습니다.";
    static constexpr std::string_view sessionsRestoreFailedMessage =
        "세션 복원 저장에 실패했습니다. 복원할 기록은 이번 실행 동안 유지됩니다.";

    // The diagnostic export's window and save panel.
    static constexpr std::string_view diagnosticPreviewWindow = "diagnostic-preview";
    // Its title, by which the save panel finds the window that asked for it.
    static constexpr std::string_view diagnosticPreviewTitle = "진단 미리보기";
    static constexpr std::string_view diagnosticSaveTitle = "관측 진단 저장";
    static constexpr std::string_view diagnosticSaveMessage = "미리보기에 표시된 비식별 진단을 그대로 저장합니다.";
    static constexpr std::string_view diagnosticFileName = "Kavrinet-diagnostics.json";

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

    // What a store is built with; an empty part is the default named beside it. The agent gives
    // the standard defaults and usesSystemServices, the UI app its in-memory defaults and the sink
    // to the agent.
    struct Environment {
        // The settings; required.
        std::shared_ptr<platform::DefaultsDatabase> preferences = nullptr;
        // Null: the program's own file, or memory only in a mirror.
        std::shared_ptr<RecentEventLog> eventLog = nullptr;
        // The agent's store, with the system's services: migrates the stored settings to the
        // current schema, asks for the notification permission at start and keeps a default
        // session store in its file.
        bool usesSystemServices = false;
        // Null: the program's own file with usesSystemServices, memory only without.
        std::shared_ptr<SessionSummaryStore> sessionStorage = nullptr;
        // Null: the system's, over services.notifications (makeDefaultNotificationBackend).
        ConnectionNotificationBackendPtr notificationBackend = nullptr;
        // Set: the store is a mirror whose operations send their command here.
        CommandSink remoteCommand = {};
        // Empty: continuousClockSeconds.
        std::function<double()> monotonicNow = {};
        // Empty: a DiskInventory on the system's disks.
        wendmark::ObservationInventory::Factory inventoryFactory = {};
        // The desktop's and the process's parts, each inert or the system's when empty.
        ObserverStoreServices services = {};
    };

    // Never fails and sends no signal.
    static std::shared_ptr<ObserverStore> make(Environment environment);

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

    // Observation preferences and the remembered drive. In a mirror each one only sends its command.
    // Statistics sampling paused for this run (nothing is stored); an unchanged value does nothing.
    void setPaused(bool paused);
    // Stored; repeated values repeat the write and the event.
    void setBackgroundPolling(bool enabled);
    void setShowStatusOnLaunch(bool show);
    // Remembers the selected device when it is recognised as exactly one attached device and its
    // stored form would be read back; otherwise only errorMessage changes.
    void rememberSelectedTarget();
    void forgetTarget();
    // Both preferences off and the target forgotten, undoable once during this run.
    void resetObservationPreferences();
    // Puts back what the last reset replaced; nothing without one.
    void undoObservationReset();

    // The two histories, erased and restored. Each writes its file first and changes memory only
    // when the write succeeded; the result line goes to dataActionMessage. A mirror sends its
    // command and answers true.
    bool clearEventHistory();
    bool undoHistoryClear();
    bool clearSessionHistory();
    bool undoSessionClear();

    // The diagnostic export: built once into the preview, then copied or saved exactly as
    // previewed. Failures go to errorMessage. In a mirror each one only sends its command.
    void prepareDiagnostics();
    void discardDiagnosticsPreview();
    void copyDiagnostics();
    // Asks for a file in a save panel (the open one is raised instead of a second one).
    void saveDiagnostics();
    // Shows the selected device's first mounted volume in the file browser; the outcome reaches
    // errorMessage once the file browser has answered.
    void revealSelectedVolume();

    // The UI bridge of the agent.
    // Everything the UI app draws, read from the store now.
    ObserverUIState makeUIState() const;
    // Runs the operation a command of the UI app names; a mirror ignores every command.
    void handleUICommand(const ObserverUICommand& command);
    // The UI app has ended: its surfaces count as hidden, the preview goes, the process id is
    // forgotten. A mirror ignores it.
    void uiProcessEnded();

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

    platform::WillChangeSignal& objectWillChange();

    // State the views read.
    bool isMirror() const;
    // The mirror's way to the agent (empty in the agent), for commands no store operation sends.
    const CommandSink& remoteCommand() const;
    std::uint64_t publicationCount() const;
    const wendmark::InventorySnapshot& snapshot() const;
    const std::optional<std::string>& selectedID() const;
    bool isPaused() const;
    bool isSystemSleeping() const;
    const std::optional<std::string>& errorMessage() const;
    const wendmark::SamplingConfiguration& sampling() const;
    std::int64_t visibleSurfaceCount() const;
    const std::optional<wendmark::ObservationTarget>& rememberedTarget() const;
    const std::string& targetStatus() const;
    bool backgroundPolling() const;
    bool showStatusOnLaunch() const;
    bool onboardingCompleted() const;
    const wendmark::ActivityHistory& activityHistory() const;
    platform::Date historyReferenceDate() const;
    const std::optional<DiagnosticPreview>& diagnosticPreview() const;
    EventStorageStatus eventStorageStatus() const;
    bool canUndoHistoryClear() const;
    bool canUndoObservationReset() const;
    const std::optional<std::string>& dataActionMessage() const;
    bool dataActionFailed() const;
    const std::optional<platform::Date>& observationStartedAt() const;
    const std::shared_ptr<LoginItemService>& loginItem() const;
    const std::shared_ptr<UpdateService>& updates() const;
    const std::shared_ptr<RecentEventLog>& eventLog() const;
    const std::shared_ptr<ConnectionNotificationService>& connectionNotifications() const;
    const std::shared_ptr<SessionSummaryStore>& sessionStorage() const;
    const wendmark::SessionAccumulator& sessionAccumulator() const;
    const std::vector<wendmark::WorkSession>& completedSessions() const;
    EventStorageStatus sessionStorageStatus() const;
    bool canUndoSessionClear() const;
    const wendmark::ConnectionStability& connectionStability() const;
    const std::vector<RecentEvent>& history() const;

    // The UI app's process, as the agent's delegate and UI bridge report it.
    bool onDemandUIEnabled() const;
    std::int64_t uiProcessLaunchCount() const;
    const std::optional<platform::Date>& lastUIProcessStartedAt() const;
    const std::optional<std::int32_t>& uiProcessID() const;
    void setOnDemandUIEnabled(bool enabled);
    // One more launch of the UI app, started at `date`.
    void recordUIProcessLaunch(platform::Date date);
    void setUIProcessID(std::optional<std::int32_t> pid);

    // Use make(); `environment.services` already resolved.
    explicit ObserverStore(Environment environment);

private:
    friend class ObserverStorePrivate;
    std::unique_ptr<ObserverStorePrivate> d_;
};

}  // namespace quentrel
