#include "SystemConnectionNotifications.h"

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ObserverWindowPresenter.h"

namespace quentrel {

namespace {

constexpr const char* disconnectedTitle = "기억한 SSD의 연결이 보이지 않습니다";
constexpr const char* repeatedChangesTitle = "SSD 연결이 반복해서 바뀌고 있습니다";
constexpr const char* noticeBody = "연결 요약에서 확인하세요. 연결 변화의 원인은 확인되지 않았습니다.";
constexpr const char* testTitle = "Kavrinet 테스트 알림";
constexpr const char* testBody = "연결 변화가 아닌 알림 표시 확인입니다.";

ConnectionNotificationBackend::Outcome outcomeOf(const std::optional<std::string>& error) {
    return error ? ConnectionNotificationBackend::Outcome::failure(*error)
                 : ConnectionNotificationBackend::Outcome::success();
}

}  // namespace

SystemConnectionNotifications::SystemConnectionNotifications(platform::DesktopNotificationsPtr desktop)
    : desktop_(std::move(desktop)) {
    if (!desktop_) throw std::invalid_argument("SystemConnectionNotifications needs a desktop notification service");
}

platform::DesktopNotifications::Request SystemConnectionNotifications::request(
    std::optional<wendmark::ConnectionNotice> notice) {
    if (!notice) return {std::string(testIdentifier), testTitle, testBody};
    // The identifier is the prefix and the notice's raw value.
    std::string identifier = std::string(identifierPrefix) + std::string(platform::json::rawValue(*notice));
    const char* title = *notice == wendmark::ConnectionNotice::disconnected ? disconnectedTitle : repeatedChangesTitle;
    return {std::move(identifier), title, noticeBody};
}

void SystemConnectionNotifications::handleActivation(const std::string& identifier) {
    // The test notification matches the prefix too, so clicking it also opens the summary.
    if (identifier.starts_with(identifierPrefix)) ObserverWindowPresenter::requestShow(std::string(clickedWindow));
}

void SystemConnectionNotifications::permission(PermissionCompletion completion) {
    // The click handler is installed again on every call, so the clicks always come here.
    desktop_->setActivationHandler(&SystemConnectionNotifications::handleActivation);
    desktop_->authorizationStatus([completion = std::move(completion)](std::int64_t status) {
        completion(noticePermissionFromRawStatus(status));
    });
}

void SystemConnectionNotifications::requestAuthorization(AuthorizationCompletion completion) {
    desktop_->requestAuthorization(
        [completion = std::move(completion)](bool granted, const std::optional<std::string>& error) {
            completion(granted, outcomeOf(error));
        });
}

void SystemConnectionNotifications::submit(wendmark::ConnectionNotice notice, SubmitCompletion completion) {
    post(request(notice), std::move(completion));
}

void SystemConnectionNotifications::submitTest(SubmitCompletion completion) {
    post(request(std::nullopt), std::move(completion));
}

void SystemConnectionNotifications::post(const platform::DesktopNotifications::Request& request,
                                         SubmitCompletion completion) {
    desktop_->add(request, [completion = std::move(completion)](const std::optional<std::string>& error) {
        completion(outcomeOf(error));
    });
}

void SystemConnectionNotifications::cancelPending() {
    desktop_->removePending({std::string(disconnectedIdentifier), std::string(repeatedChangesIdentifier),
                             std::string(testIdentifier)});
}

}  // namespace quentrel
