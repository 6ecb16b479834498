#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "ConnectionNotificationBackend.h"
#include "Platform/Desktop/DesktopNotifications.h"

namespace quentrel {

// The connection-notification back end over the desktop's notification service: the three
// notifications with their identifiers and texts, the permission reduced from the service's raw
// status, and a click on one of ours opening the connection summary. Constructing it calls
// nothing on the desktop service; the click handler is installed by every permission() call.
// Main thread only.
class SystemConnectionNotifications final : public ConnectionNotificationBackend {
public:
    static constexpr std::string_view identifierPrefix = "connection-";
    static constexpr std::string_view disconnectedIdentifier = "connection-disconnected";
    static constexpr std::string_view repeatedChangesIdentifier = "connection-repeatedChanges";
    static constexpr std::string_view testIdentifier = "connection-test";
    // The window a click on any of our notifications opens.
    static constexpr std::string_view clickedWindow = "connection-summary";

    // `desktop` must not be null.
    explicit SystemConnectionNotifications(platform::DesktopNotificationsPtr desktop);

    // The request posted for a notice, or for the test notification when absent.
    static platform::DesktopNotifications::Request request(std::optional<wendmark::ConnectionNotice> notice);
    // What a click on the notification `identifier` does: shows the connection summary for ours.
    static void handleActivation(const std::string& identifier);

    void permission(PermissionCompletion completion) override;
    void requestAuthorization(AuthorizationCompletion completion) override;
    void submit(wendmark::ConnectionNotice notice, SubmitCompletion completion) override;
    void submitTest(SubmitCompletion completion) override;
    void cancelPending() override;

private:
    void post(const platform::DesktopNotifications::Request& request, SubmitCompletion completion);

    platform::DesktopNotificationsPtr desktop_;
};

}  // namespace quentrel
