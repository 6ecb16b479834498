#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Quentrel/Support/LocaleFormatter.h"

namespace quentrel {

class ObserverStore;

// What the device selector shows: the selected device's name as a menu of every device of the
// snapshot, one line of facts about the selection (or about the remembered drive), the device's
// link bound and the button that remembers or forgets the selection. Every text is here.
struct DeviceSelectorModel {
    static constexpr std::string_view pickerIdentifier = "devicePicker";
    static constexpr std::string_view linkIdentifier = "deviceLinkBandwidth";
    static constexpr std::string_view rememberIdentifier = "rememberObservationTarget";

    // One menu item per snapshot device, in snapshot order.
    struct Item {
        std::string id;
        std::string title;
        bool checked = false;  // the selected device, shown with "checkmark"
        friend bool operator==(const Item&, const Item&) = default;
    };
    struct LinkLine {
        std::string symbol;
        std::string text;  // "연결 상한 10 Gb/s"
        std::string help;
        friend bool operator==(const LinkLine&, const LinkLine&) = default;
    };
    struct RememberButton {
        std::string title;  // also its help text and accessible name
        std::string symbol;
        bool highlighted = false;
        bool enabled = false;
        bool forgets = false;  // the selection is remembered: a click forgets it
        friend bool operator==(const RememberButton&, const RememberButton&) = default;
    };

    std::string leadingSymbol;
    std::string menuTitle;
    bool showsChevron = false;  // chevron "chevron.down" after the title
    bool menuEnabled = false;
    std::vector<Item> items;
    std::string checkmarkSymbol;
    std::string menuAccessibilityLabel;
    std::string menuAccessibilityValue;
    std::string menuHelp;
    std::string subtitle;
    std::optional<LinkLine> link;
    std::optional<RememberButton> remember;
    bool compact = false;

    // The largest capacity the byte-count formatter is given (it takes a signed count).
    static constexpr std::uint64_t largestFormattedCapacity = 9'223'372'036'854'775'807ull;

    // `allowsRemembering` false (the welcome window) never offers the remember button.
    static DeviceSelectorModel make(const ObserverStore& store, bool compact, bool allowsRemembering,
                                    const LocaleFormatter& locale);

    friend bool operator==(const DeviceSelectorModel&, const DeviceSelectorModel&) = default;
};

}  // namespace quentrel
