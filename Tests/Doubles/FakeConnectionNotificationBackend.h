#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Dispatch/SerialQueue.h"
#include "Quentrel/Services/ConnectionNotificationBackend.h"

// A notification back end that records every call and answers through the given main queue, so an
// answer never arrives inside the call. With `holdAnswers` set, answers wait until the test
// releases them (in any order, with values of its choosing); otherwise each call's answer is
// posted at once with the configured values. Main thread only.
class FakeConnectionNotificationBackend final : public quentrel::ConnectionNotificationBackend {
public:
    enum class Call { permission, requestAuthorization, submit, submitTest, cancelPending };

    struct Record {
        Call call;
        std::optional<wendmark::ConnectionNotice> notice;  // submit
        friend bool operator==(const Record&, const Record&) = default;
    };

    explicit FakeConnectionNotificationBackend(platform::SerialQueuePtr mainQueue);

    // The answers given to calls that are not held (and by releaseAll()).
    quentrel::NoticePermission currentPermission = quentrel::NoticePermission::notDetermined;
    bool grantAuthorization = true;
    std::optional<std::string> authorizationError;  // the request fails with this text
    std::optional<std::string> submitError;         // posting fails with this text
    bool holdAnswers = false;

    // Every call in order.
    const std::vector<Record>& calls() const { return calls_; }
    std::vector<Call> callKinds() const;
    std::size_t count(Call call) const;
    void clearCalls() { calls_.clear(); }

    // The calls whose answers are held, oldest first.
    std::vector<Call> heldCalls() const;
    std::size_t heldCount() const { return held_.size(); }
    // Each posts the answer of the oldest held call of its kind; false when there is none.
    bool answerPermission(quentrel::NoticePermission permission);
    bool answerAuthorization(bool granted);
    bool failAuthorization(std::string error);
    // The oldest held submit or submitTest; absent error is success.
    bool answerSubmit(std::optional<std::string> error = std::nullopt);
    // Posts every held answer, oldest first, with the configured values.
    void releaseAll();

    void permission(PermissionCompletion completion) override;
    void requestAuthorization(AuthorizationCompletion completion) override;
    void submit(wendmark::ConnectionNotice notice, SubmitCompletion completion) override;
    void submitTest(SubmitCompletion completion) override;
    void cancelPending() override;

private:
    struct Held {
        Call call;
        PermissionCompletion permission;
        AuthorizationCompletion authorization;
        SubmitCompletion submit;
    };

    void hold(Held held);
    void post(Held held);
    std::optional<Held> takeOldest(bool (*matches)(Call));

    platform::SerialQueuePtr mainQueue_;
    std::vector<Record> calls_;
    std::deque<Held> held_;
};
