#include "ObserverStoreServices.h"

#include <string>
#include <utility>

#include "Platform/Foundation/Clocks.h"
#include "Quentrel/Services/SystemConnectionNotifications.h"

namespace quentrel {

namespace {

// A main queue that runs nothing: work posted to it is dropped (sync still runs its work, as
// nothing else is queued before it).
class InertQueue final : public platform::SerialQueue {
public:
    const std::string& label() const override { return label_; }
    void async(std::function<void()>) override {}
    void asyncAfter(double, std::shared_ptr<platform::WorkItem>) override {}
    void sync(std::function<void()> work) override {
        if (work) work();
    }
    bool isCurrent() const override { return false; }
    double now() const override { return platform::systemUptime(); }

private:
    std::string label_ = "inert main queue";
};

// No notification server: permission denied, nothing shown. Answers arrive on the main queue.
class InertNotifications final : public platform::DesktopNotifications {
public:
    explicit InertNotifications(platform::SerialQueuePtr mainQueue) : mainQueue_(std::move(mainQueue)) {}

    void authorizationStatus(std::function<void(std::int64_t)> completion) override {
        mainQueue_->async([completion = std::move(completion)] { completion(deniedStatus); });
    }
    void requestAuthorization(
        std::function<void(bool, const std::optional<std::string>&)> completion) override {
        mainQueue_->async([completion = std::move(completion)] { completion(false, std::nullopt); });
    }
    void add(const Request&, Completion completion) override {
        mainQueue_->async([completion = std::move(completion)] { completion(std::string(unavailable)); });
    }
    void removePending(const std::vector<std::string>&) override {}
    void setActivationHandler(std::function<void(const std::string&)>) override {}

private:
    static constexpr std::int64_t deniedStatus = 1;
    static constexpr const char* unavailable = "No notification service is installed.";
    platform::SerialQueuePtr mainQueue_;
};

// No login-item service: never registered, every change refused.
class InertLoginItems final : public platform::LoginItemRegistry {
public:
    std::int64_t status() override { return notRegistered; }
    std::optional<std::string> registerMainApp() override { return std::string(unavailable); }
    std::optional<std::string> unregisterMainApp() override { return std::string(unavailable); }
    void openLoginItemsSettings() override {}

private:
    static constexpr const char* unavailable = "No login-item service is installed.";
};

// No sleep or wake is ever delivered.
class InertPowerEvents final : public platform::PowerEvents {
public:
    class NoSubscription final : public Subscription {
    public:
        void cancel() override {}
    };
    std::unique_ptr<Subscription> subscribe(Callbacks) override { return std::make_unique<NoSubscription>(); }
};

}  // namespace

ObserverStoreServices ObserverStoreServices::resolved() const {
    ObserverStoreServices services = *this;
    if (!services.mainQueue) services.mainQueue = std::make_shared<InertQueue>();
    if (!services.now) services.now = &platform::Date::now;
    if (!services.notifications) services.notifications = std::make_shared<InertNotifications>(services.mainQueue);
    if (!services.loginItems) services.loginItems = std::make_shared<InertLoginItems>();
    if (!services.powerEvents) services.powerEvents = std::make_shared<InertPowerEvents>();
    if (!services.bundle) services.bundle = platform::mainBundle();
    return services;
}

ConnectionNotificationBackendPtr makeDefaultNotificationBackend(const ObserverStoreServices& services) {
    return std::make_shared<SystemConnectionNotifications>(services.notifications);
}

}  // namespace quentrel
