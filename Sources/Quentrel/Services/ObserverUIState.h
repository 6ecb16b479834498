#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DiagnosticPreview.h"
#include "EventStorageStatus.h"
#include "NoticePermission.h"
#include "Platform/Foundation/JSONCoding.h"
#include "RecentEvent.h"
#include "Wendmark/ActivityInterval.h"
#include "Wendmark/ConnectionStability.h"
#include "Wendmark/InventorySnapshot.h"
#include "Wendmark/ObservationTarget.h"
#include "Wendmark/SamplingConfiguration.h"
#include "Wendmark/WorkSession.h"

namespace quentrel {

// Everything the UI app needs to draw every window: one complete picture of the agent's store and
// its two services, sent whole with every state message (there are no partial states). The agent
// builds one per push and never keeps it; the UI app copies it into its mirror store.
//
// JSON: one object with the 36 field names as keys, in this order; the seven optional fields are
// left out without a value and read as absent when missing (or null). Every other key is required.
struct ObserverUIState {
    wendmark::InventorySnapshot snapshot;
    std::optional<std::string> selectedID;
    bool isPaused = false;
    bool isSystemSleeping = false;
    std::optional<std::string> errorMessage;
    wendmark::SamplingConfiguration sampling;
    std::int64_t visibleSurfaceCount = 0;
    std::optional<wendmark::ObservationTarget> rememberedTarget;
    std::string targetStatus;
    bool backgroundPolling = false;
    bool showStatusOnLaunch = false;
    bool onboardingCompleted = false;
    platform::Date historyReferenceDate;  // end of the activity graph's window
    std::optional<DiagnosticPreview> diagnosticPreview;
    EventStorageStatus eventStorageStatus = EventStorageStatus::available;
    bool canUndoHistoryClear = false;
    bool canUndoObservationReset = false;
    std::optional<std::string> dataActionMessage;
    bool dataActionFailed = false;
    std::vector<RecentEvent> recentEvents;               // newest first
    std::vector<wendmark::ActivityInterval> intervals;   // the selected device's, ending at historyReferenceDate
    std::optional<wendmark::WorkSession> currentSession;
    std::vector<wendmark::WorkSession> sessions;         // the running session (also currentSession) first
    EventStorageStatus sessionStorageStatus = EventStorageStatus::available;
    bool canUndoSessionClear = false;
    wendmark::ConnectionStability connectionStability;   // only its coded fields travel
    bool awaitingFreshSample = false;
    bool loginEnabled = false;
    bool loginRequiresApproval = false;
    bool loginBusy = false;
    std::string loginStatus;
    std::optional<std::string> loginError;
    bool noticesEnabled = false;
    bool noticesBusy = false;
    NoticePermission noticePermission = NoticePermission::notDetermined;
    std::string noticeStatus;

    void encode(platform::json::ObjectEncoder& e) const;
    // A missing required key, a value of the wrong kind or an unknown enumeration string fails the
    // whole state.
    static ObserverUIState decode(const platform::json::ObjectDecoder& d);
};

}  // namespace quentrel
