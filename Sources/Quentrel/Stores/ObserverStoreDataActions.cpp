// Erasing the two histories, with one undo for the run. The file is written first; memory changes
// only when that write succeeded.

#include <string>
#include <utility>

#include "ObserverStorePrivate.h"

namespace quentrel {

using Case = ObserverUICommand::Case;
using wendmark::WorkSession;

namespace {

// A store that keeps its data in memory only accepts every replacement.
bool written(EventStorageStatus status) {
    return status == EventStorageStatus::available || status == EventStorageStatus::memoryOnly;
}

}  // namespace

bool ObserverStorePrivate::reportDataAction(bool succeeded, std::string_view message) {
    publish();
    dataActionFailed_ = !succeeded;
    publish();
    dataActionMessage_ = std::string(message);
    return succeeded;
}

bool ObserverStorePrivate::clearEventHistory() {
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
        return reportDataAction(false, ObserverStore::eventsClearFailedMessage);
    }
    historyUndo_.keepClearedEvents(history_, currentDate());
    history_.clear();
    publish();
    canUndoHistoryClear_ = !historyUndo_.historyBeforeClear().empty();
    discardDiagnosticsPreview();
    return reportDataAction(true, ObserverStore::eventsClearedMessage);
}

bool ObserverStorePrivate::undoHistoryClear() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::undoEvents));
        return true;
    }
    if (!canUndoHistoryClear_) return false;
    std::vector<RecentEvent> merged = historyUndo_.restoredEvents(history_, currentDate());
    const EventStorageStatus status = eventLog_->replaceImmediately(merged);
    publish();
    eventStorageStatus_ = status;
    if (!written(status)) {
        eventLog_->save(history_);
        return reportDataAction(false, ObserverStore::eventsRestoreFailedMessage);
    }
    history_ = std::move(merged);
    historyUndo_.forgetClearedEvents();
    publish();
    canUndoHistoryClear_ = false;
    discardDiagnosticsPreview();
    return reportDataAction(true, ObserverStore::eventsRestoredMessage);
}

bool ObserverStorePrivate::clearSessionHistory() {
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
        return reportDataAction(false, ObserverStore::sessionsClearFailedMessage);
    }
    historyUndo_.keepClearedSessions(completedSessions_, currentDate());
    publish();
    completedSessions_.clear();
    publish();
    canUndoSessionClear_ = !historyUndo_.sessionsBeforeClear().empty();
    discardDiagnosticsPreview();
    return reportDataAction(true, ObserverStore::sessionsClearedMessage);
}

bool ObserverStorePrivate::undoSessionClear() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(Case::undoSessions));
        return true;
    }
    if (!canUndoSessionClear_) return false;
    std::vector<WorkSession> merged = historyUndo_.restoredSessions(completedSessions_, currentDate());

    std::vector<WorkSession> content;
    content.reserve(merged.size() + 1);
    if (const auto& open = currentSession()) content.push_back(*open);
    content.insert(content.end(), merged.begin(), merged.end());
    const EventStorageStatus status = sessionStorage_->replaceImmediately(content);
    publish();
    sessionStorageStatus_ = status;
    if (!written(status)) {
        return reportDataAction(false, ObserverStore::sessionsRestoreFailedMessage);
    }
    publish();
    completedSessions_ = std::move(merged);
    historyUndo_.forgetClearedSessions();
    publish();
    canUndoSessionClear_ = false;
    discardDiagnosticsPreview();
    return reportDataAction(true, ObserverStore::sessionsRestoredMessage);
}

}  // namespace quentrel
