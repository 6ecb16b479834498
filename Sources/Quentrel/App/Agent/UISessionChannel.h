#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "Platform/Dispatch/SerialQueue.h"
#include "Quentrel/Services/ObserverUIMessage.h"

namespace quentrel {

// What the agent's delegate uses of the pipe channel of one UI-app session.
class UISessionChannel {
public:
    // Both run on the main queue: every message read, in order, then `Ended` once.
    using Receive = std::function<void(const ObserverUIMessage& message)>;
    using Ended = std::function<void()>;
    using Factory =
        std::function<std::shared_ptr<UISessionChannel>(int input, int output, Receive receive, Ended ended)>;

    virtual ~UISessionChannel() = default;

    virtual void start() = 0;
    // Queues `message`; false once the channel has finished, by this send (a state that cannot be
    // encoded, too many waiting frames) or before.
    virtual bool send(const ObserverUIMessage& message) = 0;
    virtual void finish() = 0;
    // Finishes the channel once everything sent so far has been written (or writing has failed);
    // returns at once, so the peer reads all of it and then the end of its input.
    virtual void finishAfterWriting() = 0;
};

// Channels on ObserverUIChannel over the two descriptors, which they own; the callbacks run on
// `mainQueue`.
UISessionChannel::Factory pipeChannelFactory(platform::SerialQueuePtr mainQueue);

}  // namespace quentrel
