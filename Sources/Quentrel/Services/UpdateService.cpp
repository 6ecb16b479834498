#include "UpdateService.h"

#include <stdexcept>

namespace quentrel {

namespace {

// The "feature unsupported" error code that the refusal carries: this system has no update framework.
constexpr int featureUnsupportedErrorCode = 3328;

// The only back end: it offers nothing and refuses to start.
class StoreManagedUpdateBackend final : public UpdateBackend {
public:
    bool canCheckForUpdates() const override { return false; }
    bool automaticallyChecksForUpdates() const override { return automaticallyChecks_; }
    void setAutomaticallyChecksForUpdates(bool on) override { automaticallyChecks_ = on; }
    std::optional<platform::Date> lastCheckDate() const override { return std::nullopt; }
    void start() override {
        throw std::runtime_error("The operation couldn't be completed. (Cocoa error " +
                                 std::to_string(featureUnsupportedErrorCode) + ".)");
    }
    void checkForUpdates() override {}

private:
    bool automaticallyChecks_ = false;
};

}  // namespace

std::shared_ptr<UpdateBackend> UpdateService::makeStoreManagedBackend() {
    return std::make_shared<StoreManagedUpdateBackend>();
}

// The information dictionary is deliberately not read: no configuration is derived from it, so the
// factory is never called and the service stays unconfigured.
UpdateService::UpdateService(const platform::PropertyDictionary&, Factory) {}

void UpdateService::startIfConfigured() {
    if (startAttempted_) return;
    if (!backend_) return;
    startAttempted_ = true;
    try {
        backend_->start();
    } catch (const std::exception&) {
        objectWillChange_.send();
        state_ = State::failed;
        objectWillChange_.send();
        canCheckForUpdates_ = false;
        return;
    }
    objectWillChange_.send();
    state_ = State::ready;
    refreshState();
}

void UpdateService::setAutomaticChecks(bool on) {
    if (state_ != State::ready || !backend_) return;
    backend_->setAutomaticallyChecksForUpdates(on);
    refreshState();
}

void UpdateService::refreshState() {
    if (state_ != State::ready || !backend_) return;
    objectWillChange_.send();
    canCheckForUpdates_ = backend_->canCheckForUpdates();
    objectWillChange_.send();
    automaticallyChecksForUpdates_ = backend_->automaticallyChecksForUpdates();
    objectWillChange_.send();
    lastCheckDate_ = backend_->lastCheckDate();
}

}  // namespace quentrel
