#include "ConnectionNotificationService.h"

#include <stdexcept>
#include <utility>

namespace quentrel {

namespace {

// Status texts and the recent-event texts of the delivery outcomes.
constexpr const char* permissionRequestFailedStatus = "권한 요청 실패 · 다시 시도 가능";
constexpr const char* permissionMissingStatus = "시스템 알림 권한 없음";
constexpr const char* permissionMissingResult = "연결 알림 보류 · 시스템 권한 없음";
constexpr const char* submittedStatus = "알림 제출 완료 · 화면 표시 여부 미확인";
constexpr const char* noticeSubmittedResult = "연결 알림 제출 완료 · 화면 표시 여부 미확인";
constexpr const char* testSubmittedResult = "테스트 알림 제출 완료 · 화면 표시 여부 미확인";
constexpr const char* submitFailedStatus = "알림 제출 실패";
constexpr const char* submitFailedResult = "연결 알림 제출 실패";

void finish(const std::function<void()>& done) {
    if (done) done();
}

// A published field: the will-change signal goes out before every assignment.
template <class T, class U>
void assign(platform::WillChangeSignal& willChange, T& field, U&& value) {
    willChange.send();
    field = std::forward<U>(value);
}

// Written with a Boolean value, as the setting's readers expect.
void storeEnabled(platform::DefaultsDatabase& preferences, bool on) {
    preferences.set(platform::PropertyValue(on), ConnectionNotificationService::enabledKey);
}

void report(const std::function<void(const std::string&)>& onResult, const char* text) {
    if (onResult) onResult(text);
}

}  // namespace

std::shared_ptr<ConnectionNotificationService> ConnectionNotificationService::make(
    std::shared_ptr<platform::DefaultsDatabase> preferences, ConnectionNotificationBackendPtr backend,
    CommandSink remoteCommand) {
    return std::make_shared<ConnectionNotificationService>(std::move(preferences), std::move(backend),
                                                           std::move(remoteCommand));
}

ConnectionNotificationService::ConnectionNotificationService(std::shared_ptr<platform::DefaultsDatabase> preferences,
                                                             ConnectionNotificationBackendPtr backend,
                                                             CommandSink remoteCommand)
    : backend_(std::move(backend)), preferences_(std::move(preferences)), remoteCommand_(std::move(remoteCommand)) {
    if (!preferences_) throw std::invalid_argument("ConnectionNotificationService needs a defaults database");
    if (!backend_ && !remoteCommand_) throw std::invalid_argument("ConnectionNotificationService needs a back end");
    // An object lookup and a cast: a stored number or string does not count as on.
    if (auto stored = preferences_->object(enabledKey); stored && stored->is<bool>()) enabled_ = *stored->get<bool>();
}

void ConnectionNotificationService::refreshPermission(std::function<void()> done) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(ObserverUICommand::Case::refreshNotifications));
        finish(done);
        return;
    }
    backend_->permission([weak = weak_from_this(), done = std::move(done)](NoticePermission permission) {
        if (auto self = weak.lock()) assign(self->objectWillChange_, self->permission_, permission);
        finish(done);
    });
}

