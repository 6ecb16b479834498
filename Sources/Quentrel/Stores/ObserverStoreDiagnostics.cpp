// The diagnostic export (preview, copy, save) and showing the selected volume in the file browser.

#include <exception>
#include <string>
#include <utility>

#include "ObserverStorePrivate.h"
#include "Quentrel/Services/ClosedUIResourceTracker.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"

namespace quentrel {

using Case = ObserverUICommand::Case;

ProductDiagnosticReport::Runtime ObserverStorePrivate::diagnosticRuntime() const {
    ProductDiagnosticReport::Runtime r;
    r.samplingEnabled = sampling_.enabled;
    r.samplingIntervalSeconds = sampling_.interval;
    r.visibleSurfaceCount = visibleSurfaceCount_;
    r.loginItemRegistered = loginItem_->enabled();
    r.targetRemembered = rememberedTarget_.has_value();
    // Read afresh: the settings may have been written since anything here cached them.
    r.settingsSchemaVersion = preferences_->integerForKey(ProductSettings::schemaVersionKey);
    r.onboardingCompleted = onboardingCompleted_;
    r.activityHistorySamples = activityHistory_.retainedSampleCount();
    r.activityHistoryDevices = activityHistory_.retainedDeviceCount();
    r.selectedHistoryIntervals = static_cast<std::int64_t>(selectedIntervals().size());
    r.historyReferenceDate = historyReferenceDate_;
    r.eventHistoryOnInternalStorage = eventStorageStatus_ == EventStorageStatus::available;
    r.lastSamplingResumedAt = lastSamplingResumedAt_;
    r.queryCountBeforeLastResume = queryCountBeforeLastResume_;
    r.updateState = updates_->state();
    r.updateCheckAvailable = updates_->canCheckForUpdates();
    r.automaticUpdateChecks = updates_->automaticallyChecksForUpdates();
    r.connectionNotificationsEnabled = connectionNotifications_->enabled();
    r.sessionCount = static_cast<std::int64_t>(sessionSummaries().size());
    if (const auto& session = currentSession()) {
        r.currentSessionReadBytes = session->bytesRead;
        r.currentSessionWriteBytes = session->bytesWritten;
        r.currentSessionObservedSeconds = session->observedSeconds;
        r.currentSessionElapsedSeconds = session->elapsedSeconds;
    }
    r.sessionStorageAvailable = sessionStorageStatus_ == EventStorageStatus::available;
    r.observationPublicationCount = publicationCount_;
    const wendmark::ConnectionStability& stability = rememberedConnection_.stability();
    r.connectionState = std::string(platform::json::rawValue(stability.state()));
    r.connectionLossCount = stability.lossCount();
    r.connectionRecoveryCount = stability.recoveryCount();
    r.connectionIdentityChangeCount = stability.identityChangeCount();
    r.connectionConfirmedGapSeconds = stability.confirmedGapSeconds();
    r.connectionRetainedChanges = static_cast<std::int64_t>(stability.changes().size());
    // This process's tracker: windows close only in the UI app, so the agent's counts are 0.
    const ClosedUIResourceTracker::Snapshot closed = ObserverWindowResources::closedContents().snapshot();
    r.trackedClosedUISurfaces = closed.trackedClosedUISurfaces;
    r.retainedClosedUIControllers = closed.retainedClosedUIControllers;
    r.retainedClosedUIViews = closed.retainedClosedUIViews;
    r.onDemandUIEnabled = onDemandUIEnabled_;
    r.uiProcessLaunchCount = uiProcessLaunchCount_;
    r.lastUIProcessStartedAt = lastUIProcessStartedAt_;
    r.uiProcessID = uiProcessID_;
    return r;
}

platform::Data ObserverStorePrivate::diagnosticData() const {
    // Sampling off for any reason (pause, sleep, no window without background polling) counts.
    return ProductDiagnosticReport::data(snapshot_, !sampling_.enabled, history_, diagnosticRuntime(), currentDate());
}

void ObserverStorePrivate::prepareDiagnostics() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::prepareDiagnostics));
        return;
    }
    diagnosticExport_.forgetSavePanel();
    platform::Data bytes;
    try {
        bytes = diagnosticData();
    } catch (const std::exception&) {
        publish();
        diagnosticExport_.setPreview(std::nullopt);
        publish();
        errorMessage_ = std::string(ObserverStore::diagnosticBuildFailedError);
        return;
    }
    publish();
    diagnosticExport_.setPreview(DiagnosticPreview{std::move(bytes), currentDate()});
    publish();
    errorMessage_.reset();
    ObserverWindowPresenter::requestShow(std::string(ObserverStore::diagnosticPreviewWindow));
}

