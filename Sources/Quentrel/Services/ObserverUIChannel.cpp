#include "ObserverUIChannel.h"

#include <cerrno>
#include <cstdint>
#include <system_error>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "ObserverUIFrameDecoder.h"
#include "Platform/Dispatch/ThreadSerialQueue.h"

namespace quentrel {

namespace {

// Writes all of `bytes`, across short writes and interruptions.
bool writeAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;  // EPIPE included: SIGPIPE is ignored by both programs
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

struct ObserverUIChannel::Private {};

std::shared_ptr<ObserverUIChannel> ObserverUIChannel::make(int input, int output, platform::SerialQueuePtr ownerQueue,
                                                           Receive receive, Ended ended,
                                                           std::size_t maximumIncomingPayloadLength) {
    return std::make_shared<ObserverUIChannel>(Private{}, input, output, std::move(ownerQueue), std::move(receive),
                                               std::move(ended), maximumIncomingPayloadLength);
}

ObserverUIChannel::ObserverUIChannel(Private, int input, int output, platform::SerialQueuePtr ownerQueue,
                                     Receive receive, Ended ended, std::size_t maximumIncomingPayloadLength)
    : input_(input),
      output_(output),
      wake_(::eventfd(0, EFD_CLOEXEC)),
      owner_(std::move(ownerQueue)),
      writer_(platform::ThreadSerialQueue::make(writerLabel)),
      receive_(std::move(receive)),
      ended_(std::move(ended)),
      maximumIncomingPayloadLength_(maximumIncomingPayloadLength) {}

ObserverUIChannel::~ObserverUIChannel() {
    // The reader thread holds the channel until its last step, so it has ended or is ending.
    if (reader_.joinable()) {
        if (reader_.get_id() == std::this_thread::get_id())
            reader_.detach();
        else
            reader_.join();
    }
    // A channel dropped without finishing was never started (the reader finishes it), and every
    // writer item holds it, so nothing else uses the descriptors.
    if (!stopped_) {
        ::close(input_);
        ::close(output_);
    }
    if (wake_ >= 0) ::close(wake_);
}

void ObserverUIChannel::start() {
    {
        std::lock_guard lock(lock_);
        if (readerStarted_ || stopped_) return;
        if (wake_ >= 0) readerStarted_ = true;
    }
    if (wake_ < 0) {
        finish();  // without its wake-up the reader could never be ended: a fault like any other
        return;
    }
    try {
        reader_ = std::thread([self = shared_from_this()] { self->readLoop(); });
    } catch (const std::system_error&) {
        bool stopped;
        {
            std::lock_guard lock(lock_);
            readerStarted_ = false;
            stopped = stopped_;
        }
        if (stopped)
            ::close(input_);  // a finish() meanwhile left the input to the reader that never came
        else
            finish();
    }
}

void ObserverUIChannel::send(const ObserverUIMessage& message) {
    std::string frame;
    try {
        frame = ObserverUIFrameDecoder::frameEncoded(message);
    } catch (const std::exception&) {
        finish();  // a non-finite number, text that is not UTF-8, or a message over the frame limit
        return;
    }
    std::optional<std::string> replaced;  // freed outside the lock
    bool overflow = false;
    bool schedule = false;
    {
        std::lock_guard lock(lock_);
        if (stopped_) return;
        if (message.kind() == ObserverUIMessage::Case::state) {
            replaced = std::exchange(latestState_, std::move(frame));
        } else if (pending_.size() + (latestState_ ? 1 : 0) >= maximumWaitingFrames) {
            overflow = true;
        } else {
            // The waiting state was sent before this message: it keeps its place ahead of it.
            if (latestState_) {
                pending_.push_back(std::move(*latestState_));
                latestState_.reset();
            }
            pending_.push_back(std::move(frame));
        }
        if (!overflow) {
            schedule = !writing_;
            writing_ = true;
        }
    }
    if (overflow) {
        finish();  // the message is lost with everything waiting
        return;
    }
    if (schedule) writer_->async([self = shared_from_this()] { self->drain(); });
}

void ObserverUIChannel::drain() {
    std::unique_lock lock(lock_);
    while (!stopped_) {
        std::string frame;
        if (!pending_.empty()) {
            frame = std::move(pending_.front());
            pending_.pop_front();
        } else if (latestState_) {
            frame = std::move(*latestState_);
            latestState_.reset();
        } else {
            writing_ = false;
            return;
        }
        inWrite_ = true;
        lock.unlock();
        const bool written = writeAll(output_, frame);
        frame = std::string();
        lock.lock();
        inWrite_ = false;
        if (stopped_) {
            // finish() came during the write and left the output to this drain.
            const bool close = std::exchange(outputOpen_, false);
            writing_ = false;
            lock.unlock();
            if (close) ::close(output_);
            return;
        }
        if (!written) {
            lock.unlock();
            finish();
            return;
        }
    }
    writing_ = false;
}

void ObserverUIChannel::finish() {
    std::deque<std::string> dropped;
    std::optional<std::string> droppedState;
    bool closeOutput = false;
    bool closeInput = false;
    {
        std::lock_guard lock(lock_);
        if (stopped_) return;
        stopped_ = true;
        finisher_ = std::this_thread::get_id();
        dropped.swap(pending_);
        droppedState.swap(latestState_);
        if (!inWrite_ && outputOpen_) {
            outputOpen_ = false;
            closeOutput = true;
        }
        closeInput = !readerStarted_;
    }
    roomOrStop_.notify_all();  // a reader waiting for the owner's queue leaves
    // The output first, so the peer sees the end of its input; the input belongs to the reader
    // once it runs, which closes it when it leaves.
    if (closeOutput) ::close(output_);
    if (closeInput)
        ::close(input_);
    else
        wakeReader();
    if (!ended_) return;
    if (owner_)
        owner_->async(ended_);
    else
        ended_();
}

void ObserverUIChannel::afterFlushing(std::function<void()> action) {
    writer_->async([self = shared_from_this(), action = std::move(action)] {
        self->drain();
        if (action) action();
    });
}

void ObserverUIChannel::wakeReader() {
    const std::uint64_t one = 1;
    while (::write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

std::optional<std::thread::id> ObserverUIChannel::finisher() {
    std::lock_guard lock(lock_);
    return finisher_;
}

bool ObserverUIChannel::deliver(ObserverUIMessage message) {
    if (!receive_) return true;
    if (!owner_) {
        receive_(message);
        return true;
    }
    {
        std::unique_lock lock(lock_);
        roomOrStop_.wait(lock, [this] { return stopped_ || waitingMessages_ < maximumWaitingMessages; });
        if (stopped_) return false;
        ++waitingMessages_;
    }
    owner_->async([receive = receive_, message = std::move(message), weak = weak_from_this()] {
        if (auto self = weak.lock()) self->delivered();
        receive(message);
    });
    return true;
}

void ObserverUIChannel::delivered() {
    {
        std::lock_guard lock(lock_);
        --waitingMessages_;
    }
    roomOrStop_.notify_one();
}

void ObserverUIChannel::readLoop() {
    std::string chunk(ObserverUIFrameDecoder::readChunkLength, '\0');  // one buffer for the life of the loop
    ObserverUIFrameDecoder decoder(maximumIncomingPayloadLength_);
    bool reading = true;
    while (reading) {
        pollfd fds[2] = {{input_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents != 0) break;  // finish() ran
        if (fds[0].revents == 0) continue;
        const ssize_t n = ::read(input_, chunk.data(), chunk.size());
        if (n == 0) break;  // end of input
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            break;
        }
        std::vector<std::string> payloads;
        try {
            payloads = decoder.append(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
        } catch (const ObserverUIFrameDecoder::FrameError&) {
            break;
        }
        for (const auto& payload : payloads) {
            std::optional<ObserverUIMessage> message;
            try {
                message.emplace(platform::json::decode<ObserverUIMessage>(payload));
            } catch (const std::exception&) {
                reading = false;
                break;
            }
            if (message->kind() == ObserverUIMessage::Case::command && payload.size() > maximumAgentPayloadLength) {
                reading = false;
                break;
            }
            if (!deliver(std::move(*message))) {
                reading = false;
                break;
            }
        }
    }
    finish();
    ::close(input_);
}

}  // namespace quentrel