void ConnectionNotificationService::setEnabled(bool on, std::function<void()> done) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::withFlag(ObserverUICommand::Case::notifications, on));
        finish(done);
        return;
    }
    ++generation_;
    ++deliveryGeneration_;  // abandons every delivery still waiting for its permission answer
    const std::int64_t token = generation_;

    if (!on) {
        assign(objectWillChange_, enabled_, false);
        storeEnabled(*preferences_, false);
        backend_->cancelPending();
        assign(objectWillChange_, busy_, false);
        finish(done);
        return;
    }

    // granted: the answer; absent: the permission request failed.
    auto conclude = [](ConnectionNotificationService& s, std::int64_t generation, std::optional<bool> granted) {
        if (generation != s.generation_) return;  // a newer setEnabled owns the fields
        if (granted) {
            assign(s.objectWillChange_, s.permission_, *granted ? NoticePermission::allowed : NoticePermission::denied);
            assign(s.objectWillChange_, s.enabled_, *granted);
            storeEnabled(*s.preferences_, *granted);
        } else {
            assign(s.objectWillChange_, s.enabled_, false);
            storeEnabled(*s.preferences_, false);
            assign(s.objectWillChange_, s.deliveryStatus_, std::string(permissionRequestFailedStatus));
        }
        assign(s.objectWillChange_, s.busy_, false);
    };

    assign(objectWillChange_, busy_, true);
    auto answered = [weak = weak_from_this(), token, conclude, done = std::move(done)](NoticePermission permission) mutable {
        auto self = weak.lock();
        if (!self) return finish(done);
        if (permission != NoticePermission::notDetermined) {
            conclude(*self, token, permission == NoticePermission::allowed);
            return finish(done);
        }
        // Asked even when a newer call started meanwhile; its answer is then dropped.
        self->backend_->requestAuthorization([weak, token, conclude, done = std::move(done)](
                                                 bool granted, const ConnectionNotificationBackend::Outcome& outcome) {
            if (auto service = weak.lock())
                conclude(*service, token, outcome.succeeded ? std::optional<bool>(granted) : std::nullopt);
            finish(done);
        });
    };
    backend_->permission(std::move(answered));
}

void ConnectionNotificationService::submit(std::optional<wendmark::ConnectionNotice> notice, std::function<void()> done) {
    // A mirror never posts: only the agent's store delivers notices.
    if (remoteCommand_ || !enabled_) return finish(done);

    auto conclude = [](ConnectionNotificationService& s, bool wasNotice, bool succeeded) {
        if (succeeded) {
            assign(s.objectWillChange_, s.deliveryStatus_, std::string(submittedStatus));
            report(s.onResult, wasNotice ? noticeSubmittedResult : testSubmittedResult);
        } else {
            assign(s.objectWillChange_, s.deliveryStatus_, std::string(submitFailedStatus));
            report(s.onResult, submitFailedResult);  // the error itself is dropped
        }
    };

    const std::int64_t token = deliveryGeneration_;
    auto answered = [weak = weak_from_this(), token, notice, conclude,
                     done = std::move(done)](NoticePermission permission) mutable {
        auto self = weak.lock();
        if (!self) return finish(done);
        assign(self->objectWillChange_, self->permission_, permission);  // kept even when the delivery is abandoned
        if (!self->enabled_ || self->deliveryGeneration_ != token) return finish(done);
        if (permission != NoticePermission::allowed) {  // no prompt here, and nothing is queued for later
            assign(self->objectWillChange_, self->deliveryStatus_, std::string(permissionMissingStatus));
            report(self->onResult, permissionMissingResult);
            return finish(done);
        }
        auto posted = [weak, wasNotice = notice.has_value(), conclude, done = std::move(done)](
                          const ConnectionNotificationBackend::Outcome& outcome) {
            // No counter is consulted once the request has been handed to the system.
            if (auto service = weak.lock()) conclude(*service, wasNotice, outcome.succeeded);
            finish(done);
        };
        if (notice)
            self->backend_->submit(*notice, std::move(posted));
        else
            self->backend_->submitTest(std::move(posted));
    };
    backend_->permission(std::move(answered));
}

void ConnectionNotificationService::sendTest(std::function<void()> done) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(ObserverUICommand::Case::testNotification));
        finish(done);
        return;
    }
    submit(std::nullopt, std::move(done));
}

void ConnectionNotificationService::cancelPending() {
    if (remoteCommand_) return;  // the UI app's copy makes no notification-centre call
    ++deliveryGeneration_;
    if (enabled_) backend_->cancelPending();
}

void ConnectionNotificationService::applyMirror(bool enabled, bool busy, NoticePermission permission,
                                                std::string deliveryStatus) {
    if (enabled == enabled_ && busy == busy_ && permission == permission_ && deliveryStatus == deliveryStatus_) return;
    publish();
    enabled_ = enabled;
    busy_ = busy;
    permission_ = permission;
    deliveryStatus_ = std::move(deliveryStatus);
}

}  // namespace quentrel
