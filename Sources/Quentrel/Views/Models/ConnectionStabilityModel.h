#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Quentrel/Support/LocaleFormatter.h"
#include "Wendmark/ConnectionStability.h"

namespace quentrel {

class ObserverStore;

// The state of the remembered drive's connection record as both connection views show it.
struct ConnectionStateLook {
    std::string symbol;
    std::string title;

    static ConnectionStateLook of(wendmark::ConnectionStability::State state);

    friend bool operator==(const ConnectionStateLook&, const ConnectionStateLook&) = default;
};

// The one-line connection row of the dashboard and the quick view: the record's state and its
// loss and recovery counts; it exists only while a drive is remembered.
struct ConnectionStabilityLinkModel {
    static constexpr std::string_view identifier = "openConnectionSummary";
    // A click opens this window.
    static constexpr std::string_view summaryWindow = "connection-summary";

    std::string stateSymbol;
    std::string title;    // "연결 요약"
    std::string summary;  // the state's title, or "해제 n · 복귀 m" once a loss was seen
    std::string chevronSymbol;
    std::string help;
    std::string accessibilityLabel;  // what the row reads: its title and its summary

    // Absent while no drive is remembered, whatever the record holds.
    static std::optional<ConnectionStabilityLinkModel> make(const ObserverStore& store);

    friend bool operator==(const ConnectionStabilityLinkModel&, const ConnectionStabilityLinkModel&) = default;
};

// The content of the connection summary window: the state, three metric tiles, when the record
// started and when the last loss was seen, the recent changes and a footnote; or, without a
// remembered drive, only that there is none. Every text of the window is here.
struct ConnectionStabilityModel {
    struct Metric {
        std::string title;
        std::string symbol;
        std::string value;
        friend bool operator==(const Metric&, const Metric&) = default;
    };
    // One connection change, newest first.
    struct Change {
        std::string id;  // the change's UUID: the row's identity
        std::string symbol;
        std::string title;
        std::string dateText;
        friend bool operator==(const Change&, const Change&) = default;
    };
    struct Record {
        ConnectionStateLook state;
        std::array<Metric, 3> metrics;
        std::string sinceLine;
        std::string lastLossLine;
        std::optional<std::string> emptyNote;  // only while there are no changes
        std::vector<Change> changes;
        std::string footnote;
        friend bool operator==(const Record&, const Record&) = default;
    };
    // The content-unavailable body.
    struct Unavailable {
        std::string title;
        std::string symbol;
        std::string description;
        friend bool operator==(const Unavailable&, const Unavailable&) = default;
    };

    std::string headerTitle;
    std::string headerSymbol;
    std::optional<Record> record;  // absent while no drive is remembered
    Unavailable unavailable;

    static ConnectionStabilityModel make(const ObserverStore& store, const LocaleFormatter& locale);
    // The title line of one change.
    static std::string changeTitle(const wendmark::ConnectionStability::Change& change);

    friend bool operator==(const ConnectionStabilityModel&, const ConnectionStabilityModel&) = default;
};

}  // namespace quentrel
