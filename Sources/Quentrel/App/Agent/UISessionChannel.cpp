#include "UISessionChannel.h"

#include <thread>
#include <utility>

#include "Quentrel/Services/ObserverUIChannel.h"

namespace quentrel {

namespace {

class PipeSessionChannel final : public UISessionChannel {
public:
    explicit PipeSessionChannel(std::shared_ptr<ObserverUIChannel> channel) : channel_(std::move(channel)) {}

    void start() override { channel_->start(); }
    // A send reports only an end that it brought about itself, not one that another thread
    // brought about meanwhile (a UI app that exits at once on stop).
    bool send(const ObserverUIMessage& message) override {
        if (channel_->finisher()) return false;
        channel_->send(message);
        return channel_->finisher() != std::this_thread::get_id();
    }
    void finish() override { channel_->finish(); }
    void finishAfterWriting() override {
        channel_->afterFlushing([channel = channel_] { channel->finish(); });
    }

private:
    std::shared_ptr<ObserverUIChannel> channel_;
};

}  // namespace

UISessionChannel::Factory pipeChannelFactory(platform::SerialQueuePtr mainQueue) {
    std::weak_ptr<platform::SerialQueue> weakQueue = mainQueue;
    return [weakQueue](int input, int output, UISessionChannel::Receive receive, UISessionChannel::Ended ended) {
        // The channel posts both callbacks to the main queue and reads no further while the
        // commands it has handed there wait to be run. It takes only the agent's short messages.
        return std::make_shared<PipeSessionChannel>(
            ObserverUIChannel::make(input, output, weakQueue.lock(), std::move(receive), std::move(ended),
                                    ObserverUIChannel::maximumAgentPayloadLength));
    };
}

}  // namespace quentrel
