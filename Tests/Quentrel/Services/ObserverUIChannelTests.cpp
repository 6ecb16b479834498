#include "Quentrel/Services/ObserverUIChannel.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <future>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Platform/Dispatch/ThreadSerialQueue.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"
#include "Quentrel/Services/UIStateFixture.h"

using namespace quentrel;
namespace json = platform::json;
using Message = ObserverUIMessage;
using Decoder = ObserverUIFrameDecoder;
using namespace std::chrono_literals;

namespace {

// Both programs ignore SIGPIPE, so a write without reader fails with EPIPE.
const bool sigpipeIgnored = [] { return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR; }();

// Only a guard against hanging the run; no test looks at how long anything took.
constexpr auto kPatience = 30s;

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        read = fds[0];
        write = fds[1];
        EXPECT_EQ(::fstat(read, &made_), 0);
    }
    // Whether an end still refers to this pipe. Its number alone cannot tell: once closed, another
    // thread may reuse it at any moment, as UBSan's vptr check does with the pipe through which it
    // probes memory (the channel's reader thread, for one, runs such a check as it ends).
    bool readOpen() const { return refersToThis(read); }
    bool writeOpen() const { return refersToThis(write); }
    // The ends a channel did not take.
    void closeRead() { ::close(std::exchange(read, -1)); }
    void closeWrite() { ::close(std::exchange(write, -1)); }

private:
    bool refersToThis(int fd) const {
        struct stat now {};
        return ::fstat(fd, &now) == 0 && now.st_dev == made_.st_dev && now.st_ino == made_.st_ino;
    }
    struct stat made_ {};
};

// Holds the writer queue until open(), so that frames pile up behind it. close() returns once
// the writer has reached the gate, so nothing sent afterwards is taken by it.
class Gate {
public:
    void close(ObserverUIChannel& channel) {
        std::promise<void> reached;
        auto future = reached.get_future();
        channel.afterFlushing([reached = std::make_shared<std::promise<void>>(std::move(reached)), open = open_] {
            reached->set_value();
            open.wait();
        });
        ASSERT_EQ(future.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    }
    void open() { promise_.set_value(); }

private:
    std::promise<void> promise_;
    std::shared_future<void> open_ = promise_.get_future().share();
};

// The owner of one channel: records what reaches its queue, and sees the channel go away (its
// callbacks are dropped with it).
class Owner {
public:
    // The channel's callbacks point here: it must be gone first.
    ~Owner() {
        if (made_) {
            EXPECT_TRUE(waitUntilGone());
        }
    }

    std::shared_ptr<ObserverUIChannel> channel(int input, int output,
                                               std::size_t limit = Decoder::maximumPayloadLength) {
        made_ = true;
        auto token = std::shared_ptr<void>(nullptr, [this](void*) { gone_.set_value(); });
        return ObserverUIChannel::make(
            input, output, queue_,
            [this, token](const Message& m) {
                std::lock_guard lock(mutex_);
                messages_.push_back(m);
                changed_.notify_all();
            },
            [this, token] {
                std::lock_guard lock(mutex_);
                ++ended_;
                changed_.notify_all();
            },
            limit);
    }
    // Everything posted to the owner so far has run.
    void settle() { queue_->sync([] {}); }
    bool waitForEnd() { return wait([this] { return ended_ > 0; }); }
    bool waitForMessages(std::size_t n) { return wait([this, n] { return messages_.size() >= n; }); }
    bool waitUntilGone() { return goneFuture_.wait_for(kPatience) == std::future_status::ready; }

    int ended() {
        std::lock_guard lock(mutex_);
        return ended_;
    }
    std::vector<Message> messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    bool wait(const std::function<bool()>& done) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, done);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Message> messages_;
    int ended_ = 0;
    bool made_ = false;
    std::promise<void> gone_;
    std::future<void> goneFuture_ = gone_.get_future();
    platform::SerialQueuePtr queue_ = platform::ThreadSerialQueue::make("test.owner");  // destroyed first
};

// The payloads written into `fd` until its writer closes it.
std::vector<std::string> payloadsUntilEnd(int fd) {
    Decoder decoder;
    std::vector<std::string> out;
    char buffer[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, std::chrono::milliseconds(kPatience).count()) != 1) {
            ADD_FAILURE() << "the writer never closed its end";
            return out;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return out;
        for (auto& payload : decoder.append(std::string_view(buffer, static_cast<std::size_t>(n))))
            out.push_back(std::move(payload));
    }
}

std::uint64_t revisionOf(const std::string& payload) {
    return json::decode<Message>(payload).get<Message::State>()->revision;
}

Message state(std::uint64_t revision) {
    auto s = uistate::richState();
    s.recentEvents.resize(1);
    s.intervals.resize(1);
    return Message::state(revision, s);
}

