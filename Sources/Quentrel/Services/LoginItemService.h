#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ObserverUICommand.h"
#include "Platform/Desktop/LoginItemRegistry.h"
#include "Platform/Foundation/WillChangeSignal.h"

namespace quentrel {

// The main app's login item: its status as three flags and a Korean text, register and
// unregister, the last error. In the UI app (built with a command sink) every operation forwards
// its command; the fields then change only through applyMirror(). Main thread only; synchronous.
class LoginItemService {
public:
    // Without a sink the status is read at once from `registry`.
    LoginItemService(CommandSink remoteCommand, platform::LoginItemRegistryPtr registry);

    bool enabled() const { return enabled_; }
    const std::string& statusText() const { return statusText_; }
    bool requiresApproval() const { return requiresApproval_; }
    // The last failure's description as the registry gave it, made well-formed UTF-8.
    const std::optional<std::string>& error() const { return error_; }
    bool isBusy() const { return isBusy_; }

    void refresh();
    void setEnabled(bool on);
    void openLoginItemsSettings();

    void applyMirror(bool enabled, bool requiresApproval, bool isBusy, std::string statusText,
                     std::optional<std::string> error);

    platform::WillChangeSignal& objectWillChange() { return objectWillChange_; }

private:
    platform::WillChangeSignal objectWillChange_;
    bool enabled_ = false;
    std::string statusText_ = "확인 중";
    bool requiresApproval_ = false;
    std::optional<std::string> error_;
    bool isBusy_ = false;
    CommandSink remoteCommand_;
    platform::LoginItemRegistryPtr registry_;
};

}  // namespace quentrel
