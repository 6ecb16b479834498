#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Quentrel/Support/LocaleFormatter.h"

namespace quentrel {

class ObserverStore;

// What the work session card shows: the bytes read and written in the running session, how long
// it was observed and has lasted, a note while counting pauses, or that counting starts with the
// next valid interval. Every text of the card is here.
struct WorkSessionModel {
    // The header button opens this window, whose first tab is the session history.
    static constexpr std::string_view activityLogWindow = "activity-log";

    struct SymbolText {
        std::string title;
        std::string symbol;
        friend bool operator==(const SymbolText&, const SymbolText&) = default;
    };
    struct Session {
        SymbolText read;  // the byte text with "arrow.down"
        std::string readAccessibilityLabel;
        SymbolText written;
        std::string writtenAccessibilityLabel;
        std::string durationLine;           // "관측 … · 경과 …"
        std::optional<SymbolText> pausedNote;  // only while sampling is off
        friend bool operator==(const Session&, const Session&) = default;
    };

    SymbolText header;
    std::string openLogSymbol;
    std::string openLogAccessibilityLabel;
    std::optional<Session> session;  // absent: no session is open
    std::string noSessionText;       // shown instead of the session
    bool compact = false;

    static WorkSessionModel make(const ObserverStore& store, bool compact, const LocaleFormatter& locale);

    friend bool operator==(const WorkSessionModel&, const WorkSessionModel&) = default;
};

}  // namespace quentrel
