#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Platform/Dispatch/ThreadSerialQueue.h"
#include "Platform/Foundation/JSONCoding.h"
#include "Quentrel/App/Agent/UISessionChannel.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"

namespace {

using quentrel::ObserverUIMessage;
using Case = ObserverUIMessage::Case;

// What the UI app reads from its input until the end (or a deadline), as message cases.
std::vector<Case> readToTheEnd(int fd) {
    quentrel::ObserverUIFrameDecoder decoder;
    std::vector<Case> cases;
    std::string chunk(quentrel::ObserverUIFrameDecoder::readChunkLength, '\0');
    pollfd readable{fd, POLLIN, 0};
    while (::poll(&readable, 1, 30'000) == 1) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n <= 0) return cases;
        for (const std::string& payload : decoder.append(std::string_view(chunk.data(), std::size_t(n))))
            cases.push_back(platform::json::decode<ObserverUIMessage>(payload).kind());
    }
    ADD_FAILURE() << "the input did not end";
    return cases;
}

// Quitting queues stop and returns at once; the UI app still reads everything sent, stop last,
// and then the end of its input, also when the writer is held up by a full pipe.
TEST(UISessionChannel, FinishingAfterWritingReturnsAtOnceAndDeliversStopBeforeTheEnd) {
    for (std::size_t windowLength : {std::size_t{0}, std::size_t{1} << 20}) {
        SCOPED_TRACE(windowLength);
        int toUI[2], fromUI[2];
        ASSERT_EQ(::pipe2(toUI, O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(fromUI, O_CLOEXEC), 0);
        auto mainQueue = platform::ThreadSerialQueue::make("main");
        auto channel =
            quentrel::pipeChannelFactory(mainQueue)(fromUI[0], toUI[1], [](const ObserverUIMessage&) {}, [] {});
        channel->start();
        std::vector<Case> expected;
        if (windowLength > 0) {  // more than the pipe holds: nobody reads before the call returns
            channel->send(ObserverUIMessage::present({std::string(windowLength, 'w'), std::nullopt}));
            expected.push_back(Case::present);
        }
        channel->send(ObserverUIMessage::stop());
        expected.push_back(Case::stop);
        channel->finishAfterWriting();
        EXPECT_EQ(readToTheEnd(toUI[0]), expected);
        ::close(toUI[0]);
        ::close(fromUI[1]);
    }
}

}  // namespace
