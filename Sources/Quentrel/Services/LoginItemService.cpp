#include "LoginItemService.h"

#include <stdexcept>
#include <utility>

#include "Platform/Foundation/UTF8.h"

namespace quentrel {

namespace {

using Status = platform::LoginItemRegistry::Status;

constexpr const char* notRegisteredText = "로그인 시 실행 꺼짐";
constexpr const char* enabledText = "로그인 시 실행 등록됨";
constexpr const char* requiresApprovalText = "시스템 설정에서 승인 필요";
constexpr const char* notFoundText = "앱 등록 경로를 확인할 수 없음";
constexpr const char* unknownText = "등록 상태 미확인";

const char* textOfStatus(std::int64_t status) {
    switch (status) {
        case Status::notRegistered: return notRegisteredText;
        case Status::enabled: return enabledText;
        case Status::requiresApproval: return requiresApprovalText;
        case Status::notFound: return notFoundText;
        default: return unknownText;
    }
}

// A published field: the will-change signal goes out before every assignment.
template <class T, class U>
void assign(platform::WillChangeSignal& willChange, T& field, U&& value) {
    willChange.send();
    field = std::forward<U>(value);
}

}  // namespace

LoginItemService::LoginItemService(CommandSink remoteCommand, platform::LoginItemRegistryPtr registry)
    : remoteCommand_(std::move(remoteCommand)), registry_(std::move(registry)) {
    if (remoteCommand_) return;
    if (!registry_) throw std::invalid_argument("LoginItemService needs a login-item registry");
    refresh();
}

void LoginItemService::refresh() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(ObserverUICommand::Case::refreshLogin));
        return;
    }
    const std::int64_t status = registry_->status();
    assign(objectWillChange_, enabled_, status == Status::enabled);
    assign(objectWillChange_, requiresApproval_, status == Status::requiresApproval);
    assign(objectWillChange_, statusText_, std::string(textOfStatus(status)));
}

void LoginItemService::setEnabled(bool on) {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::withFlag(ObserverUICommand::Case::login, on));
        return;
    }
    if (isBusy_) return;
    std::optional<std::string> failure = on ? registry_->registerMainApp() : registry_->unregisterMainApp();
    // The system's words, in whatever bytes it gave them: the field is sent to the UI app as JSON.
    if (failure) failure = platform::validUTF8(std::move(*failure));
    assign(objectWillChange_, error_, std::move(failure));
    refresh();  // the fields show what the system holds after the attempt, success or not
}

void LoginItemService::openLoginItemsSettings() {
    if (remoteCommand_) {
        remoteCommand_(ObserverUICommand::make(ObserverUICommand::Case::approvalSettings));
        return;
    }
    registry_->openLoginItemsSettings();
}

void LoginItemService::applyMirror(bool enabled, bool requiresApproval, bool isBusy, std::string statusText,
                                   std::optional<std::string> error) {
    if (enabled == enabled_ && requiresApproval == requiresApproval_ && isBusy == isBusy_ &&
        statusText == statusText_ && error == error_)
        return;
    objectWillChange_.send();
    enabled_ = enabled;
    requiresApproval_ = requiresApproval;
    isBusy_ = isBusy;
    statusText_ = std::move(statusText);
    error_ = std::move(error);
}

}  // namespace quentrel
