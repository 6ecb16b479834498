#include "FakeConnectionNotificationBackend.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <utility>

using quentrel::NoticePermission;

FakeConnectionNotificationBackend::FakeConnectionNotificationBackend(platform::SerialQueuePtr mainQueue)
    : mainQueue_(std::move(mainQueue)) {
    if (!mainQueue_) throw std::invalid_argument("the fake back end needs a main queue");
}

std::vector<FakeConnectionNotificationBackend::Call> FakeConnectionNotificationBackend::callKinds() const {
    std::vector<Call> kinds;
    for (const auto& record : calls_) kinds.push_back(record.call);
    return kinds;
}

std::size_t FakeConnectionNotificationBackend::count(Call call) const {
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [call](const Record& r) { return r.call == call; }));
}

std::vector<FakeConnectionNotificationBackend::Call> FakeConnectionNotificationBackend::heldCalls() const {
    std::vector<Call> kinds;
    for (const auto& held : held_) kinds.push_back(held.call);
    return kinds;
}

void FakeConnectionNotificationBackend::permission(PermissionCompletion completion) {
    calls_.push_back({Call::permission, std::nullopt});
    hold({Call::permission, std::move(completion), {}, {}});
}

void FakeConnectionNotificationBackend::requestAuthorization(AuthorizationCompletion completion) {
    calls_.push_back({Call::requestAuthorization, std::nullopt});
    hold({Call::requestAuthorization, {}, std::move(completion), {}});
}

void FakeConnectionNotificationBackend::submit(wendmark::ConnectionNotice notice, SubmitCompletion completion) {
    calls_.push_back({Call::submit, notice});
    hold({Call::submit, {}, {}, std::move(completion)});
}

void FakeConnectionNotificationBackend::submitTest(SubmitCompletion completion) {
    calls_.push_back({Call::submitTest, std::nullopt});
    hold({Call::submitTest, {}, {}, std::move(completion)});
}

void FakeConnectionNotificationBackend::cancelPending() { calls_.push_back({Call::cancelPending, std::nullopt}); }

void FakeConnectionNotificationBackend::hold(Held held) {
    if (holdAnswers)
        held_.push_back(std::move(held));
    else
        post(std::move(held));
}

// The configured answer of a call, taken when it is posted.
void FakeConnectionNotificationBackend::post(Held held) {
    switch (held.call) {
        case Call::permission:
            mainQueue_->async([completion = std::move(held.permission), p = currentPermission] { completion(p); });
            break;
        case Call::requestAuthorization: {
            Outcome outcome = authorizationError ? Outcome::failure(*authorizationError) : Outcome::success();
            mainQueue_->async([completion = std::move(held.authorization), granted = grantAuthorization, outcome] {
                completion(granted, outcome);
            });
            break;
        }
        case Call::submit:
        case Call::submitTest: {
            Outcome outcome = submitError ? Outcome::failure(*submitError) : Outcome::success();
            mainQueue_->async([completion = std::move(held.submit), outcome] { completion(outcome); });
            break;
        }
        case Call::cancelPending: break;
    }
}

std::optional<FakeConnectionNotificationBackend::Held> FakeConnectionNotificationBackend::takeOldest(bool (*matches)(Call)) {
    auto it = std::find_if(held_.begin(), held_.end(), [matches](const Held& h) { return matches(h.call); });
    if (it == held_.end()) return std::nullopt;
    Held held = std::move(*it);
    held_.erase(it);
    return held;
}

bool FakeConnectionNotificationBackend::answerPermission(NoticePermission permission) {
    auto held = takeOldest([](Call c) { return c == Call::permission; });
    if (!held) return false;
    mainQueue_->async([completion = std::move(held->permission), permission] { completion(permission); });
    return true;
}

bool FakeConnectionNotificationBackend::answerAuthorization(bool granted) {
    auto held = takeOldest([](Call c) { return c == Call::requestAuthorization; });
    if (!held) return false;
    mainQueue_->async([completion = std::move(held->authorization), granted] { completion(granted, Outcome::success()); });
    return true;
}

bool FakeConnectionNotificationBackend::failAuthorization(std::string error) {
    auto held = takeOldest([](Call c) { return c == Call::requestAuthorization; });
    if (!held) return false;
    mainQueue_->async([completion = std::move(held->authorization), outcome = Outcome::failure(std::move(error))] {
        completion(false, outcome);
    });
    return true;
}

bool FakeConnectionNotificationBackend::answerSubmit(std::optional<std::string> error) {
    auto held = takeOldest([](Call c) { return c == Call::submit || c == Call::submitTest; });
    if (!held) return false;
    Outcome outcome = error ? Outcome::failure(*error) : Outcome::success();
    mainQueue_->async([completion = std::move(held->submit), outcome] { completion(outcome); });
    return true;
}

void FakeConnectionNotificationBackend::releaseAll() {
    while (!held_.empty()) {
        Held held = std::move(held_.front());
        held_.pop_front();
        post(std::move(held));
    }
}
