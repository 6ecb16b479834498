#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "Quentrel/Services/LoginItemService.h"

namespace quentrel {

class ObserverStore;

// What the welcome window shows: the header, three feature rows, the login-item option with its
// note, approval button and error line, and the start row whose button names what starting
// does. The device selector between them reads the store by itself. Every text is here.
struct WelcomeModel {
    static constexpr std::string_view windowID = "welcome";
    static constexpr std::string_view dashboardWindow = "status";
    static constexpr std::string_view loginToggleIdentifier = "welcomeLoginToggle";
    static constexpr std::string_view startIdentifier = "completeOnboarding";

    struct Feature {
        std::string symbol;
        std::string title;
        std::string text;
        friend bool operator==(const Feature&, const Feature&) = default;
    };

    std::string headerSymbol;
    std::string title;  // fixed, not the bundle's display name
    std::string tagline;
    std::array<Feature, 3> features;
    std::string loginTitle;
    bool loginOn = false;
    bool loginEnabled = true;  // not while the login item is busy
    std::string loginNote;
    std::optional<std::string> approvalButton;  // only while approval is required
    std::optional<std::string> loginError;
    std::string startHint;
    std::string startTitle;  // "관측 시작" with a selected device, else "장치 없이 시작"

    static WelcomeModel make(const ObserverStore& store, const LoginItemService& loginItem);

    // The start button, in this order: remember the selected drive when the store can (nothing
    // is said when it cannot), complete onboarding, close this window, open the dashboard. In
    // the UI app the first two send `remember` and `completeOnboarding`, which the agent runs in
    // that order.
    static void start(ObserverStore& store);

    friend bool operator==(const WelcomeModel&, const WelcomeModel&) = default;
};

}  // namespace quentrel
