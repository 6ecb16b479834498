#pragma once

#include <exception>
#include <memory>
#include <vector>

#include "Platform/Dispatch/SerialQueue.h"
#include "Quentrel/App/Agent/UISessionChannel.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"

// A session channel that keeps what it is sent. Messages from the UI app and the end are posted to
// the main queue, as the pipe channel posts them.
class FakeSessionChannel final : public quentrel::UISessionChannel,
                                 public std::enable_shared_from_this<FakeSessionChannel> {
public:
    FakeSessionChannel(platform::SerialQueuePtr mainQueue, int in, int out, Receive receive, Ended ended)
        : input(in), output(out), mainQueue_(std::move(mainQueue)), receive_(std::move(receive)),
          ended_(std::move(ended)) {}

    void start() override { ++starts; }
    // As the pipe channel: a message that cannot be framed (text that is not UTF-8, a non-finite
    // number, over the size limit) ends the session.
    bool send(const quentrel::ObserverUIMessage& message) override {
        if (finished) return false;
        if (failSends || !framed(message)) {
            finish();
            return false;
        }
        sent.push_back(message);
        return true;
    }
    void finish() override {
        if (finished) return;
        finished = true;
        mainQueue_->async(ended_);
    }
    void finishAfterWriting() override { ++finishesAfterWriting, finish(); }  // all is written at once

    // The UI app sends `message`.
    void deliver(const quentrel::ObserverUIMessage& message) {
        mainQueue_->async([receive = receive_, message] { receive(message); });
    }

    int input;
    int output;
    int starts = 0;
    bool finished = false;
    bool failSends = false;
    std::vector<quentrel::ObserverUIMessage> sent;
    int finishesAfterWriting = 0;

private:
    static bool framed(const quentrel::ObserverUIMessage& message) {
        try {
            (void)quentrel::ObserverUIFrameDecoder::frameEncoded(message);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }

    platform::SerialQueuePtr mainQueue_;
    Receive receive_;
    Ended ended_;
};
