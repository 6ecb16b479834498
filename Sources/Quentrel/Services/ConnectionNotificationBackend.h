#pragma once

#include <functional>
#include <memory>
#include <string>

#include "NoticePermission.h"
#include "Wendmark/ConnectionNotice.h"

namespace quentrel {

// The platform side of connection notifications. Every asynchronous operation returns at once and
// calls its completion later on the main queue, never inside the call itself; a completion is
// called exactly once. An error is reported as its text.
class ConnectionNotificationBackend {
public:
    // Success (no error) or the failure's description.
    struct Outcome {
        bool succeeded = true;
        std::string error;
        static Outcome success() { return {}; }
        static Outcome failure(std::string text) { return {false, std::move(text)}; }
    };

    using PermissionCompletion = std::function<void(NoticePermission)>;
    // granted, or the request failed with `error` (granted is then meaningless).
    using AuthorizationCompletion = std::function<void(bool granted, const Outcome& outcome)>;
    using SubmitCompletion = std::function<void(const Outcome& outcome)>;

    virtual ~ConnectionNotificationBackend() = default;

    // The current permission; never fails.
    virtual void permission(PermissionCompletion completion) = 0;
    // Asks for alert and sound authorisation.
    virtual void requestAuthorization(AuthorizationCompletion completion) = 0;
    // Posts the notification of `notice` ("connection-" + its case name).
    virtual void submit(wendmark::ConnectionNotice notice, SubmitCompletion completion) = 0;
    // Posts the test notification "connection-test".
    virtual void submitTest(SubmitCompletion completion) = 0;
    // Synchronous: removes the pending requests "connection-disconnected",
    // "connection-repeatedChanges" and "connection-test"; delivered ones stay.
    virtual void cancelPending() = 0;
};

using ConnectionNotificationBackendPtr = std::shared_ptr<ConnectionNotificationBackend>;

}  // namespace quentrel
