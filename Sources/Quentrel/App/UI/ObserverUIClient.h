#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "Platform/Dispatch/SerialQueue.h"
#include "Quentrel/Services/ObserverUIChannel.h"
#include "Quentrel/Services/ObserverUIMessage.h"
#include "Quentrel/Stores/ObserverStoreServices.h"
#include "UIPresenter.h"

namespace quentrel {

class ObserverStore;

// The UI app's shell: runs the pipe channel to the agent, creates the mirror store and the
// presenter, routes every message from the agent, sends the user's actions back as commands, and
// asks the agent to end the session once nothing is shown any more. Main queue only; always held
// by a shared_ptr (make()): the callbacks it hands out hold it weakly.
class ObserverUIClient : public std::enable_shared_from_this<ObserverUIClient> {
public:
    // The pipe as the client uses it (an ObserverUIChannel in the program, a fake in tests).
    class Channel {
    public:
        virtual ~Channel() = default;
        virtual void start() = 0;
        virtual void send(const ObserverUIMessage& message) = 0;
        virtual void finish() = 0;
        // Runs `action` on the channel's writer once everything queued has been written.
        virtual void afterFlushing(std::function<void()> action) = 0;
    };
    // `receive` and `ended` must be called on the main queue.
    using ChannelFactory =
        std::function<std::shared_ptr<Channel>(ObserverUIChannel::Receive receive, ObserverUIChannel::Ended ended)>;
    using PresenterFactory = std::function<std::shared_ptr<UIPresenter>(std::shared_ptr<ObserverStore> store)>;

    struct Environment {
        platform::SerialQueuePtr mainQueue;
        // What the mirror store is built with (its main queue is set to mainQueue).
        ObserverStoreServices storeServices;
        // The defaults domain of the mirror's in-memory defaults database.
        std::string defaultsDomain;
        ChannelFactory makeChannel;
        PresenterFactory makePresenter;
        // Ends the application; called on the main queue.
        std::function<void()> terminate;
    };

    static std::shared_ptr<ObserverUIClient> make(Environment environment);

    // The channel over two descriptors the channel then owns, its callbacks on `mainQueue`.
    static ChannelFactory pipeChannel(int input, int output, platform::SerialQueuePtr mainQueue);

    ObserverUIClient(const ObserverUIClient&) = delete;
    ObserverUIClient& operator=(const ObserverUIClient&) = delete;
    ~ObserverUIClient();

    // Builds the session: channel, mirror store, presenter, hooks; starts reading and sends ready.
    void applicationDidFinishLaunching();
    // One message from the agent.
    void receive(const ObserverUIMessage& message);
    // One main-queue turn later: when nothing is shown, sends closing (once per process).
    void finishIfEmpty();
    // The user hid the application: everything closes, then finishIfEmpty().
    void applicationDidHide();
    // Ends the channel (the program calls it when its event loop has returned).
    void shutdown();

    std::uint64_t revision() const { return revision_; }
    bool receivedState() const { return receivedState_; }
    bool closing() const { return closing_; }
    bool quittingProduct() const { return quittingProduct_; }
    const std::shared_ptr<UIPresenter>& presenter() const { return presenter_; }

    struct Private;
    ObserverUIClient(Private, Environment environment);  // use make()

private:
    void send(const ObserverUIMessage& message);
    // The mirror's command sink and the quit hook: nothing is sent once closing was sent or the
    // channel ended, since the agent would take a command then as a protocol error.
    void sendCommand(const ObserverUICommand& command);
    void channelEnded();
    void finishChannel();

    Environment environment_;
    std::shared_ptr<Channel> channel_;
    std::shared_ptr<UIPresenter> presenter_;
    std::uint64_t revision_ = 0;
    bool receivedState_ = false;
    bool closing_ = false;  // never reset
    bool quittingProduct_ = false;
    bool channelEnded_ = false;
};

}  // namespace quentrel
