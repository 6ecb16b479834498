#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ObserverUIFrameDecoder.h"
#include "ObserverUIMessage.h"
#include "Platform/Dispatch/SerialQueue.h"

namespace quentrel {

// One end of the pipe between the agent and the UI app, used by both programs. Outgoing messages
// become frames written in order by a serial writer queue; a reader thread cuts the incoming bytes
// into frames and decodes their messages. The channel knows nothing of who may send what: its
// owner calls finish() when the peer breaks the protocol. The first fault of any kind (encoding,
// framing, too many waiting frames, a failed write or read, end of input, an undecodable or
// oversized message) finishes the channel; nothing is retried and nothing is logged.
//
// The owner's callbacks run on the owner's queue (the main queue): `receive` for every message
// read, in arrival order, and `ended` once, after the messages read before the channel finished.
// Without an owner queue they are called directly: `receive` on the reader thread, `ended` on the
// thread that finished the channel.
// The reader keeps at most maximumWaitingMessages decoded messages waiting for the owner's queue;
// at that many it stops reading until the queue takes one, so a peer that sends faster than the
// owner works is held up by the pipe rather than by memory. finish() also ends a waiting reader.
// Without an owner queue, messages decoded from the chunk being processed when another thread
// finishes the channel are still delivered, after `ended`. With one, the reader hands it nothing
// once it has seen the channel finished, but the one message it is handing over when another
// thread finishes the channel at that moment is posted after `ended`. Owners ignore what comes
// from an ended channel.
//
// Descriptors: the channel owns both and closes each exactly once, never while another of its
// threads may still use it. finish() wakes the reader, which closes the input itself; the output is
// closed by finish() unless a write is in progress, in which case the writer closes it once that
// write returns (a write blocked on a full pipe returns when the peer goes away). SIGPIPE must be
// ignored by the program: a write to a pipe without reader then fails with EPIPE, which ends the
// channel.
class ObserverUIChannel : public std::enable_shared_from_this<ObserverUIChannel> {
public:
    using Receive = std::function<void(const ObserverUIMessage&)>;
    using Ended = std::function<void()>;

    static constexpr const char* writerLabel = "Kavrinet.private-ui.writer";
    // The agent's bound on every message it receives, and on a command received by either end: what
    // a UI app sends (ready, closing, a retried presentation, commands) is small. The agent's channel
    // takes it as its `maximumIncomingPayloadLength`, so a longer frame ends the session by its
    // header, before any of its payload is read; this is the one deliberate difference from the
    // protocol's bound of 4 MiB (ObserverUIFrameDecoder::maximumPayloadLength), which the UI app
    // keeps. A longer command ends the channel on either end.
    static constexpr std::size_t maximumAgentPayloadLength = 8'192;
    // A non-state message that finds this many frames waiting ends the channel; a waiting state
    // counts as one, a frame the writer has taken does not.
    static constexpr std::size_t maximumWaitingFrames = 32;
    // Decoded messages handed to the owner's queue and not yet taken by it.
    static constexpr std::size_t maximumWaitingMessages = 64;

    // Reads `input` and writes `output`; neither is touched before start() or send(). A received
    // frame whose header announces more than `maximumIncomingPayloadLength` bytes ends the channel
    // before any of its payload is read or decoded.
    static std::shared_ptr<ObserverUIChannel> make(
        int input, int output, platform::SerialQueuePtr ownerQueue, Receive receive, Ended ended,
        std::size_t maximumIncomingPayloadLength = ObserverUIFrameDecoder::maximumPayloadLength);
    ~ObserverUIChannel();

    ObserverUIChannel(const ObserverUIChannel&) = delete;
    ObserverUIChannel& operator=(const ObserverUIChannel&) = delete;

    // Starts the reader thread. Once per channel; later calls, and a call after finish(), do nothing.
    void start();

    // Encodes and frames `message` on the calling thread and queues it; returns at once. A state
    // replaces a state still waiting to be written; any other message fixes the waiting state in the
    // queue ahead of itself. After finish() messages are dropped without notice. Allowed before start().
    void send(const ObserverUIMessage& message);

    // Ends the channel: drops every waiting frame, closes the descriptors as above and posts `ended`
    // to the owner's queue, once, from the thread that finishes first. Idempotent; any thread.
    void finish();

    // Runs `action` on the writer queue once everything queued before it has been written, or the
    // channel has stopped.
    void afterFlushing(std::function<void()> action);

    // The thread whose finish() ended the channel; absent while it is open.
    std::optional<std::thread::id> finisher();

    struct Private;  // constructor access for make()
    ObserverUIChannel(Private, int input, int output, platform::SerialQueuePtr ownerQueue, Receive receive,
                      Ended ended, std::size_t maximumIncomingPayloadLength);

private:
    void drain();
    void readLoop();
    // False when the channel finished while the reader waited for room on the owner's queue.
    bool deliver(ObserverUIMessage message);
    void delivered();
    void wakeReader();

    const int input_;
    const int output_;
    int wake_ = -1;  // eventfd through which finish() ends the reader's poll()
    const platform::SerialQueuePtr owner_;
    const platform::SerialQueuePtr writer_;
    const Receive receive_;
    const Ended ended_;
    const std::size_t maximumIncomingPayloadLength_;

    // Guards everything below, and nothing else. Never held while encoding, writing, reading,
    // closing or calling out.
    std::mutex lock_;
    std::deque<std::string> pending_;           // frames waiting, oldest first
    std::optional<std::string> latestState_;    // the newest state frame while it may be replaced
    bool writing_ = false;    // a drain is queued or running
    bool stopped_ = false;    // finish() has run; never cleared
    bool inWrite_ = false;    // a drain is inside write(2) on output_
    bool outputOpen_ = true;
    bool readerStarted_ = false;
    std::optional<std::thread::id> finisher_;
    std::size_t waitingMessages_ = 0;       // posted to the owner's queue, not yet taken
    std::condition_variable roomOrStop_;    // a waiting message was taken, or the channel stopped
    std::thread reader_;
};

}  // namespace quentrel
