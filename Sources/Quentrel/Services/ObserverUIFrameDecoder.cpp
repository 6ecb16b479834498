#include "ObserverUIFrameDecoder.h"

namespace quentrel {

namespace {

std::uint32_t readLength(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]};
}

std::string header(std::size_t payloadLength) {
    if (payloadLength == 0 || payloadLength > ObserverUIFrameDecoder::maximumPayloadLength)
        throw ObserverUIFrameDecoder::FrameError();
    const auto n = static_cast<std::uint32_t>(payloadLength);
    return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
}

}  // namespace

std::string ObserverUIFrameDecoder::frame(std::string_view payload) {
    std::string out = header(payload.size());
    out.append(payload);
    return out;
}

void ObserverUIFrameDecoder::writeHeader(std::string& frame) {
    frame.replace(0, headerLength, header(frame.size() - headerLength));
}

std::vector<std::string> ObserverUIFrameDecoder::append(std::string_view chunk) {
    if (chunk.size() > maximumBufferedLength - buffer_.size()) throw FrameError();
    buffer_.append(chunk);

    // Cut frames from the front, then drop what was cut in one step: erasing frame by frame would
    // move the rest of the buffer once per frame.
    std::vector<std::string> payloads;
    std::size_t offset = 0;
    for (;;) {
        const std::size_t available = buffer_.size() - offset;
        if (available < headerLength) break;
        const std::uint32_t length = readLength(buffer_.data() + offset);
        if (length == 0 || length > acceptedPayloadLength_) {
            buffer_.erase(0, offset);
            throw FrameError();
        }
        if (available < headerLength + length) break;
        payloads.emplace_back(buffer_, offset + headerLength, length);
        offset += headerLength + length;
    }
    buffer_.erase(0, offset);
    return payloads;
}

}  // namespace quentrel
