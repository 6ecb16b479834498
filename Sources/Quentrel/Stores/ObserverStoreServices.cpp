#include "ObserverStoreServices.h"

#include <string>
#include <utility>

#include "Platform/Foundation/Clocks.h"
#include "Quentrel/Services/SystemConnectionNotifications.h"
#include "Wendmark/DiskInventory.h"

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

// No pasteboard: every text is refused.
class InertPasteboard final : public platform::Pasteboard {
public:
    void clearContents() override {}
    bool setString(std::string_view) override { return false; }
};

// No save panel can be shown: each one answers as cancelled, later on the main queue.
class InertSavePanel final : public platform::SavePanel, public std::enable_shared_from_this<InertSavePanel> {
public:
    explicit InertSavePanel(platform::SerialQueuePtr mainQueue) : mainQueue_(std::move(mainQueue)) {}
    void begin(Completion completion) override {
        if (begun_) return;
        begun_ = true;
        mainQueue_->async([completion = std::move(completion), keep = shared_from_this()] {
            if (completion) completion(std::nullopt);
        });
    }
    void bringToFront() override {}
    void cancel() override {}
    bool isOpen() const override { return false; }

private:
    platform::SerialQueuePtr mainQueue_;
    bool begun_ = false;
};

class InertSavePanels final : public platform::SavePanels {
public:
    explicit InertSavePanels(platform::SerialQueuePtr mainQueue) : mainQueue_(std::move(mainQueue)) {}
    std::shared_ptr<platform::SavePanel> makePanel(const platform::SavePanelOptions&) override {
        return std::make_shared<InertSavePanel>(mainQueue_);
    }

private:
    platform::SerialQueuePtr mainQueue_;
};

// No file browser: every request fails, later on the main queue.
class InertFileBrowser final : public platform::FileBrowser {
public:
    explicit InertFileBrowser(platform::SerialQueuePtr mainQueue) : mainQueue_(std::move(mainQueue)) {}
    void openFolder(const std::string&, Completion completion) override {
        mainQueue_->async([completion = std::move(completion)] {
            if (completion) completion(false);
        });
    }

private:
    platform::SerialQueuePtr mainQueue_;
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
    if (!services.pasteboard) services.pasteboard = std::make_shared<InertPasteboard>();
    if (!services.savePanels) services.savePanels = std::make_shared<InertSavePanels>(services.mainQueue);
    if (!services.fileBrowser) services.fileBrowser = std::make_shared<InertFileBrowser>(services.mainQueue);
    if (!services.mountedVolumeMatches) {
        services.mountedVolumeMatches = [](const wendmark::VolumeSnapshot& volume, const std::string& deviceID) {
            return wendmark::DiskInventory::matchesMountedVolume(volume, deviceID);
        };
    }
    return services;
}

ConnectionNotificationBackendPtr makeDefaultNotificationBackend(const ObserverStoreServices& services) {
    return std::make_shared<SystemConnectionNotifications>(services.notifications);
}

}  // namespace quentrel
