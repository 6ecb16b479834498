#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The desktop's notification service. Asynchronous operations return at once and call their
// completion later on the main queue, never inside the call; each completion runs exactly once.
class DesktopNotifications {
public:
    struct Request {
        std::string identifier;  // ours; posting the same identifier again replaces that notification
        std::string title;
        std::string body;
    };
    // Absent on success, else the failure's description.
    using Completion = std::function<void(const std::optional<std::string>& error)>;

    virtual ~DesktopNotifications() = default;

    // The authorisation status as the platform numbers it (0 not determined, 1 denied, 2 authorised).
    virtual void authorizationStatus(std::function<void(std::int64_t status)> completion) = 0;
    // Asks for alert and sound authorisation: granted, or the request failed with an error.
    virtual void requestAuthorization(
        std::function<void(bool granted, const std::optional<std::string>& error)> completion) = 0;
    // Shows the notification at once, without sound.
    virtual void add(const Request& request, Completion completion) = 0;
    // Synchronous: removes requests with these identifiers that are not shown yet; shown ones stay.
    virtual void removePending(const std::vector<std::string>& identifiers) = 0;
    // Called on the main queue with our identifier when the user clicks (default action) one of
    // our notifications. Replaces an earlier handler.
    virtual void setActivationHandler(std::function<void(const std::string& identifier)> handler) = 0;
};

using DesktopNotificationsPtr = std::shared_ptr<DesktopNotifications>;

}  // namespace platform
