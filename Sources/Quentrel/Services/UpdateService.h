#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/JSONCoding.h"
#include "Platform/Foundation/PropertyValue.h"
#include "Platform/Foundation/WillChangeSignal.h"
#include "Quentrel/Support/UpdateConfiguration.h"

namespace quentrel {

// An update back end; the only one refuses to start.
class UpdateBackend {
public:
    virtual ~UpdateBackend() = default;
    virtual bool canCheckForUpdates() const = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
    virtual std::optional<platform::Date> lastCheckDate() const = 0;
    std::function<void()> stateDidChange;
    // Throws on failure.
    virtual void start() = 0;
    virtual void checkForUpdates() = 0;
};

// The update state behind the settings section, the menu item and the diagnostic record. In this
// system it never has a configuration, so it stays `unconfigured`. Main thread only.
class UpdateService {
public:
    enum class State { unconfigured, waiting, ready, failed };
    using Factory = std::function<std::shared_ptr<UpdateBackend>(const UpdateConfiguration&)>;

    // The dictionary is not read; the factory is never called.
    explicit UpdateService(const platform::PropertyDictionary& info, Factory factory = {});

    State state() const { return state_; }
    bool canCheckForUpdates() const { return canCheckForUpdates_; }
    bool automaticallyChecksForUpdates() const { return automaticallyChecksForUpdates_; }
    const std::optional<platform::Date>& lastCheckDate() const { return lastCheckDate_; }
    bool isConfigured() const { return configuration_.has_value(); }

    void startIfConfigured();
    void setAutomaticChecks(bool on);

    platform::WillChangeSignal& objectWillChange() { return objectWillChange_; }

    // The default factory's back end: start() always fails (feature unsupported).
    static std::shared_ptr<UpdateBackend> makeStoreManagedBackend();

private:
    void refreshState();

    platform::WillChangeSignal objectWillChange_;
    State state_ = State::unconfigured;
    bool canCheckForUpdates_ = false;
    bool automaticallyChecksForUpdates_ = false;
    std::optional<platform::Date> lastCheckDate_;
    std::optional<UpdateConfiguration> configuration_;
    std::shared_ptr<UpdateBackend> backend_;
    bool startAttempted_ = false;
};

}  // namespace quentrel

template <>
struct platform::json::EnumStrings<quentrel::UpdateService::State> {
    using E = quentrel::UpdateService::State;
    static constexpr std::pair<E, std::string_view> cases[] = {
        {E::unconfigured, "unconfigured"},
        {E::waiting, "waiting"},
        {E::ready, "ready"},
        {E::failed, "failed"},
    };
};
