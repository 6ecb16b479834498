#include "FakeDesktopNotifications.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

FakeDesktopNotifications::FakeDesktopNotifications(platform::SerialQueuePtr mainQueue)
    : mainQueue_(std::move(mainQueue)) {
    if (!mainQueue_) throw std::invalid_argument("the fake notifications need a main queue");
}

std::size_t FakeDesktopNotifications::count(Call call) const {
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

void FakeDesktopNotifications::answer(std::function<void()> deliver) {
    if (holdAnswers)
        held_.push_back(std::move(deliver));
    else
        mainQueue_->async(std::move(deliver));
}

bool FakeDesktopNotifications::releaseNext() {
    if (held_.empty()) return false;
    mainQueue_->async(std::move(held_.front()));
    held_.pop_front();
    return true;
}

void FakeDesktopNotifications::releaseAll() {
    while (releaseNext()) {
    }
}

void FakeDesktopNotifications::activate(const std::string& identifier) {
    mainQueue_->async([this, identifier] {
        if (activationHandler_) activationHandler_(identifier);
    });
}

void FakeDesktopNotifications::authorizationStatus(std::function<void(std::int64_t status)> completion) {
    calls.push_back(Call::authorizationStatus);
    answer([this, completion = std::move(completion)] { completion(status); });
}

void FakeDesktopNotifications::requestAuthorization(
    std::function<void(bool granted, const std::optional<std::string>& error)> completion) {
    calls.push_back(Call::requestAuthorization);
    answer([this, completion = std::move(completion)] { completion(grant, authorizationError); });
}

void FakeDesktopNotifications::add(const Request& request, Completion completion) {
    calls.push_back(Call::add);
    added.push_back(request);
    answer([this, completion = std::move(completion)] { completion(addError); });
}

void FakeDesktopNotifications::removePending(const std::vector<std::string>& identifiers) {
    calls.push_back(Call::removePending);
    removed.push_back(identifiers);
}

void FakeDesktopNotifications::setActivationHandler(std::function<void(const std::string& identifier)> handler) {
    calls.push_back(Call::setActivationHandler);
    activationHandler_ = std::move(handler);
}
