#include "ObserverUIClient.h"

#include <utility>

#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"

namespace quentrel {

namespace {

// ObserverUIChannel behind the client's interface; finishes it when the client lets go of it.
class PipeChannel final : public ObserverUIClient::Channel {
public:
    explicit PipeChannel(std::shared_ptr<ObserverUIChannel> channel) : channel_(std::move(channel)) {}
    ~PipeChannel() override { channel_->finish(); }

    void start() override { channel_->start(); }
    void send(const ObserverUIMessage& message) override { channel_->send(message); }
    void finish() override { channel_->finish(); }
    void afterFlushing(std::function<void()> action) override { channel_->afterFlushing(std::move(action)); }

private:
    std::shared_ptr<ObserverUIChannel> channel_;
};

}  // namespace

struct ObserverUIClient::Private {};

std::shared_ptr<ObserverUIClient> ObserverUIClient::make(Environment environment) {
    return std::make_shared<ObserverUIClient>(Private{}, std::move(environment));
}

ObserverUIClient::ChannelFactory ObserverUIClient::pipeChannel(int input, int output,
                                                              platform::SerialQueuePtr mainQueue) {
    return [input, output, mainQueue](ObserverUIChannel::Receive receive, ObserverUIChannel::Ended ended) {
        return std::make_shared<PipeChannel>(
            ObserverUIChannel::make(input, output, mainQueue, std::move(receive), std::move(ended)));
    };
}

ObserverUIClient::ObserverUIClient(Private, Environment environment) : environment_(std::move(environment)) {}

ObserverUIClient::~ObserverUIClient() { finishChannel(); }

void ObserverUIClient::applicationDidFinishLaunching() {
    const std::weak_ptr<ObserverUIClient> weak = weak_from_this();
    const platform::SerialQueuePtr mainQueue = environment_.mainQueue;
    const std::function<void()> terminate = environment_.terminate;

    channel_ = environment_.makeChannel(
        [weak](const ObserverUIMessage& message) {
            if (auto client = weak.lock()) client->receive(message);
        },
        [weak, mainQueue, terminate] {
            if (auto client = weak.lock()) client->channelEnded();
            mainQueue->async(terminate);
        });

    ObserverStoreServices services = environment_.storeServices;
    services.mainQueue = mainQueue;
    auto store = ObserverStore::make({
        .preferences = std::make_shared<platform::MemoryDefaultsDatabase>(environment_.defaultsDomain),
        .remoteCommand =
            [weak](const ObserverUICommand& command) {
                if (auto client = weak.lock()) client->sendCommand(command);
            },
        .services = services,
    });

    presenter_ = environment_.makePresenter(std::move(store));
    presenter_->setOnEmptyUI([weak] {
        if (auto client = weak.lock()) client->finishIfEmpty();
    });
    presenter_->setOnHide([weak] {
        if (auto client = weak.lock()) client->applicationDidHide();
    });
    presenter_->prepareUIOnly();

    // The quick view opens here in the UI app; nothing goes to the agent for it.
    const std::weak_ptr<UIPresenter> weakPresenter = presenter_;
    ObserverWindowPresenter::quickView = [weakPresenter] {
        if (auto presenter = weakPresenter.lock()) presenter->showLocalQuickView();
    };
    ObserverWindowPresenter::quit = [weak] {
        if (auto client = weak.lock()) {
            client->quittingProduct_ = true;
            client->sendCommand(ObserverUICommand::make(ObserverUICommand::Case::quit));
        }
    };

    channel_->start();
    send(ObserverUIMessage::ready(ObserverUIMessage::protocolVersion));
}

void ObserverUIClient::receive(const ObserverUIMessage& message) {
    // Messages the channel still delivers after it ended belong to no session.
    if (channelEnded_ || !presenter_) return;
    using Case = ObserverUIMessage::Case;
    switch (message.kind()) {
    case Case::state: {
        const auto& state = *message.get<ObserverUIMessage::State>();
        if (state.revision <= revision_ || closing_) return;
        revision_ = state.revision;
        receivedState_ = true;
        presenter_->store().applyUIState(state.state);
        return;
    }
    case Case::present: {
        const auto& presentation = message.get<ObserverUIMessage::Present>()->presentation;
        if (!receivedState_ || !presentation.isValid()) {
            finishChannel();
        } else if (closing_) {
            // A fresh UI app shows it: this one is on its way out.
            send(ObserverUIMessage::retry(presentation));
        } else {
            presenter_->present(presentation);
        }
        return;
    }
    case Case::stop: {
        const platform::SerialQueuePtr mainQueue = environment_.mainQueue;
        const std::function<void()> terminate = environment_.terminate;
        channel_->afterFlushing([mainQueue, terminate] { mainQueue->async(terminate); });
        return;
    }
    case Case::ready:
    case Case::command:
    case Case::retry:
    case Case::closing:
        // Only the UI app sends these.
        finishChannel();
        return;
    }
}

void ObserverUIClient::finishIfEmpty() {
    // One turn later, so a surface that closes while another opens in the same turn (a window
    // opened from the quick panel closes the panel first) does not end the session.
    environment_.mainQueue->async([weak = weak_from_this()] {
        auto client = weak.lock();
        if (!client || client->closing_ || !client->receivedState_ || !client->presenter_ ||
            client->presenter_->hasPresentedUI())
            return;
        client->closing_ = true;
        client->send(ObserverUIMessage::closing());
    });
}

void ObserverUIClient::applicationDidHide() {
    if (presenter_) presenter_->closeAllUI();
    finishIfEmpty();
}

void ObserverUIClient::shutdown() { finishChannel(); }

void ObserverUIClient::send(const ObserverUIMessage& message) {
    if (channel_ && !channelEnded_) channel_->send(message);
}

void ObserverUIClient::sendCommand(const ObserverUICommand& command) {
    if (closing_) return;
    send(ObserverUIMessage::command(command));
}

void ObserverUIClient::channelEnded() { channelEnded_ = true; }

void ObserverUIClient::finishChannel() {
    if (channel_) channel_->finish();
}

}  // namespace quentrel
