#pragma once

#include <vector>

#include "Platform/Foundation/Date.h"
#include "Quentrel/Services/RecentEvent.h"
#include "Wendmark/WorkSession.h"

namespace quentrel {

// What the clears of this run erased from the two histories, kept in memory only (never on disk)
// so that one undo of each kind brings it back. Every clear adds to its buffer; bounded as the file
// stores bound their contents.
class HistoryUndo {
public:
    const std::vector<RecentEvent>& historyBeforeClear() const { return historyBeforeClear_; }
    const std::vector<wendmark::WorkSession>& sessionsBeforeClear() const { return sessionsBeforeClear_; }

    // Recent events: those a clear erased join the ones erased before.
    void keepClearedEvents(const std::vector<RecentEvent>& erased, platform::Date now);
    // The list an undo writes: `current` (logged since) with the erased events back.
    std::vector<RecentEvent> restoredEvents(const std::vector<RecentEvent>& current, platform::Date now) const;
    void forgetClearedEvents() { historyBeforeClear_.clear(); }

    // Completed work sessions, likewise; the open session is never among them.
    void keepClearedSessions(const std::vector<wendmark::WorkSession>& erased, platform::Date now);
    // `completed` (completed since) followed by the erased sessions, newest update first; equal update
    // dates keep that order.
    std::vector<wendmark::WorkSession> restoredSessions(const std::vector<wendmark::WorkSession>& completed,
                                                        platform::Date now) const;
    void forgetClearedSessions() { sessionsBeforeClear_.clear(); }

    // Both lists as one: an event is its date and message, so each duplicate is left once; newest
    // first, bounded as the recent-event log keeps its list.
    static std::vector<RecentEvent> mergedHistory(const std::vector<RecentEvent>& first,
                                                  const std::vector<RecentEvent>& second, platform::Date now);

private:
    std::vector<RecentEvent> historyBeforeClear_;
    std::vector<wendmark::WorkSession> sessionsBeforeClear_;
};

}  // namespace quentrel
