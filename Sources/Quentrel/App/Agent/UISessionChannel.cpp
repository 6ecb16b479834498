#include "UISessionChannel.h"

#include <atomic>
#include <thread>
#include <utility>

#include "Quentrel/Services/ObserverUIChannel.h"

namespace quentrel {

namespace {

// What the channel's own threads call: they post to the main queue, and the end is also noted
// at once, on the thread that finished the channel, for send() to report.
struct Hop {
    std::weak_ptr<platform::SerialQueue> mainQueue;
    UISessionChannel::Receive receive;
    UISessionChannel::Ended ended;
    std::atomic<bool> finished{false};
    // The thread that finished it: a send reports only an end that it brought about itself, not
    // one that another thread brought about meanwhile (a UI app that exits at once on stop).
    std::atomic<std::thread::id> finisher{};
};

class PipeSessionChannel final : public UISessionChannel {
public:
    PipeSessionChannel(std::shared_ptr<Hop> hop, std::shared_ptr<ObserverUIChannel> channel)
        : hop_(std::move(hop)), channel_(std::move(channel)) {}

    void start() override { channel_->start(); }
    bool send(const ObserverUIMessage& message) override {
        if (hop_->finished.load()) return false;
        channel_->send(message);
        return !(hop_->finished.load() && hop_->finisher.load() == std::this_thread::get_id());
    }
    void finish() override { channel_->finish(); }
    void finishAfterWriting() override {
        channel_->afterFlushing([channel = channel_] { channel->finish(); });
    }

private:
    std::shared_ptr<Hop> hop_;
    std::shared_ptr<ObserverUIChannel> channel_;
};

}  // namespace

UISessionChannel::Factory pipeChannelFactory(platform::SerialQueuePtr mainQueue) {
    std::weak_ptr<platform::SerialQueue> weakQueue = mainQueue;
    return [weakQueue](int input, int output, UISessionChannel::Receive receive, UISessionChannel::Ended ended) {
        auto hop = std::make_shared<Hop>();
        hop->mainQueue = weakQueue;
        hop->receive = std::move(receive);
        hop->ended = std::move(ended);
        // No owner queue: the callbacks come straight from the reader and the finishing thread.
        auto channel = ObserverUIChannel::make(
            input, output, nullptr,
            [hop](const ObserverUIMessage& message) {
                if (auto queue = hop->mainQueue.lock())
                    queue->async([hop, message] {
                        if (hop->receive) hop->receive(message);
                    });
            },
            [hop] {
                hop->finisher.store(std::this_thread::get_id());
                hop->finished.store(true);
                if (auto queue = hop->mainQueue.lock())
                    queue->async([hop] {
                        if (hop->ended) hop->ended();
                    });
            },
            maximumIncomingPayloadLength);
        return std::make_shared<PipeSessionChannel>(hop, std::move(channel));
    };
}

}  // namespace quentrel
