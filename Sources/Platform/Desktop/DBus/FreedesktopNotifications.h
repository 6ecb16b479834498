#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Desktop/DesktopNotifications.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Log/Logger.h"

namespace platform {

// Desktop notifications over org.freedesktop.Notifications on the session bus.
//
// A notification goes out as Notify from "Kavrinet" with the application's icon (its name in the
// icon theme, applicationIconName), the request's title and body, a "default" action (a click) and
// the hints "suppress-sound" and "desktop-entry" (our entry's name, desktopEntryName); posting an identifier again replaces the notification the server gave
// for it. ActionInvoked "default" from the server reports our identifier to the activation
// handler; NotificationClosed forgets it.
//
// The desktop has no permission of its own: the status is authorised (2) while a notification
// server owns the name or the bus can start one, denied (1) otherwise or without a bus, and asking
// for authorisation answers the same check, never with a prompt.
//
// Making the backend touches no bus; the bus is connected at the first call. Every bus call is
// asynchronous and has a timeout, and every completion runs later on the main queue, also when
// the backend was released meanwhile. Use on the main queue's thread only.
class FreedesktopNotifications final : public DesktopNotifications {
public:
    static constexpr std::int64_t deniedStatus = 1;
    static constexpr std::int64_t authorisedStatus = 2;

    struct Options {
        std::optional<std::string> busAddress;  // absent: the session bus
        int callTimeoutMilliseconds = 10000;
    };

    static std::shared_ptr<FreedesktopNotifications> make(SerialQueuePtr mainQueue, Options options, Logger logger);
    // On the session bus, logging under the program's bundle identifier.
    static std::shared_ptr<FreedesktopNotifications> make(SerialQueuePtr mainQueue);
    ~FreedesktopNotifications() override;

    void authorizationStatus(std::function<void(std::int64_t status)> completion) override;
    void requestAuthorization(
        std::function<void(bool granted, const std::optional<std::string>& error)> completion) override;
    void add(const Request& request, Completion completion) override;
    void removePending(const std::vector<std::string>& identifiers) override;
    void setActivationHandler(std::function<void(const std::string& identifier)> handler) override;

    struct Impl;
    explicit FreedesktopNotifications(std::shared_ptr<Impl> impl);  // use make()

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace platform
