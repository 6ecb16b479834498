#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Desktop/DesktopNotifications.h"
#include "Platform/Dispatch/SerialQueue.h"

// A desktop notification service held in memory. It records every call and answers through the
// given main queue (never inside the call); with `holdAnswers` set, answers wait until the test
// releases them. activate() plays a click on a notification. Main thread only.
class FakeDesktopNotifications final : public platform::DesktopNotifications {
public:
    enum class Call { authorizationStatus, requestAuthorization, add, removePending, setActivationHandler };

    explicit FakeDesktopNotifications(platform::SerialQueuePtr mainQueue);

    // The answers given to calls that are not held (and by releaseAll()).
    std::int64_t status = 0;
    bool grant = true;
    std::optional<std::string> authorizationError;
    std::optional<std::string> addError;
    bool holdAnswers = false;

    std::vector<Call> calls;
    std::vector<Request> added;                          // every add, in order
    std::vector<std::vector<std::string>> removed;       // every removePending, in order
    std::size_t count(Call call) const;
    bool hasActivationHandler() const { return static_cast<bool>(activationHandler_); }

    std::size_t heldCount() const { return held_.size(); }
    // Posts the oldest held answer with the configured values; false when none is held.
    bool releaseNext();
    void releaseAll();

    // Posts a click on the notification `identifier` to the activation handler, if there is one.
    void activate(const std::string& identifier);

    void authorizationStatus(std::function<void(std::int64_t status)> completion) override;
    void requestAuthorization(
        std::function<void(bool granted, const std::optional<std::string>& error)> completion) override;
    void add(const Request& request, Completion completion) override;
    void removePending(const std::vector<std::string>& identifiers) override;
    void setActivationHandler(std::function<void(const std::string& identifier)> handler) override;

private:
    // Each held answer reads the configured values when it is released.
    void answer(std::function<void()> deliver);

    platform::SerialQueuePtr mainQueue_;
    std::deque<std::function<void()>> held_;
    std::function<void(const std::string&)> activationHandler_;
};
