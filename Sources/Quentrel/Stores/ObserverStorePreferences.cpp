// Observation preferences and the remembered drive.

#include <string>
#include <utility>

#include "ObserverStorePrivate.h"

namespace quentrel {

using Case = ObserverUICommand::Case;

void ObserverStorePrivate::setPaused(bool paused) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::withFlag(Case::pause, paused));
        return;
    }
    if (paused == isPaused_) return;
    publish();
    isPaused_ = paused;
    policy_.reset();
    updateSampling(false);
    addEvent(paused ? ObserverStore::pausedEvent : ObserverStore::resumedEvent);
}

void ObserverStorePrivate::setBackgroundPolling(bool enabled) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::withFlag(Case::background, enabled));
        return;
    }
    publish();
    backgroundPolling_ = enabled;
    preferences_->set(enabled, ProductSettings::backgroundPollingKey);
    updateSampling(false);
    addEvent(enabled ? ObserverStore::backgroundEnabledEvent : ObserverStore::backgroundDisabledEvent);
}

void ObserverStorePrivate::setShowStatusOnLaunch(bool show) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::withFlag(Case::showOnLaunch, show));
        return;
    }
    publish();
    showStatusOnLaunch_ = show;
    preferences_->set(show, ProductSettings::showStatusOnLaunchKey);
}

void ObserverStorePrivate::refuseTarget() {
    publish();
    errorMessage_ = std::string(ObserverStore::targetRefusedError);
}

std::optional<ObserverStorePrivate::RememberableTarget> ObserverStorePrivate::rememberableTarget() const {
    const wendmark::DeviceSnapshot* selected = nullptr;
    if (selectedID_) {
        for (const auto& device : snapshot_.devices) {
            if (device.id == *selectedID_) {
                selected = &device;
                break;
            }
        }
    }
    if (!selected) return std::nullopt;

    std::optional<wendmark::ObservationTarget> target =
        wendmark::ObservationTarget::fromDevice(*selected, currentDate());
    // Two attached drives the target cannot tell apart are refused like a drive without UUIDs.
    if (!target || target->matchingIDs(snapshot_.devices).size() != 1) return std::nullopt;

    platform::Data bytes;
    try {
        const std::string json = platform::json::encode(*target);
        bytes.assign(json.begin(), json.end());
    } catch (const std::exception&) {
        return std::nullopt;
    }
    // What the next start, a reset or its undo would drop when reading the stored bytes back is
    // refused now, rather than reported as remembered.
    if (!ProductSettings::validatedTarget(bytes)) return std::nullopt;
    return RememberableTarget{std::move(*target), std::move(bytes)};
}

void ObserverStorePrivate::rememberSelectedTarget() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::remember));
        return;
    }
    std::optional<RememberableTarget> rememberable = rememberableTarget();
    if (!rememberable) return refuseTarget();
    auto& [target, bytes] = *rememberable;

    publish();
    rememberedTarget_ = std::move(target);
    resetConnectionMonitoring();
    updateConnectionMonitoring(snapshot_);

    preferences_->set(std::move(bytes), ProductSettings::observationTargetKey);
    publish();
    targetStatus_ = std::string(ObserverStore::targetRememberedStatus);
    publish();
    errorMessage_.reset();
    addEvent(ObserverStore::targetRememberedEvent);
}

void ObserverStorePrivate::forgetTarget() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::forget));
        return;
    }
    publish();
    rememberedTarget_.reset();
    resetConnectionMonitoring();
    preferences_->removeObject(ProductSettings::observationTargetKey);
    publish();
    targetStatus_ = std::string(ObserverStore::noTargetStatus);
    addEvent(ObserverStore::targetForgottenEvent);
}

void ObserverStorePrivate::resetObservationPreferences() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::reset));
        return;
    }
    preferencesBeforeReset_ = ProductSettings::observationPreferences(*preferences_);
    applyObservationPreferences(ProductSettings::ObservationPreferences{false, false, std::nullopt});
    publish();
    canUndoObservationReset_ = true;
    reportDataAction(true, ObserverStore::preferencesResetMessage);
}

void ObserverStorePrivate::undoObservationReset() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::undoReset));
        return;
    }
    if (!preferencesBeforeReset_) return;
    applyObservationPreferences(*preferencesBeforeReset_);
    preferencesBeforeReset_.reset();
    publish();
    canUndoObservationReset_ = false;
    reportDataAction(true, ObserverStore::preferencesRestoredMessage);
}

void ObserverStorePrivate::applyObservationPreferences(const ProductSettings::ObservationPreferences& preferences) {
    ProductSettings::apply(preferences, *preferences_);
    publish();
    showStatusOnLaunch_ = preferences.showDashboard;
    publish();
    backgroundPolling_ = preferences.backgroundPolling;

    std::optional<wendmark::ObservationTarget> target;
    if (preferences.targetData) target = ProductSettings::validatedTarget(*preferences.targetData);
    publish();
    rememberedTarget_ = std::move(target);
    resetConnectionMonitoring();

    // The target status, the automatic selection and the connection record follow the new target
    // at once; the held revision passes the intake's revision guard.
    receive(snapshot_);

    policy_.reset();
    updateSampling(false);
}

}  // namespace quentrel
