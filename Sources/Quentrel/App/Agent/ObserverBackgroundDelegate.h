#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AgentStatusItem.h"
#include "Platform/Dispatch/SerialQueue.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/UUID.h"
#include "Platform/Foundation/WillChangeSignal.h"
#include "Platform/Log/Logger.h"
#include "Quentrel/Services/ObserverUIMessage.h"
#include "Quentrel/Services/ObserverUIPresentation.h"
#include "UIProcessSpawner.h"
#include "UISessionChannel.h"
#include "Wendmark/AppLaunchCause.h"

namespace quentrel {

class ObserverStore;

// The agent's application delegate. It owns the one observing store, the status item and the one
// current session with the UI app: the child process, its channel and the presentations waiting
// for it. The agent shows no window of its own: every window request becomes a presentation that
// goes to a running UI app, or waits (at most 8) while one starts or closes. Every change of the
// store and its two services is pushed to the UI app as a whole state, once per main-queue turn;
// every command that comes back runs in the store.
//
// Session states: idle (no process) → starting (not ready) → ready → closing → idle, and at once
// starting again when presentations wait. Commands run only in ready. Messages of an earlier
// session, and any message after the agent has ended a session itself (protocol error, failed
// start, failed send), are ignored; such a session keeps nothing and starts nothing when it ends.
//
// Without a display there is neither a status item nor a UI app (which could not open a window):
// every presentation is dropped with a log line. With a display but no tray the status item
// cannot be shown, and its click is not there to open anything: a manual launch that the launch
// rule leaves without a window then presents the dashboard, once the item has said so (the answer
// of the session bus, which may come before or after launching finishes).
//
// Main queue only. Everything queued or called back holds the delegate weakly.
class ObserverBackgroundDelegate : public std::enable_shared_from_this<ObserverBackgroundDelegate> {
public:
    static constexpr std::string_view statusItemText = "Kavrinet";
    static constexpr std::string_view statusItemSymbol = "externaldrive";
    static constexpr std::string_view launchFailureMessage = "화면을 열지 못했습니다";
    static constexpr std::string_view launchFailureInformativeText =
        "관측은 계속됩니다. 앱을 다시 열어 시도해주세요.";
    static constexpr std::size_t maximumPendingPresentations = 8;
    static constexpr std::string_view logCategory = "UISession";
    static constexpr std::string_view droppedWithoutDisplayMessage = "Presentation dropped without a display: ";
    // The UI app inside the agent's bundle.
    static constexpr std::string_view uiExecutablePath = "Contents/Helpers/KavrinetUI.app/Contents/MacOS/KavrinetUI";

    struct Environment {
        std::shared_ptr<ObserverStore> store;
        platform::SerialQueuePtr mainQueue;
        std::shared_ptr<UIProcessSpawner> spawner;
        UISessionChannel::Factory makeChannel;
        // The UI app's executable (uiExecutable() of the agent's bundle).
        std::filesystem::path uiExecutable;
        // Makes the status item, which reports to the given events. Empty: none.
        std::function<std::unique_ptr<AgentStatusItem>(AgentStatusItem::Events events)> makeStatusItem;
        // The visible frame of the main screen, bottom-left origin; absent without a screen.
        std::function<std::optional<ScreenRect>()> mainScreenVisibleFrame;
        // Shows the launch-failure alert without waiting for an answer.
        std::function<void()> showLaunchFailure;
        // False when the agent runs without a display.
        bool hasDisplay = true;
        // Where a presentation dropped without a display is logged. Empty: nowhere.
        std::optional<platform::Logger> log;
        // Empty: LaunchContext::currentCause().
        std::function<wendmark::AppLaunchCause()> launchCause;
        // Empty: the wall clock.
        std::function<platform::Date()> now;
    };

    static std::shared_ptr<ObserverBackgroundDelegate> make(Environment environment);
    // `<bundle>/Contents/Helpers/KavrinetUI.app/Contents/MacOS/KavrinetUI`.
    static std::filesystem::path uiExecutable(const std::filesystem::path& bundlePath);

    ObserverBackgroundDelegate(const ObserverBackgroundDelegate&) = delete;
    ObserverBackgroundDelegate& operator=(const ObserverBackgroundDelegate&) = delete;

    // Application events.
    // Installs the presenter hooks, makes the status item, subscribes to the store and its two
    // services, starts observing and presents the launch's first window, if any.
    void applicationDidFinishLaunching();
    // Presents "status" ("welcome" before onboarding), whatever is visible; always false.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    // Queues stop, terminates a running UI app without waiting for either and stops the store
    // (which writes its files).
    void applicationWillTerminate();
    // The status item's action: presents "quick-view" anchored at the status item.
    void toggleQuickView();

    // The session, for tests and diagnostics.
    const std::shared_ptr<ObserverStore>& store() const { return store_; }
    const AgentStatusItem* statusItem() const { return statusItem_.get(); }
    bool hasProcess() const { return process_ != nullptr; }
    bool hasChannel() const { return channel_ != nullptr; }
    bool isReady() const { return ready_; }
    bool isClosing() const { return closing_; }
    std::uint64_t revision() const { return revision_; }
    const std::vector<ObserverUIPresentation>& pending() const { return pending_; }

    struct Private;
    ObserverBackgroundDelegate(Private, Environment environment);  // use make()

private:
    void present(ObserverUIPresentation presentation);
    void scheduleState();
    void sendState();
    void launchUI();
    void receive(const ObserverUIMessage& message, const platform::UUID& session);
    void ended(const platform::UUID& session);
    // The status item reported that it cannot be shown.
    void statusItemUnavailable();
    // Presents the launch's window for want of a status item, once both are known.
    void presentWithoutStatusItem();

    // Sends on the current channel; a failed send ends the session from the agent's side.
    void send(const ObserverUIMessage& message);
    // The agent ends the session: nothing waits any more and nothing more is read.
    void finishSession();

    Environment environment_;
    const std::shared_ptr<ObserverStore> store_;
    std::unique_ptr<AgentStatusItem> statusItem_;
    std::shared_ptr<UIProcess> process_;
    std::shared_ptr<UISessionChannel> channel_;
    std::vector<platform::WillChangeSignal::Connection> subscriptions_;
    bool ready_ = false;
    bool closing_ = false;
    bool scheduled_ = false;
    std::uint64_t revision_ = 0;
    std::vector<ObserverUIPresentation> pending_;
    platform::UUID session_ = platform::UUID::random();
    // The current session has not ended yet (set by launchUI, cleared when it ends).
    bool sessionActive_ = false;
    // The agent ended the current session itself; its later messages are ignored.
    bool finishedByAgent_ = false;
    bool statusItemUnavailable_ = false;
    // What the launch still shows once no status item can be shown; presented at most once.
    std::optional<std::string> windowWithoutStatusItem_;
};

}  // namespace quentrel