void writeAll(int fd, const std::string& bytes) { ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size())); }

}  // namespace

TEST(ObserverUIChannel, TwoChannelsTalkOverRealPipesAndLargeStatesCrossInChunks) {
    ASSERT_TRUE(sigpipeIgnored);
    Pipe toUI, toAgent;
    Owner agentOwner, uiOwner;
    auto agent = agentOwner.channel(toAgent.read, toUI.write);
    auto ui = uiOwner.channel(toUI.read, toAgent.write);

    // A state of several megabytes: many partial writes into a 64 KiB pipe, many reads.
    auto big = uistate::richState();
    big.diagnosticPreview = DiagnosticPreview{platform::Data(2'500'000, 'x'), platform::Date{1}};
    agent->send(Message::state(1, big));  // before start: allowed
    agent->start();
    ui->start();
    ui->send(Message::ready(1));
    agent->send(Message::present({"status", std::nullopt}));

    ASSERT_TRUE(agentOwner.waitForMessages(1));
    EXPECT_EQ(agentOwner.messages()[0].get<Message::Ready>()->version, 1);
    ASSERT_TRUE(uiOwner.waitForMessages(2));
    const auto received = uiOwner.messages();
    EXPECT_EQ(json::encode(received[0]), json::encode(Message::state(1, big)));
    EXPECT_EQ(received[1].get<Message::Present>()->presentation.window, "status");

    // The UI app ends its side: the agent reads the end of its input and ends too.
    ui->finish();
    ASSERT_TRUE(agentOwner.waitForEnd());
    ASSERT_TRUE(uiOwner.waitForEnd());
    agent.reset();
    ui.reset();
    EXPECT_TRUE(agentOwner.waitUntilGone() && uiOwner.waitUntilGone());
    agentOwner.settle();
    uiOwner.settle();
    EXPECT_EQ(agentOwner.ended(), 1);
    EXPECT_EQ(uiOwner.ended(), 1);
    for (const Pipe* pipe : {&toUI, &toAgent}) {
        EXPECT_FALSE(pipe->readOpen()) << pipe->read;
        EXPECT_FALSE(pipe->writeOpen()) << pipe->write;
    }
}

TEST(ObserverUIChannel, AWaitingStateIsReplacedUntilAnotherMessageFixesItsPlace) {
    const struct {
        std::vector<std::uint64_t> sends;  // a revision, or 0 for a present
        std::vector<int> written;
    } cases[] = {
        {{1, 2, 0, 3}, {2, 0, 3}},
        {{1, 2, 3}, {3}},
        {{0, 1, 0, 0, 2, 3}, {0, 1, 0, 0, 3}},
    };
    for (const auto& c : cases) {
        Pipe pipe;
        Owner owner;
        auto channel = owner.channel(-1, pipe.write);
        Gate gate;
        gate.close(*channel);
        for (const std::uint64_t s : c.sends) channel->send(s ? state(s) : Message::present({"help", std::nullopt}));
        gate.open();
        channel->afterFlushing([channel] { channel->finish(); });
        std::vector<int> written;
        for (const auto& payload : payloadsUntilEnd(pipe.read))
            written.push_back(json::decode<Message>(payload).kind() == Message::Case::state ? int(revisionOf(payload)) : 0);
        EXPECT_EQ(written, c.written);
        ASSERT_TRUE(owner.waitForEnd());
        pipe.closeRead();
    }
}

TEST(ObserverUIChannel, ANonStateMessageFindingThirtyTwoWaitingFramesEndsTheChannel) {
    const struct {
        bool stateFirst;
        int accepted;
    } cases[] = {{false, 32}, {true, 31}};
    for (const auto& c : cases) {
        Pipe pipe;
        Owner owner;
        auto channel = owner.channel(-1, pipe.write);
        Gate gate;
        gate.close(*channel);  // nothing is taken by the writer
        if (c.stateFirst) channel->send(state(1));
        for (int i = 0; i < c.accepted; ++i) channel->send(Message::closing());
        for (std::uint64_t i = 0; i < 100; ++i) channel->send(state(2 + i));  // states are never refused
        owner.settle();
        EXPECT_EQ(owner.ended(), 0);
        channel->send(Message::closing());
        EXPECT_FALSE(pipe.writeOpen());  // closed by finish() itself: no write was running
        owner.settle();
        EXPECT_EQ(owner.ended(), 1);
        gate.open();
        EXPECT_TRUE(payloadsUntilEnd(pipe.read).empty());  // every waiting frame was dropped
        channel->send(Message::stop());  // dropped without notice
        owner.settle();
        EXPECT_EQ(owner.ended(), 1);
        pipe.closeRead();
    }
}

