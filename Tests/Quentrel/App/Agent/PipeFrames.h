#pragma once

// The frames of the pipes between the agent and the UI app as the stand-in UI programs read and
// write them on their own: a four-byte big-endian length, then that many bytes of payload.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace agenttest {

constexpr std::size_t kFrameHeaderLength = 4;

inline std::string frameOf(const std::string& payload) {
    std::string frame(kFrameHeaderLength, '\0');
    const auto length = static_cast<std::uint32_t>(payload.size());
    for (std::size_t i = 0; i < kFrameHeaderLength; ++i)
        frame[i] = static_cast<char>((length >> (8 * (kFrameHeaderLength - 1 - i))) & 0xff);
    return frame + payload;
}

// Takes the first frame off `buffer` and returns its payload; nothing while it is incomplete.
inline std::optional<std::string> takeFrame(std::string& buffer) {
    if (buffer.size() < kFrameHeaderLength) return std::nullopt;
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < kFrameHeaderLength; ++i) length = (length << 8) | static_cast<unsigned char>(buffer[i]);
    if (buffer.size() - kFrameHeaderLength < length) return std::nullopt;
    std::string payload = buffer.substr(kFrameHeaderLength, length);
    buffer.erase(0, kFrameHeaderLength + length);
    return payload;
}

}  // namespace agenttest
