#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MinuteDateFormatter.h"
#include "Quentrel/Services/EventStorageStatus.h"
#include "Quentrel/Support/LocaleFormatter.h"
#include "Wendmark/SessionEndReason.h"
#include "Wendmark/WorkSession.h"

namespace quentrel {

class ObserverStore;

// What the work-session history shows: an explanation and the new-session button, a banner when
// the session store cannot keep its file, one row per session (the running one first, then the
// completed ones, newest first) or an empty state, and the store's limits. Every text is here.
struct WorkSessionHistoryModel {
    static constexpr std::string_view newSessionIdentifier = "newWorkSession";

    struct SymbolText {
        std::string title;
        std::string symbol;
        friend bool operator==(const SymbolText&, const SymbolText&) = default;
    };
    struct Row {
        std::string id;       // the session's UUID, the row's identity
        SymbolText reason;    // "현재 세션" while it runs, else why it ended
        std::string startedAt;
        SymbolText read;      // "읽기 1.2 GB"
        SymbolText written;   // "쓰기 0 B"
        std::string durationLine;  // "관측 … · 경과 … · 미관측 …"
        std::string coverageLine;  // "관측률 75% · 종료 …"
        friend bool operator==(const Row&, const Row&) = default;
    };

    std::string explanation;
    SymbolText newSessionButton;
    bool newSessionEnabled = false;  // exactly while a session runs
    std::optional<SymbolText> storageBanner;
    std::optional<SymbolText> emptyState;  // only without rows
    std::vector<Row> rows;
    std::string limitsNote;

    static WorkSessionHistoryModel make(const ObserverStore& store, const LocaleFormatter& locale,
                                        const MinuteDateFormatter& minuteDates);

    // The banner of a history whose file cannot be used; none while it is available. The
    // activity log says the same of the event log.
    static std::optional<SymbolText> storageBannerFor(EventStorageStatus status);
    // The title and symbol of a session that ended for `reason`, or of the running one.
    static SymbolText reasonOf(const std::optional<wendmark::SessionEndReason>& reason);
    // The whole percentage of the session's duration that was observed, truncated: 0 when nothing
    // has elapsed, 100 at most. A hair is added before truncating so that ratios such as 29/100,
    // whose double product lies just under the whole number, are not shown one lower.
    static int coveragePercent(double observedSeconds, double elapsedSeconds);

    friend bool operator==(const WorkSessionHistoryModel&, const WorkSessionHistoryModel&) = default;
};

}  // namespace quentrel