TEST(ObserverUIChannel, AFailedWriteEndsTheChannelOnce) {
    Pipe pipe;
    Owner owner;
    auto channel = owner.channel(-1, pipe.write);
    pipe.closeRead();
    channel->send(Message::closing());  // EPIPE
    ASSERT_TRUE(owner.waitForEnd());
    std::promise<void> flushed;
    channel->afterFlushing([&] { flushed.set_value(); });  // runs also on a stopped channel
    EXPECT_EQ(flushed.get_future().wait_for(kPatience), std::future_status::ready);
    EXPECT_FALSE(pipe.writeOpen());
    owner.settle();
    EXPECT_EQ(owner.ended(), 1);
}

TEST(ObserverUIChannel, AMessageThatCannotBeSentEndsTheChannel) {
    auto nan = uistate::richState();
    nan.sampling.interval = std::nan("");
    auto huge = uistate::richState();
    huge.diagnosticPreview = DiagnosticPreview{platform::Data(3'200'000, 'x'), platform::Date{1}};  // over 4 MiB in Base64
    for (const auto& s : {nan, huge}) {
        Pipe pipe;
        Owner owner;
        auto channel = owner.channel(-1, pipe.write);
        channel->send(Message::present({"status", std::nullopt}));
        channel->send(Message::state(1, s));
        owner.settle();
        EXPECT_EQ(owner.ended(), 1);
        EXPECT_LE(payloadsUntilEnd(pipe.read).size(), 1u);
        pipe.closeRead();
    }
}

TEST(ObserverUIChannel, FinishFromAnotherThreadWakesTheBlockedReaderWhichClosesTheInput) {
    Pipe in, out;
    Owner owner;
    auto channel = owner.channel(in.read, out.write);
    channel->start();
    std::thread a([channel] { channel->finish(); });
    std::thread b([channel] { channel->finish(); });
    a.join();
    b.join();
    channel->finish();
    EXPECT_FALSE(out.writeOpen());
    channel.reset();
    ASSERT_TRUE(owner.waitUntilGone());  // the reader has left and closed its input
    EXPECT_FALSE(in.readOpen());
    owner.settle();
    EXPECT_EQ(owner.ended(), 1);
    EXPECT_TRUE(owner.messages().empty());
    in.closeWrite();
    out.closeRead();
}

TEST(ObserverUIChannel, FinishDuringABlockedWriteLeavesTheOutputToTheWriter) {
    Pipe out;
    Owner owner;
    auto channel = owner.channel(-1, out.write);
    ASSERT_GT(::fcntl(out.write, F_SETPIPE_SZ, 4096), 0);
    const int capacity = ::fcntl(out.write, F_GETPIPE_SZ);
    channel->send(state(1));  // larger than the pipe: the writer blocks
    for (int queued = 0; queued < capacity;) {
        ASSERT_EQ(::ioctl(out.read, FIONREAD, &queued), 0);
        std::this_thread::yield();
    }
    std::thread([channel] { channel->finish(); }).join();
    owner.settle();
    EXPECT_EQ(owner.ended(), 1);  // at once, not after the deferred close
    // The output is still open, so its number cannot be handed to anything else.
    EXPECT_TRUE(out.writeOpen());
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    EXPECT_NE(probe, out.write);
    ::close(probe);

    std::promise<void> flushed;
    channel->afterFlushing([&] { flushed.set_value(); });
    out.closeRead();  // the peer goes away: the write fails and the writer closes the output
    ASSERT_EQ(flushed.get_future().wait_for(kPatience), std::future_status::ready);
    EXPECT_FALSE(out.writeOpen());
    owner.settle();
    EXPECT_EQ(owner.ended(), 1);
}

