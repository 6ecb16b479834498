#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Quentrel/Support/LocaleFormatter.h"
#include "WorkSessionHistoryModel.h"

namespace quentrel {

class ObserverStore;

// What the activity log window shows around its two lists: the title and the diagnostic-preview
// button, the event log's storage banner, the bar that opens data management and the connection
// summary (and undoes the last clearing of the events), the picker of the list, and the recent
// events. The sessions list is the work-session history's own. Every text is here.
struct ActivityLogModel {
    static constexpr std::string_view windowID = "activity-log";
    static constexpr std::string_view previewIdentifier = "previewDiagnostics";
    static constexpr std::string_view summaryIdentifier = "logConnectionSummary";
    static constexpr std::string_view tabsIdentifier = "activityLogTabs";
    static constexpr std::string_view dataManagementWindow = "data-management";
    static constexpr std::string_view connectionSummaryWindow = "connection-summary";

    // The picker's values.
    static constexpr int sessionsTab = 0;
    static constexpr int eventsTab = 1;

    using SymbolText = WorkSessionHistoryModel::SymbolText;
    struct EventRow {
        std::string message;
        std::string date;
        friend bool operator==(const EventRow&, const EventRow&) = default;
    };

    std::string title;
    SymbolText previewButton;
    std::optional<SymbolText> storageBanner;
    SymbolText manageButton;
    SymbolText summaryButton;
    SymbolText undoButton;
    bool showsUndo = false;  // only while the last clearing can be undone
    std::string pickerLabel;
    std::vector<std::string> tabTitles;  // by value: sessions, events
    int tab = sessionsTab;
    bool showsSessions = true;  // the sessions list for value 0, the events for any other value
    std::optional<SymbolText> emptyEvents;  // only without events
    std::vector<EventRow> events;           // newest first, as the log holds them
    std::string eventSymbol;

    // `tab` is the picker's value, which the window keeps.
    static ActivityLogModel make(const ObserverStore& store, int tab, const LocaleFormatter& locale);

    friend bool operator==(const ActivityLogModel&, const ActivityLogModel&) = default;
};

}  // namespace quentrel