void ObserverStorePrivate::discardDiagnosticsPreview() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::discardDiagnostics));
        return;
    }
    diagnosticExport_.forgetSavePanel();
    publish();
    diagnosticExport_.setPreview(std::nullopt);
}

void ObserverStorePrivate::copyDiagnostics() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::copyDiagnostics));
        return;
    }
    const std::optional<DiagnosticPreview>& preview = diagnosticExport_.preview();
    if (!preview) return prepareDiagnostics();
    pasteboard_->clearContents();
    const bool accepted = pasteboard_->setString(preview->text());
    publish();
    if (!accepted) {
        errorMessage_ = std::string(ObserverStore::diagnosticCopyFailedError);
        return;
    }
    errorMessage_.reset();
    addEvent(ObserverStore::diagnosticCopiedEvent);
}

void ObserverStorePrivate::saveDiagnostics() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::saveDiagnostics));
        return;
    }
    const std::optional<DiagnosticPreview>& current = diagnosticExport_.preview();
    if (!current) return prepareDiagnostics();
    if (diagnosticExport_.raiseSavePanel()) return;

    platform::SavePanelOptions options;
    options.title = std::string(ObserverStore::diagnosticSaveTitle);
    options.message = std::string(ObserverStore::diagnosticSaveMessage);
    options.suggestedFileName = std::string(ObserverStore::diagnosticFileName);
    options.contentTypeName = "JSON";
    options.fileExtension = "json";
    options.canCreateDirectories = true;
    // The save command comes from the UI app's preview window; the panel belongs above it.
    if (uiProcessID_) {
        options.requester =
            platform::SavePanelRequester{*uiProcessID_, std::string(ObserverStore::diagnosticPreviewTitle)};
    }
    std::shared_ptr<platform::SavePanel> panel = savePanels_->makePanel(options);
    if (!panel) return;
    diagnosticExport_.holdSavePanel(panel);

    // The panel is held weakly: it keeps itself alive while it is shown.
    std::weak_ptr<platform::SavePanel> weakPanel = panel;
    panel->begin([weak = q_.weak_from_this(), weakPanel, preview = *current](
                     const std::optional<std::filesystem::path>& chosen) {
        auto store = weak.lock();
        if (!store) return;
        ObserverStorePrivate& d = *store->d_;
        if (chosen) {
            // A preview discarded or rebuilt while the panel was open writes nothing.
            if (std::optional<platform::Data> bytes = d.diagnosticExport_.bytesFor(preview)) {
                const bool saved = platform::writeChosenFile(*chosen, *bytes);
                d.publish();
                if (saved) {
                    d.errorMessage_.reset();
                    d.addEvent(ObserverStore::diagnosticSavedEvent);
                } else {
                    d.errorMessage_ = std::string(ObserverStore::diagnosticSaveFailedError);
                }
            }
        }
        d.diagnosticExport_.releaseSavePanel(weakPanel);
    });
}

void ObserverStorePrivate::revealSelectedVolume() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::revealVolume));
        return;
    }
    auto refuse = [this] {
        publish();
        errorMessage_ = std::string(ObserverStore::revealRefusedError);
    };
    if (isSystemSleeping_ || !selectedID_) return refuse();
    const wendmark::DeviceSnapshot* selected = nullptr;
    for (const auto& device : snapshot_.devices) {
        if (device.id == *selectedID_) {
            selected = &device;
            break;
        }
    }
    if (!selected) return refuse();
    // Only the first mounted volume is considered; a second one is never tried.
    const wendmark::VolumeSnapshot* mounted = nullptr;
    for (const auto& volume : selected->volumes) {
        if (volume.isMounted) {
            mounted = &volume;
            break;
        }
    }
    if (!mounted || !mounted->mountPath) return refuse();
    if (!mountedVolumeMatches_(*mounted, selected->id)) return refuse();

    fileBrowser_->openFolder(*mounted->mountPath, [weak = q_.weak_from_this()](bool opened) {
        auto store = weak.lock();
        if (!store) return;
        ObserverStorePrivate& d = *store->d_;
        d.publish();
        if (opened) {
            d.errorMessage_.reset();
        } else {
            d.errorMessage_ = std::string(ObserverStore::revealFailedError);
        }
    });
}

}  // namespace quentrel