TEST(ObserverUIChannel, ReaderEndsAtTheFirstBadInputAfterDeliveringWhatCameBefore) {
    const std::string ready = Decoder::frame(R"({"ready":{"_0":1}})");
    std::string command = R"({"command":{"_0":{"refresh":{}}}})";
    command.resize(ObserverUIChannel::maximumAgentPayloadLength, ' ');
    std::string longReady = R"({"ready":{"_0":1}})";
    longReady.resize(ObserverUIChannel::maximumAgentPayloadLength, ' ');
    const std::string header0("\0\0\0\0", 4);
    const std::string header8193("\0\0\x20\x01", 4);
    constexpr std::size_t small = ObserverUIChannel::maximumAgentPayloadLength;
    const struct {
        std::string bytes;
        std::size_t delivered;
        std::size_t limit = Decoder::maximumPayloadLength;  // an end that takes only small frames ends
        bool endsByItself = false;                          // by the header, with its input still open
    } cases[] = {
        {ready + header8193, 0, small, true},  // one read: the frame before it is lost with it
        {Decoder::frame(longReady) + ready, 2, small},
        {"", 0},                                                               // end of input at once
        {ready + Decoder::frame(command) + Decoder::frame(command + " ") + ready, 2},  // 8,193 bytes of command
        {ready + header0 + ready, 0},  // one read: the frame before the bad header is lost with it
        {ready + Decoder::frame("{}") + ready, 1},
        {ready + Decoder::frame("{\"stop\":{}") + ready, 1},
        {ready + Decoder::frame(std::string(R"({"stop":{"_0":"\xFF"}})")) + ready, 1},  // not UTF-8
        {ready + ready.substr(0, 7), 1},                                        // truncated by the end
    };
    for (const auto& c : cases) {
        Pipe in, out;
        Owner owner;
        auto channel = owner.channel(in.read, out.write, c.limit);
        channel->start();
        writeAll(in.write, c.bytes);
        if (!c.endsByItself) in.closeWrite();
        ASSERT_TRUE(owner.waitForEnd());
        if (c.endsByItself) in.closeWrite();
        owner.settle();
        EXPECT_EQ(owner.messages().size(), c.delivered) << c.bytes.size();
        EXPECT_EQ(owner.ended(), 1);
        channel.reset();
        ASSERT_TRUE(owner.waitUntilGone());
        EXPECT_FALSE(in.readOpen());
        out.closeRead();
    }
}

namespace {
std::atomic<int> interruptions{0};
void countInterruption(int) { interruptions.fetch_add(1); }
}  // namespace

TEST(ObserverUIChannel, AReadInterruptedBySignalsIsRepeatedAndLosesNothing) {
    // Only the reader thread takes SIGUSR1: every other thread here has it blocked.
    struct sigaction action = {}, previous = {};
    action.sa_handler = countInterruption;  // no SA_RESTART: poll and read return EINTR
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    sigset_t usr1, old;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &usr1, &old), 0);
    Pipe in, out;
    auto owner = std::make_unique<Owner>();
    auto channel = owner->channel(in.read, out.write);
    ::pthread_sigmask(SIG_UNBLOCK, &usr1, nullptr);
    channel->start();  // the reader starts with SIGUSR1 open
    ::pthread_sigmask(SIG_BLOCK, &usr1, nullptr);

    const std::string frame = Decoder::frame(R"({"ready":{"_0":1}})");
    interruptions = 0;
    for (std::size_t round = 0; round < 3; ++round) {
        const int before = interruptions.load();
        ::kill(::getpid(), SIGUSR1);
        while (interruptions.load() == before) std::this_thread::yield();
        writeAll(in.write, frame.substr(0, 9));
        ::kill(::getpid(), SIGUSR1);
        writeAll(in.write, frame.substr(9));
        ASSERT_TRUE(owner->waitForMessages(round + 1));
    }
    owner->settle();
    EXPECT_EQ(owner->ended(), 0);
    channel->finish();
    channel.reset();
    ASSERT_TRUE(owner->waitUntilGone());
    owner.reset();
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ::sigaction(SIGUSR1, &previous, nullptr);
    in.closeWrite();
    out.closeRead();
}

namespace {
// An owner's queue that keeps what is posted to it until the test runs it.
struct HeldQueue final : platform::SerialQueue {
    std::mutex mutex;
    std::vector<std::function<void()>> work;
    const std::string name = "held";
    const std::string& label() const override { return name; }
    void async(std::function<void()> item) override {
        std::lock_guard lock(mutex);
        work.push_back(std::move(item));
    }
    void asyncAfter(double, std::shared_ptr<platform::WorkItem>) override {}
    void sync(std::function<void()>) override {}
    bool isCurrent() const override { return false; }
    double now() const override { return 0; }
    std::size_t waiting() {
        std::lock_guard lock(mutex);
        return work.size();
    }
};
}  // namespace

TEST(ObserverUIChannel, AReaderWhoseOwnerFallsBehindStopsReadingUntilFinished) {
    Pipe in, out;
    auto owner = std::make_shared<HeldQueue>();
    std::atomic<std::size_t> received{0};
    auto channel = ObserverUIChannel::make(in.read, out.write, owner, [&](const Message&) { ++received; }, {});
    channel->start();
    std::thread flood([fd = in.write] {  // until the reader has gone
        const std::string frame = Decoder::frame(R"({"command":{"_0":{"refresh":{}}}})");
        while (::write(fd, frame.data(), frame.size()) > 0) {
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (owner->waiting() < ObserverUIChannel::maximumWaitingMessages && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    channel->finish();  // ends the reader waiting for room, which closes the input
    flood.join();
    for (auto& item : owner->work) item();
    EXPECT_EQ(received.load(), ObserverUIChannel::maximumWaitingMessages);  // and not one more was read
    in.closeWrite();
    out.closeRead();
}
