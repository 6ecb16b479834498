#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quentrel {

// The platform side of the main app's login item. All calls are synchronous and run on the main
// thread.
class LoginItemBackend {
public:
    // 0 not registered, 1 enabled, 2 requires approval, 3 not found; other values are unknown.
    virtual std::int64_t status() = 0;
    // Absent on success, else the failure's description.
    virtual std::optional<std::string> registerMainApp() = 0;
    virtual std::optional<std::string> unregisterMainApp() = 0;
    // Opens the desktop's login-items (autostart) settings.
    virtual void openLoginItemsSettings() = 0;

    virtual ~LoginItemBackend() = default;
};

using LoginItemBackendPtr = std::shared_ptr<LoginItemBackend>;

}  // namespace quentrel
