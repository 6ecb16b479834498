#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// The desktop's registration of this program to start at login. All calls are synchronous and
// run on the main thread.
class LoginItemRegistry {
public:
    // The registration status as the platform numbers it.
    enum Status : std::int64_t { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

    virtual ~LoginItemRegistry() = default;

    // One of Status, or another value when the state cannot be told.
    virtual std::int64_t status() = 0;
    // Absent on success, else the failure's description.
    virtual std::optional<std::string> registerMainApp() = 0;
    virtual std::optional<std::string> unregisterMainApp() = 0;
    // Opens the desktop's login-items (autostart) settings.
    virtual void openLoginItemsSettings() = 0;
};

using LoginItemRegistryPtr = std::shared_ptr<LoginItemRegistry>;

}  // namespace platform
