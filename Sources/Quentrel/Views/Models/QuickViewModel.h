#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceObservationModel.h"
#include "Quentrel/Support/LocaleFormatter.h"
#include "Wendmark/ActivityInterval.h"

namespace quentrel {

class ObserverStore;

// What the five-minute activity graph is given by the view that embeds it. `identity` is the
// graph's identity: a graph for another identity starts with a fresh inspection.
struct ActivityGraphInputs {
    std::optional<std::string> identity;
    std::vector<wendmark::ActivityInterval> intervals;
    platform::Date referenceDate;  // the window's right edge
    bool collecting = false;       // sampling runs
    double samplingInterval = 0;   // seconds
    bool compact = false;

    friend bool operator==(const ActivityGraphInputs&, const ActivityGraphInputs&) = default;
};

// What the quick view shows besides the views it embeds (the device selector, the work session
// card and the connection row build their own): the header with its menu, the selected device's
// panel and graph or the empty state, the onboarding prompt, the error line and the footer
// actions. Every text of the quick view is here.
struct QuickViewModel {
    static constexpr std::string_view windowID = "quick-view";
    static constexpr std::string_view closeIdentifier = "closeQuickView";
    static constexpr std::string_view settingsIdentifier = "quickSettings";
    static constexpr std::string_view finderIdentifier = "quickOpenFinder";
    static constexpr std::string_view pauseIdentifier = "quickPauseObservation";

    // A button of the header: a symbol with its help text, which is also its accessible name.
    struct SymbolButton {
        std::string symbol;
        std::string help;
        friend bool operator==(const SymbolButton&, const SymbolButton&) = default;
    };
    // One item of the more menu; a divider has no title.
    struct MenuItem {
        std::string title;
        std::string symbol;  // empty: text only
        std::string shortcut;  // portable key sequence text ("Ctrl+L"); empty for none
        bool enabled = true;
        std::string window;  // the window it shows; empty for quitting
        bool isDivider() const { return title.empty(); }
        friend bool operator==(const MenuItem&, const MenuItem&) = default;
    };
    struct Device {
        DeviceObservationModel panel;
        ActivityGraphInputs graph;
        friend bool operator==(const Device&, const Device&) = default;
    };
    struct EmptyState {
        std::string symbol;
        std::string text;
        friend bool operator==(const EmptyState&, const EmptyState&) = default;
    };
    struct Prompt {
        std::string title;
        std::string symbol;
        std::string window;
        friend bool operator==(const Prompt&, const Prompt&) = default;
    };
    struct TextButton {
        std::string title;
        std::string symbol;
        std::string shortcut;
        std::string window;
        friend bool operator==(const TextButton&, const TextButton&) = default;
    };
    struct IconButton {
        std::string title;  // also its help text and accessible name
        std::string symbol;
        bool highlighted = false;
        bool enabled = false;
        friend bool operator==(const IconButton&, const IconButton&) = default;
    };

    std::string title;  // "Kavrinet", as it is
    SymbolButton close;
    SymbolButton settings;
    std::string settingsWindow;
    SymbolButton more;
    std::vector<MenuItem> menu;
    std::optional<Device> device;  // absent without a selected device: the empty state shows
    EmptyState empty;
    std::optional<Prompt> onboarding;  // only until onboarding is completed
    std::optional<std::string> errorLine;
    TextButton dashboard;
    IconButton finder;
    IconButton pause;

    static QuickViewModel make(const ObserverStore& store, const LocaleFormatter& locale);

    friend bool operator==(const QuickViewModel&, const QuickViewModel&) = default;
};

}  // namespace quentrel
