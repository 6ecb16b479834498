#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ConnectionNotificationBackend.h"
#include "NoticePermission.h"
#include "ObserverUICommand.h"
#include "Platform/Foundation/DefaultsDatabase.h"
#include "Platform/Foundation/WillChangeSignal.h"
#include "Wendmark/ConnectionNotice.h"

namespace quentrel {

// The user's connection-notification choice, the permission as last seen and the last delivery
// outcome; posts notices through its back end. In the UI app (built with a command sink) every
// operation forwards its command and changes nothing; its fields then change only through
// applyMirror(). Main thread only. Always held by a shared_ptr (make()): continuations of the
// back end's answers hold it weakly and do nothing once it is gone.
class ConnectionNotificationService : public std::enable_shared_from_this<ConnectionNotificationService> {
public:
    static constexpr std::string_view enabledKey = "connectionNotifications";

    // Reads "connectionNotifications" (false unless a stored Boolean); makes no back-end call.
    static std::shared_ptr<ConnectionNotificationService> make(std::shared_ptr<platform::DefaultsDatabase> preferences,
                                                               ConnectionNotificationBackendPtr backend,
                                                               CommandSink remoteCommand);

    bool enabled() const { return enabled_; }
    bool busy() const { return busy_; }
    NoticePermission permission() const { return permission_; }
    const std::string& deliveryStatus() const { return deliveryStatus_; }
    std::int64_t generation() const { return generation_; }
    std::int64_t deliveryGeneration() const { return deliveryGeneration_; }
    bool isMirror() const { return static_cast<bool>(remoteCommand_); }

    // Receives the recent-event text of each delivery outcome (the agent's store sets it).
    std::function<void(const std::string&)> onResult;

    // Asynchronous operations: `done` (optional) runs on the main queue once the operation has
    // finished, also when a newer call overtook it; a mirror forwards and calls `done` at once.
    void refreshPermission(std::function<void()> done = {});
    void setEnabled(bool on, std::function<void()> done = {});
    // Absent notice: the test notification.
    void submit(std::optional<wendmark::ConnectionNotice> notice, std::function<void()> done = {});
    void sendTest(std::function<void()> done = {});

    // Raises deliveryGeneration by 1 and, only while enabled, removes the pending requests.
    void cancelPending();

    // The mirror's copy of the agent's fields (one publication step when anything differs).
    void applyMirror(bool enabled, bool busy, NoticePermission permission, std::string deliveryStatus);

    platform::WillChangeSignal& objectWillChange() { return objectWillChange_; }

    ConnectionNotificationService(std::shared_ptr<platform::DefaultsDatabase> preferences,
                                  ConnectionNotificationBackendPtr backend, CommandSink remoteCommand);  // use make()

private:
    void publish() { objectWillChange_.send(); }

    platform::WillChangeSignal objectWillChange_;
    bool enabled_ = false;
    bool busy_ = false;
    NoticePermission permission_ = NoticePermission::notDetermined;
    std::string deliveryStatus_ = "대기";
    ConnectionNotificationBackendPtr backend_;
    std::shared_ptr<platform::DefaultsDatabase> preferences_;
    CommandSink remoteCommand_;
    std::int64_t generation_ = 0;
    std::int64_t deliveryGeneration_ = 0;
};

}  // namespace quentrel
