#include "HistoryUndo.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "Quentrel/Services/RecentEventLog.h"
#include "Quentrel/Services/SessionSummaryStore.h"

namespace quentrel {

using wendmark::WorkSession;

std::vector<RecentEvent> HistoryUndo::mergedHistory(const std::vector<RecentEvent>& first,
                                                    const std::vector<RecentEvent>& second, platform::Date now) {
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
    return RecentEventLog::bounded(merged, now);
}

void HistoryUndo::keepClearedEvents(const std::vector<RecentEvent>& erased, platform::Date now) {
    historyBeforeClear_ = mergedHistory(historyBeforeClear_, erased, now);
}

std::vector<RecentEvent> HistoryUndo::restoredEvents(const std::vector<RecentEvent>& current,
                                                     platform::Date now) const {
    return mergedHistory(current, historyBeforeClear_, now);
}

void HistoryUndo::keepClearedSessions(const std::vector<WorkSession>& erased, platform::Date now) {
    std::vector<WorkSession> sessions = erased;
    sessions.insert(sessions.end(), sessionsBeforeClear_.begin(), sessionsBeforeClear_.end());
    sessionsBeforeClear_ = SessionSummaryStore::bounded(sessions, now);
}

std::vector<WorkSession> HistoryUndo::restoredSessions(const std::vector<WorkSession>& completed,
                                                       platform::Date now) const {
    std::vector<WorkSession> merged = completed;
    merged.insert(merged.end(), sessionsBeforeClear_.begin(), sessionsBeforeClear_.end());
    std::stable_sort(merged.begin(), merged.end(),
                     [](const WorkSession& a, const WorkSession& b) { return a.updatedAt > b.updatedAt; });
    return SessionSummaryStore::bounded(merged, now);
}

}  // namespace quentrel
