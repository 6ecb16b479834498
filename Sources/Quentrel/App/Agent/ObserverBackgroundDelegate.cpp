#include "ObserverBackgroundDelegate.h"

#include <utility>

#include "Quentrel/Services/ConnectionNotificationService.h"
#include "Quentrel/Services/LoginItemService.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/ProductArguments.h"
#include "Wendmark/LaunchContext.h"

namespace quentrel {

using Case = ObserverUIMessage::Case;

namespace {
constexpr std::string_view kStatusWindow = "status";
constexpr std::string_view kWelcomeWindow = "welcome";
}  // namespace

struct ObserverBackgroundDelegate::Private {};

std::shared_ptr<ObserverBackgroundDelegate> ObserverBackgroundDelegate::make(Environment environment) {
    return std::make_shared<ObserverBackgroundDelegate>(Private{}, std::move(environment));
}

ObserverBackgroundDelegate::ObserverBackgroundDelegate(Private, Environment environment)
    : environment_(std::move(environment)), store_(std::move(environment_.store)) {
    if (!environment_.launchCause) environment_.launchCause = [] { return wendmark::LaunchContext::currentCause(); };
    if (!environment_.now) environment_.now = &platform::Date::now;
}

std::filesystem::path ObserverBackgroundDelegate::uiExecutable(const std::filesystem::path& bundlePath) {
    return bundlePath / std::filesystem::path(uiExecutablePath);
}

void ObserverBackgroundDelegate::applicationDidFinishLaunching() {
    const std::weak_ptr<ObserverBackgroundDelegate> weak = weak_from_this();
    ObserverWindowPresenter::show = [weak](const std::string& window) {
        if (auto self = weak.lock()) self->present({window, std::nullopt});
    };
    ObserverWindowPresenter::quickView = [weak] {
        if (auto self = weak.lock()) self->toggleQuickView();
    };
    ObserverWindowPresenter::quit = ApplicationTermination::run;

    if (environment_.makeStatusItem && environment_.hasDisplay) {
        statusItem_ = environment_.makeStatusItem({
            .activated =
                [weak] {
                    if (auto self = weak.lock()) self->toggleQuickView();
                },
            .unavailable =
                [weak] {
                    if (auto self = weak.lock()) self->statusItemUnavailable();
                },
        });
    }

    auto schedule = [weak] {
        if (auto self = weak.lock()) self->scheduleState();
    };
    subscriptions_.push_back(store_->objectWillChange().connect(schedule));
    subscriptions_.push_back(store_->loginItem()->objectWillChange().connect(schedule));
    subscriptions_.push_back(store_->connectionNotifications()->objectWillChange().connect(schedule));

    store_->setOnDemandUIEnabled(true);
    store_->start();

    const wendmark::AppLaunchCause cause = environment_.launchCause();
    const bool preference = store_->showStatusOnLaunch(), onboardingCompleted = store_->onboardingCompleted();
    const std::optional<std::string> window = ProductArguments::initialWindow(cause, preference, onboardingCompleted);
    if (window) present({*window, std::nullopt});
    if (statusItem_)
        windowWithoutStatusItem_ = ProductArguments::windowWithoutStatusItem(cause, preference, onboardingCompleted);
    presentWithoutStatusItem();
}

void ObserverBackgroundDelegate::statusItemUnavailable() {
    statusItemUnavailable_ = true;
    presentWithoutStatusItem();
}

void ObserverBackgroundDelegate::presentWithoutStatusItem() {
    if (!statusItemUnavailable_) return;
    if (std::optional<std::string> window = std::exchange(windowWithoutStatusItem_, std::nullopt))
        present({std::move(*window), std::nullopt});
}

bool ObserverBackgroundDelegate::applicationShouldHandleReopen(bool) {
    present({std::string(store_->onboardingCompleted() ? kStatusWindow : kWelcomeWindow), std::nullopt});
    return false;
}

void ObserverBackgroundDelegate::applicationWillTerminate() {
    // Nothing waits for the UI app: stop is queued behind what was sent before it and the channel
    // ends once it is written, so the UI app reads stop, or the end of its input if the agent
    // is gone first. Nothing that the channel reports from here on is acted upon.
    if (channel_) {
        channel_->send(ObserverUIMessage::stop());
        channel_->finishAfterWriting();
    }
    if (process_ && process_->isRunning()) process_->terminate();
    sessionActive_ = false;
    store_->stop();
}

void ObserverBackgroundDelegate::toggleQuickView() {
    const std::optional<ScreenRect> frame = statusItem_ ? statusItem_->buttonFrame() : std::nullopt;
    const std::optional<ScreenRect> visibleFrame =
        environment_.mainScreenVisibleFrame ? environment_.mainScreenVisibleFrame() : std::nullopt;
    present({std::string(ObserverUIPresentation::quickViewWindow), QuickViewAnchor::anchor(frame, visibleFrame)});
}

void ObserverBackgroundDelegate::present(ObserverUIPresentation presentation) {
    if (!presentation.isValid()) return;
    if (!environment_.hasDisplay) {
        if (environment_.log) environment_.log->notice(std::string(droppedWithoutDisplayMessage) + presentation.window);
        return;
    }
    if (ready_ && !closing_) {
        sendState();
        if (channel_) send(ObserverUIMessage::present(std::move(presentation)));
        return;
    }
    if (pending_.size() < maximumPendingPresentations) pending_.push_back(std::move(presentation));
    if (!process_) launchUI();
}

void ObserverBackgroundDelegate::scheduleState() {
    if (!ready_ || closing_ || scheduled_) return;
    scheduled_ = true;
    environment_.mainQueue->async([weak = weak_from_this()] {
        auto self = weak.lock();
        if (!self) return;
        self->scheduled_ = false;
        self->sendState();
    });
}

void ObserverBackgroundDelegate::sendState() {
    if (!ready_ || closing_) return;
    ++revision_;
    if (channel_) send(ObserverUIMessage::state(revision_, store_->makeUIState()));
}

void ObserverBackgroundDelegate::launchUI() {
    session_ = platform::UUID::random();
    sessionActive_ = true;
    finishedByAgent_ = false;
    ready_ = false;
    closing_ = false;

    UIProcessSpawner::Spawned spawned = environment_.spawner->spawn(environment_.uiExecutable);
    if (!spawned.process) {
        // Nothing was started: the session ends at once and nothing it queued is kept.
        pending_.clear();
        finishedByAgent_ = true;
        if (environment_.showLaunchFailure) environment_.showLaunchFailure();
        ended(session_);
        return;
    }

    const std::weak_ptr<ObserverBackgroundDelegate> weak = weak_from_this();
    const platform::UUID session = session_;
    channel_ = environment_.makeChannel(
        spawned.input, spawned.output,
        [weak, session](const ObserverUIMessage& message) {
            if (auto self = weak.lock()) self->receive(message, session);
        },
        [weak, session] {
            if (auto self = weak.lock()) self->ended(session);
        });
    process_ = std::move(spawned.process);
    store_->recordUIProcessLaunch(environment_.now());
    store_->setUIProcessID(process_->processIdentifier());
    channel_->start();
}

void ObserverBackgroundDelegate::receive(const ObserverUIMessage& message, const platform::UUID& session) {
    if (!sessionActive_ || finishedByAgent_ || session != session_) return;
    switch (message.kind()) {
        case Case::ready:
            if (ready_ || message.get<ObserverUIMessage::Ready>()->version != ObserverUIMessage::protocolVersion)
                break;
            ready_ = true;
            sendState();
            for (ObserverUIPresentation& presentation : std::exchange(pending_, {}))
                send(ObserverUIMessage::present(std::move(presentation)));
            return;
        case Case::command:
            if (!ready_ || closing_) break;
            store_->handleUICommand(message.get<ObserverUIMessage::Command>()->command);
            scheduleState();
            return;
        case Case::closing:
            if (!ready_ || closing_) break;
            closing_ = true;
            send(ObserverUIMessage::stop());
            return;
        case Case::retry: {
            const ObserverUIPresentation& presentation = message.get<ObserverUIMessage::Retry>()->presentation;
            if (!closing_ || !presentation.isValid()) break;
            if (pending_.size() < maximumPendingPresentations) pending_.push_back(presentation);
            return;
        }
        case Case::state:
        case Case::present:
        case Case::stop:
            break;
    }
    finishSession();  // a protocol error
}

void ObserverBackgroundDelegate::ended(const platform::UUID& session) {
    if (!sessionActive_ || session != session_) return;
    sessionActive_ = false;
    std::vector<ObserverUIPresentation> kept;
    if (closing_ && !finishedByAgent_) kept = pending_;
    pending_.clear();
    std::shared_ptr<UIProcess> process = std::exchange(process_, nullptr);
    channel_.reset();
    ready_ = false;
    closing_ = false;
    if (process && process->isRunning()) process->terminate();
    store_->uiProcessEnded();
    if (!kept.empty()) {
        pending_ = std::move(kept);
        launchUI();
    }
}

void ObserverBackgroundDelegate::send(const ObserverUIMessage& message) {
    if (!channel_ || finishedByAgent_) return;
    if (!channel_->send(message)) {
        finishedByAgent_ = true;
        pending_.clear();
    }
}

void ObserverBackgroundDelegate::finishSession() {
    pending_.clear();
    finishedByAgent_ = true;
    if (channel_) channel_->finish();
}

}  // namespace quentrel
