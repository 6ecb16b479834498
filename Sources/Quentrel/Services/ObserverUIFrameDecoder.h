#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/JSONCoding.h"

namespace quentrel {

// The frames of the pipe between the agent and the UI app: a 4-byte big-endian payload length L
// (1 to 4,194,304), then L bytes of payload (the JSON of one message). Nothing else: no magic,
// version, checksum or terminator. Byte strings are held in std::string.
//
// A plain value over bytes: the decoder keeps what it was given that is not yet cut into frames.
class ObserverUIFrameDecoder {
public:
    static constexpr std::size_t headerLength = 4;
    static constexpr std::size_t maximumPayloadLength = 4'194'304;  // 0x400000
    // What a reader asks read(2) for at a time.
    static constexpr std::size_t readChunkLength = 65'536;
    // One largest frame plus one read: a reader that appends at most one read at a time never
    // gets here, because after every append less than one complete largest frame is left.
    static constexpr std::size_t maximumBufferedLength = headerLength + maximumPayloadLength + readChunkLength;

    // Every framing failure: a payload of 0 bytes or over the maximum, or too much buffered input.
    class FrameError : public std::runtime_error {
    public:
        FrameError() : std::runtime_error("invalidLength") {}
    };

    // The frame of `payload`; throws FrameError for an empty payload or one over the maximum.
    static std::string frame(std::string_view payload);
    // The frame of the JSON of `message`, encoded straight into the frame behind its header. Throws
    // FrameError for JSON over the maximum, and what encoding throws.
    template <class Message>
    static std::string frameEncoded(const Message& message) {
        std::string out(headerLength, '\0');
        platform::json::encodeInto(out, message);
        writeHeader(out);
        return out;
    }

    // A decoder that takes payloads of up to `acceptedPayloadLength` bytes (at most the frame
    // maximum): an end whose peer only sends small messages refuses a longer frame by its header.
    explicit ObserverUIFrameDecoder(std::size_t acceptedPayloadLength = maximumPayloadLength)
        : acceptedPayloadLength_(std::min(acceptedPayloadLength, maximumPayloadLength)) {}

    // Adds `chunk` and returns the payloads of every frame it completes, in arrival order. Throws
    // FrameError when the buffered bytes plus the chunk would pass maximumBufferedLength (the
    // chunk is then not added), or as soon as a header announces 0 or more than the accepted
    // length, without waiting for its payload; payloads cut earlier in the same call are lost with it.
    std::vector<std::string> append(std::string_view chunk);

    // The received bytes not yet cut into frames.
    const std::string& buffer() const { return buffer_; }

private:
    // Fills the header in front of the payload that follows it in `frame`.
    static void writeHeader(std::string& frame);

    std::size_t acceptedPayloadLength_;
    std::string buffer_;
};

}  // namespace quentrel
