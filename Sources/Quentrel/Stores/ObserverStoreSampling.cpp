// The sampling decision, and the system's sleep and wake.

#include <cstdio>
#include <string>

#include "ObserverStorePrivate.h"

namespace quentrel {

using platform::Date;
using wendmark::SamplingConfiguration;

void ObserverStorePrivate::updateSampling(bool force) {
    SamplingConfiguration next =
        policy_.configuration(!visibleSurfaces_.empty(), isPaused_, isSystemSleeping_, backgroundPolling_);
    if (!force && next.enabled == sampling_.enabled && next.interval == sampling_.interval &&
        next.reason == sampling_.reason) {
        return;
    }

    if (next.enabled != sampling_.enabled) {
        const Date now = currentDate();
        publish();
        historyReferenceDate_ = now;
        lastPolicySample_.reset();
        if (!next.enabled) {
            publish();
            activityHistory_.endCollection(now);
            publish();
            sessionAccumulator_.advance(now, monotonicNow_());
            checkpoint();
        } else {
            observationStartedAt_ = now;
            lastSamplingResumedAt_ = now;
            queryCountBeforeLastResume_ = snapshot_.statisticsQueryCount;
            publish();
            activityHistory_.beginCollection(now);
        }
    }

    publish();
    sampling_ = next;
    if (inventory_) inventory_->setSampling(next.enabled, next.interval);

    char line[96];
    std::snprintf(line, sizeof line, "Sampling enabled=%s interval=%f", next.enabled ? "true" : "false",
                  next.interval);
    logger_.info(line);
}

void ObserverStorePrivate::handleSystemSleep() {
    if (isSystemSleeping_) return;
    publish();
    isSystemSleeping_ = true;
    rememberedConnection_.sleep();
    connectionNotifications_->cancelPending();
    policy_ = wendmark::ObservationPolicy();
    lastPolicySample_.reset();
    updateSampling(false);
    addEvent(ObserverStore::systemSleepEvent);
}

void ObserverStorePrivate::handleSystemWake() {
    publish();
    isSystemSleeping_ = false;
    rememberedConnection_.wake();
    rememberedConnection_.scheduleDeadline();
    policy_ = wendmark::ObservationPolicy();
    lastPolicySample_.reset();
    publish();
    activityHistory_.endCollection(currentDate());
    if (sampling_.enabled) {
        const Date now = currentDate();
        publish();
        activityHistory_.beginCollection(now);
        observationStartedAt_ = now;
    }
    if (inventory_) {
        inventory_->resetActivity();
        inventory_->refreshMetadata();
    }
    updateSampling(false);
    addEvent(ObserverStore::systemWakeEvent);
}

}  // namespace quentrel
