#include "Quentrel/Services/ObserverUIFrameDecoder.h"

#include <gtest/gtest.h>

using quentrel::ObserverUIFrameDecoder;
using Decoder = ObserverUIFrameDecoder;
using Payloads = std::vector<std::string>;

namespace {
std::string header(std::uint32_t n) {
    return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
}
}  // namespace

TEST(ObserverUIFrameDecoder, FrameIsTheBigEndianLengthThenThePayload) {
    EXPECT_EQ(Decoder::frame("{\"stop\":{}}"), header(11) + "{\"stop\":{}}");
    EXPECT_EQ(Decoder::frame(std::string(0x010203, 'x')).substr(0, 4), std::string("\x00\x01\x02\x03", 4));
    const std::string largest(Decoder::maximumPayloadLength, 'x');
    EXPECT_EQ(Decoder::frame(largest).size(), 4 + largest.size());
    EXPECT_EQ(Decoder::frame(largest).substr(0, 4), std::string("\x00\x40\x00\x00", 4));
    EXPECT_THROW(Decoder::frame(largest + "x"), Decoder::FrameError);
    EXPECT_THROW(Decoder::frame(""), Decoder::FrameError);
    // A payload string given up is framed in its own storage, by the same rules.
    EXPECT_EQ(Decoder::frame(std::string("{\"stop\":{}}")), header(11) + "{\"stop\":{}}");
    EXPECT_THROW(Decoder::frame(std::string()), Decoder::FrameError);
}

TEST(ObserverUIFrameDecoder, AFrameFedByteByByteComesOutOnceWithItsLastByte) {
    const std::string bytes = Decoder::frame("{\"ready\":{\"_0\":1}}");
    Decoder d;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) EXPECT_TRUE(d.append(bytes.substr(i, 1)).empty()) << i;
    EXPECT_EQ(d.append(bytes.substr(bytes.size() - 1)), Payloads{"{\"ready\":{\"_0\":1}}"});
    EXPECT_TRUE(d.buffer().empty());
    EXPECT_TRUE(d.append("").empty());
}

TEST(ObserverUIFrameDecoder, MergedFramesComeOutInOrderAndAPartialHeaderWaits) {
    Decoder d;
    const std::string chunk = Decoder::frame("a") + Decoder::frame("bc") + Decoder::frame("def") + header(5).substr(0, 2);
    EXPECT_EQ(d.append(chunk), (Payloads{"a", "bc", "def"}));
    EXPECT_EQ(d.buffer(), header(5).substr(0, 2));
    EXPECT_TRUE(d.append(header(5).substr(2) + "12").empty());
    EXPECT_EQ(d.append("345" + Decoder::frame("g")), (Payloads{"12345", "g"}));
    EXPECT_TRUE(d.buffer().empty());
}

TEST(ObserverUIFrameDecoder, ABadLengthFailsAtOnceAndLosesTheFramesBeforeIt) {
    const std::string bad[] = {header(0), header(Decoder::maximumPayloadLength + 1), header(0xFFFFFFFF)};
    for (const auto& h : bad) {
        Decoder d;
        EXPECT_THROW(d.append(h), Decoder::FrameError);  // no payload byte has come
        Decoder e;
        EXPECT_THROW(e.append(Decoder::frame("complete") + h), Decoder::FrameError);
        EXPECT_EQ(e.buffer(), h);  // the complete frame left the buffer and is not returned
    }
    Decoder d;
    EXPECT_TRUE(d.append(header(Decoder::maximumPayloadLength)).empty());  // the largest length waits
}

TEST(ObserverUIFrameDecoder, BufferedInputIsBoundedByOneLargestFrameAndOneRead) {
    EXPECT_EQ(Decoder::maximumBufferedLength, 4'259'844u);
    // Exactly at the bound: accepted and the largest frame comes out.
    Decoder d;
    const std::string frame = Decoder::frame(std::string(Decoder::maximumPayloadLength, 'x'));
    EXPECT_TRUE(d.append(frame.substr(0, 100)).empty());
    // One read's worth more: the start of a frame that is not complete yet.
    const std::string next = header(Decoder::readChunkLength) + std::string(Decoder::readChunkLength - 4, 'y');
    const std::string rest = frame.substr(100) + next;
    const Payloads out = d.append(rest);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].size(), Decoder::maximumPayloadLength);
    EXPECT_EQ(d.buffer(), next);

    // One byte more: refused, and the chunk is not added.
    Decoder e;
    EXPECT_TRUE(e.append(frame.substr(0, 100)).empty());
    EXPECT_THROW(e.append(rest + "x"), Decoder::FrameError);
    EXPECT_EQ(e.buffer().size(), 100u);
}
