#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace quentrel {

// What an item of the main menu does. The presenter's own actions open windows or run hooks; the
// others go to whatever has the keyboard focus (the edit commands) or to the active window.
enum class MenuCommand {
    showAbout,
    checkUpdates,
    showSettings,
    hide,
    quitProduct,
    undo,
    cut,
    copy,
    paste,
    selectAll,
    showDashboard,
    toggleQuickView,
    showLog,
    showDetails,
    performClose,
    performMiniaturize,
    showHelp,
    showWelcome,
};

struct MenuItemSpec {
    std::string_view title;               // empty for a separator
    std::optional<MenuCommand> command;   // none: a separator
    char key = 0;                         // with Ctrl; 0: no shortcut

    bool isSeparator() const { return !command; }
};

struct MenuSpec {
    std::string_view title;
    std::vector<MenuItemSpec> items;
};

// The UI app's main menu, in order. Every window carries a menu bar built from it.
struct ObserverMenuModel {
    // "업데이트 확인…" is there only when the update service is configured as the menu is built.
    static std::vector<MenuSpec> mainMenu(bool updatesConfigured);
    // The window id a presenter action opens, or none for the other commands.
    static std::optional<std::string_view> windowOpenedBy(MenuCommand command);
};

}  // namespace quentrel
