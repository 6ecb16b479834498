// Erasing the two histories, with one undo for the run. The file is written first; memory changes
// only when that write succeeded.

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "ObserverStore.h"
#include "ObserverStoreInternal.h"

namespace quentrel {

using Case = ObserverUICommand::Case;
using wendmark::WorkSession;

namespace {

// A store that keeps its data in memory only accepts every replacement.
bool written(EventStorageStatus status) {
    return status == EventStorageStatus::available || status == EventStorageStatus::memoryOnly;
}

}  // namespace

bool ObserverStore::reportDataAction(bool succeeded, std::string_view message) {
    publish();
    dataActionFailed_ = !succeeded;
    publish();
    dataActionMessage_ = std::string(message);
    return succeeded;
}

std::vector<RecentEvent> ObserverStore::mergedHistory(const std::vector<RecentEvent>& first,
                                                      const std::vector<RecentEvent>& second) const {
    std::vector<RecentEvent> merged;
    merged.reserve(first.size() + second.size());
    std::set<std::pair<platform::Date, std::string>> seen;
    for (const auto* list : {&first, &second}) {
        for (const RecentEvent& event : *list) {
            if (seen.emplace(event.date, event.message).second) merged.push_back(event);
        }
    }
    std::stable_sort(merged.begin(), merged.end(),
                     [](const RecentEvent& a, const RecentEvent& b) { return a.date > b.date; });
    return RecentEventLog::bounded(merged, currentDate());
}

bool ObserverStore::clearEventHistory() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::clearEvents));
        return true;
    }
    if (history_.empty()) return false;
    const EventStorageStatus status = eventLog_->replaceImmediately({});
    publish();
    eventStorageStatus_ = status;
    if (!written(status)) {
        // The replacement dropped the log's pending write of the list that stays; queue it again.
        eventLog_->save(history_);
        return reportDataAction(false, eventsClearFailedMessage);
    }
    historyBeforeClear_ = mergedHistory(historyBeforeClear_, history_);
    history_.clear();
    publish();
    canUndoHistoryClear_ = !historyBeforeClear_.empty();
    discardDiagnosticsPreview();
    return reportDataAction(true, eventsClearedMessage);
}

bool ObserverStore::undoHistoryClear() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::undoEvents));
        return true;
    }
    if (!canUndoHistoryClear_) return false;
    std::vector<RecentEvent> merged = mergedHistory(history_, historyBeforeClear_);
    const EventStorageStatus status = eventLog_->replaceImmediately(merged);
    publish();
    eventStorageStatus_ = status;
    if (!written(status)) {
        eventLog_->save(history_);
        return reportDataAction(false, eventsRestoreFailedMessage);
    }
    history_ = std::move(merged);
    historyBeforeClear_.clear();
    publish();
    canUndoHistoryClear_ = false;
    discardDiagnosticsPreview();
    return reportDataAction(true, eventsRestoredMessage);
}

bool ObserverStore::clearSessionHistory() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::clearSessions));
        return true;
    }
    if (completedSessions_.empty()) return false;
    std::vector<WorkSession> content;
    if (const auto& open = currentSession()) content.push_back(*open);
    const EventStorageStatus status = sessionStorage_->replaceImmediately(content);
    publish();
    sessionStorageStatus_ = status;
    if (!written(status)) {
        return reportDataAction(false, sessionsClearFailedMessage);
    }
    std::vector<WorkSession> erased = completedSessions_;
    erased.insert(erased.end(), sessionsBeforeClear_.begin(), sessionsBeforeClear_.end());
    sessionsBeforeClear_ = SessionSummaryStore::bounded(erased, currentDate());
    publish();
    completedSessions_.clear();
    publish();
    canUndoSessionClear_ = !sessionsBeforeClear_.empty();
    discardDiagnosticsPreview();
    return reportDataAction(true, sessionsClearedMessage);
}

bool ObserverStore::undoSessionClear() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::undoSessions));
        return true;
    }
    if (!canUndoSessionClear_) return false;
    std::vector<WorkSession> merged = completedSessions_;
    merged.insert(merged.end(), sessionsBeforeClear_.begin(), sessionsBeforeClear_.end());
    // Equal update dates keep this order: sessions completed since the clear first.
    std::stable_sort(merged.begin(), merged.end(),
                     [](const WorkSession& a, const WorkSession& b) { return a.updatedAt > b.updatedAt; });
    merged = SessionSummaryStore::bounded(merged, currentDate());

    std::vector<WorkSession> content;
    content.reserve(merged.size() + 1);
    if (const auto& open = currentSession()) content.push_back(*open);
    content.insert(content.end(), merged.begin(), merged.end());
    const EventStorageStatus status = sessionStorage_->replaceImmediately(content);
    publish();
    sessionStorageStatus_ = status;
    if (!written(status)) {
        return reportDataAction(false, sessionsRestoreFailedMessage);
    }
    publish();
    completedSessions_ = std::move(merged);
    sessionsBeforeClear_.clear();
    publish();
    canUndoSessionClear_ = false;
    discardDiagnosticsPreview();
    return reportDataAction(true, sessionsRestoredMessage);
}

}  // namespace quentrel
